// The platform of the running Qt application: the X11 grabs on Qt's own connection, with a
// native event filter that sees the key presses before Qt does; in a Wayland session, the
// desktop's global shortcuts in front of them.
#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QObject>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <utility>

#include "services/hotkeys/desktop_hot_key_platform.h"
#include "services/hotkeys/desktop_shortcuts.h"
#include "services/hotkeys/hot_key_platform.h"
#include "services/hotkeys/hot_keys_x11.h"

namespace rc {
namespace {

class X11EventFilter : public QAbstractNativeEventFilter {
 public:
  explicit X11EventFilter(X11HotKeyPlatform* platform) : platform_(platform) {}

  bool nativeEventFilter(const QByteArray& event_type, void* message, qintptr*) override {
    if (event_type == "xcb_generic_event_t") {
      platform_->HandleEvent(static_cast<xcb_generic_event_t*>(message));
    }
    return false;  // the event always goes on to Qt
  }

 private:
  X11HotKeyPlatform* platform_;
};

// Whether the widget that typed keys go to takes text: an edit box that is not read only
// (they take input-method text; buttons, lists and read-only boxes do not). A combo box is
// not one, even an editable one: the main window's class box has the focus whenever the
// teacher has touched that window, and C must still call a student then.
bool TextBoxHasFocus() {
  const auto* focus = qobject_cast<const QWidget*>(QGuiApplication::focusObject());
  if (!focus || !focus->isEnabled() || !focus->testAttribute(Qt::WA_InputMethodEnabled)) {
    return false;
  }
  for (const QWidget* w = focus; w && !w->isWindow(); w = w->parentWidget()) {
    if (qobject_cast<const QComboBox*>(w)) return false;
  }
  return true;
}

// While the keys are handed over, a press of C, X or V reaches one of our windows as an
// ordinary key, and here, in its place among the window's other input, it is decided what it
// is: typing while a text box has the focus, else the hot key (a held key counts once).
class TypingFilter : public QObject {
 public:
  explicit TypingFilter(X11HotKeyPlatform* platform) : platform_(platform) {}

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    const int32_t id = platform_->KeyId(static_cast<xcb_keycode_t>(key->nativeScanCode()),
                                        static_cast<uint16_t>(key->nativeModifiers()));
    if (id == 0 || TextBoxHasFocus()) return false;
    if (!key->isAutoRepeat()) platform_->Deliver(id);
    return true;
  }

 private:
  X11HotKeyPlatform* platform_;
};

xcb_window_t FocusedWindow() {
  const QWindow* window = QGuiApplication::focusWindow();
  return window ? static_cast<xcb_window_t>(window->winId()) : XCB_NONE;
}

// Lives in the service's process-wide state, which outlasts the application and with it
// Qt's connection: once the application is gone, nothing here touches the connection again.
class QtX11HotKeyPlatform : public HotKeyPlatform {
 public:
  QtX11HotKeyPlatform(xcb_connection_t* connection, xcb_window_t root)
      : x11_(connection, root), filter_(&x11_), typing_filter_(&x11_) {
    QObject::connect(QCoreApplication::instance(), &QObject::destroyed, &application_watch_,
                     [this] {
                       x11_.ForgetGrabs();
                       x11_.StopIntercepting();
                       installed_ = false;
                       application_gone_ = true;
                     });
  }
  ~QtX11HotKeyPlatform() override {
    if (!QCoreApplication::instance()) x11_.ForgetGrabs();
    StopIntercepting();
  }

  bool RegisterHotKey(NativeHandle window, int32_t id, uint32_t modifier_bits,
                      int32_t key_code) override {
    if (application_gone_) return false;
    return x11_.RegisterHotKey(window, id, modifier_bits, key_code);
  }
  bool UnregisterHotKey(NativeHandle window, int32_t id) override {
    if (application_gone_) return false;
    return x11_.UnregisterHotKey(window, id);
  }
  bool Intercept(NativeHandle window, HotKeyMessageHandler handler) override {
    if (application_gone_) return false;
    x11_.Intercept(window, std::move(handler));
    // Application-wide, so presses arrive in nested loops of modal windows too.
    if (!installed_ && QCoreApplication::instance()) {
      QCoreApplication::instance()->installNativeEventFilter(&filter_);
      installed_ = true;
    }
    // The focus events are followed from now on; the focus they did not report is Qt's.
    if (text_boxes_type_) x11_.HandOverWhileFocused(true, FocusedWindow());
    return installed_;
  }
  void StopIntercepting() override {
    x11_.StopIntercepting();
    // Safe from inside the filter itself; Qt allows removal during filtering.
    if (installed_ && QCoreApplication::instance()) {
      QCoreApplication::instance()->removeNativeEventFilter(&filter_);
    }
    installed_ = false;
  }
  void LetTextBoxesType(bool on) override {
    if (application_gone_ || on == text_boxes_type_) return;
    text_boxes_type_ = on;
    x11_.HandOverWhileFocused(on, on ? FocusedWindow() : XCB_NONE);
    if (on) {
      QCoreApplication::instance()->installEventFilter(&typing_filter_);
    } else {
      QCoreApplication::instance()->removeEventFilter(&typing_filter_);
    }
  }

 private:
  X11HotKeyPlatform x11_;
  X11EventFilter filter_;
  TypingFilter typing_filter_;
  bool text_boxes_type_ = false;
  QObject application_watch_;  // ends the watch when this platform goes first
  bool installed_ = false;
  bool application_gone_ = false;
};

// Without X11 there is nothing to grab: every key is refused, as if another program held it.
class RefusingHotKeyPlatform : public HotKeyPlatform {
 public:
  bool RegisterHotKey(NativeHandle, int32_t, uint32_t, int32_t) override { return false; }
  bool UnregisterHotKey(NativeHandle, int32_t) override { return false; }
  bool Intercept(NativeHandle, HotKeyMessageHandler) override { return false; }
  void StopIntercepting() override {}
  void LetTextBoxesType(bool) override {}
};

// The root window of the screen that Qt's connection opened: the one DISPLAY names.
xcb_window_t RootWindow(xcb_connection_t* connection) {
  int screen_number = 0;
  char* host = nullptr;
  int display = 0;
  if (xcb_parse_display(nullptr, &host, &display, &screen_number) == 0) screen_number = 0;
  std::free(host);
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int i = 0; i < screen_number && it.rem > 1; ++i) xcb_screen_next(&it);
  return it.rem > 0 ? it.data->root : XCB_NONE;
}

std::unique_ptr<HotKeyPlatform> X11OrRefusingPlatform() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  xcb_window_t root = connection ? RootWindow(connection) : XCB_NONE;
  if (root == XCB_NONE) return std::make_unique<RefusingHotKeyPlatform>();
  return std::make_unique<QtX11HotKeyPlatform>(connection, root);
}

}  // namespace

std::unique_ptr<HotKeyPlatform> CreateHotKeyPlatform() {
  // Xwayland's grabs see a key only while an X11 program has the focus; the desktop's own
  // shortcuts see it everywhere.
  if (IsWaylandSession()) {
    return std::make_unique<DesktopHotKeyPlatform>(X11OrRefusingPlatform(),
                                                   ProcessDesktopShortcuts());
  }
  return X11OrRefusingPlatform();
}

}  // namespace rc
