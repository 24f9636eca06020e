// Loading windows (creation, stacking, tab order, load events, the modal loop) and closing
// them.
#include "forms/internal/window_loading.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <memory>
#include <optional>
#include <span>

#include "forms/definition_codec.h"
#include "forms/fatal_error_box.h"
#include "forms/definition_format.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/internal/control.h"
#include "forms/internal/fonts.h"
#include "forms/internal/menus.h"
#include "forms/internal/runtime_state.h"
#include "forms/internal/window_frame.h"
#include "forms/runtime.h"

namespace rc::forms {
namespace {

// The screen a window is centred on: the one that holds the start-up window, so that every
// window of the program comes up where the teacher looks at it; the primary screen for the
// start-up window itself and before it exists.
QScreen* ScreenForCentring(const LoadedWindow* lw) {
  const LoadedWindow* startup = lw->id == RuntimeState().startup ? nullptr : Loaded(RuntimeState().startup);
  if (startup && startup->widget) {
    if (QScreen* s = QGuiApplication::screenAt(startup->widget->frameGeometry().center())) {
      return s;
    }
  }
  return QGuiApplication::primaryScreen();
}

// The window takes its start position when it is created, before its created event: the
// handlers of that event read the window's position (the start-up balloon tip points at a
// button of the main window), and a width set there leaves the position as it is.
void PlaceAtStartPosition(LoadedWindow* lw) {
  auto* control = static_cast<WindowControl*>(lw->items[0].control.get());
  if (control->props().start_position != 1) return;  // the design position, set by Create
  QScreen* screen = ScreenForCentring(lw);
  if (!screen) return;
  QRect area = screen->availableGeometry();
  QSize outer = control->OuterSize();
  lw->widget->move(area.x() + (area.width() - outer.width()) / 2,
                   area.y() + (area.height() - outer.height()) / 2);
}

void ShowInStartState(LoadedWindow* lw) {
  auto* control = static_cast<WindowControl*>(lw->items[0].control.get());
  QWidget* w = lw->widget;
  KeepFrameCornerOnShow(w);
  const WindowProps& p = control->props();
  switch (p.start_position) {
    case 2: w->showMinimized(); break;
    case 3:
      if (IsFixedFrame(p.border_style)) {
        w->show();
      } else {
        w->showMaximized();
      }
      break;
    default: w->show(); break;
  }
}

// A window already loaded is brought forward instead of loaded twice.
void BringForward(LoadedWindow* lw) {
  if (lw->widget->isMinimized()) {
    lw->widget->showNormal();
  } else {
    lw->widget->raise();
    lw->widget->activateWindow();
  }
}

void MarkIdentity(QWidget* w, WindowId window_id, ControlId control_id) {
  w->setProperty("rc_window_id", window_id.value);
  w->setProperty("rc_control_id", control_id.value);
}

// Creates the top-level widget and registers the window as loaded, so that handlers run
// during the rest of the load can already find it.
LoadedWindow* CreateWindowFrame(const WindowDef& def, WindowId window_id, QWidget* owner_widget) {
  auto holder = std::make_unique<LoadedWindow>();
  LoadedWindow* lw = holder.get();
  lw->id = window_id;
  for (const ItemDef& item : def.items) lw->items.push_back({item, nullptr});

  LiveItem& self = lw->items[0];
  self.control = std::make_unique<WindowControl>();
  self.control->SetIdentity(window_id, ControlId(self.def.id));
  QWidget* win = self.control->Create(owner_widget, self.def);
  win->setObjectName(QStringLiteral("0x%1").arg(window_id.value, 8, 16, QLatin1Char('0')));
  MarkIdentity(win, window_id, ControlId(self.def.id));
  lw->widget = win;
  RuntimeState().loaded[window_id] = std::move(holder);
  PlaceAtStartPosition(lw);
  return lw;
}

// Controls are created in reverse definition order, hidden until the load events have run.
void CreateControls(LoadedWindow* lw) {
  for (size_t i = lw->items.size(); i-- > 1;) {
    LiveItem& item = lw->items[i];
    const TypeDescriptor* type = FindTypeDescriptor(item.def.type);
    if (item.def.type == kTypeMenuItem || !type) continue;
    item.control = type->make();
    item.control->SetIdentity(lw->id, ControlId(item.def.id));
    QWidget* w = item.control->Create(lw->widget, item.def);
    w->setObjectName(ToQString(item.def.name));
    MarkIdentity(w, lw->id, ControlId(item.def.id));
    w->setGeometry(item.def.left, item.def.top, std::max(0, item.def.width),
                   std::max(0, item.def.height));
    w->hide();
    w->setEnabled(!(item.def.flags & kFlagDisabled));
    if (!(item.def.flags & kFlagTabStop) && (w->focusPolicy() & Qt::TabFocus)) {
      w->setFocusPolicy(static_cast<Qt::FocusPolicy>(w->focusPolicy() & ~Qt::TabFocus));
    }
    w->installEventFilter(Watcher());
  }
}

// Containers take their controls; then the stacking follows definition order, first on top.
void ParentAndStackControls(LoadedWindow* lw) {
  for (LiveItem& item : lw->items) {
    if (!item.control || item.def.container == 0) continue;
    LiveItem* box = FindLive(lw, ControlId(item.def.container));
    if (box && box->control && box->control->widget()) {
      item.control->widget()->setParent(box->control->widget());
    }
  }
  for (size_t i = lw->items.size(); i-- > 1;) {
    if (lw->items[i].control) lw->items[i].control->widget()->raise();
  }
}

bool ShownAtLoad(const LiveItem& item) {
  const TypeDescriptor* type = FindTypeDescriptor(item.def.type);
  return (item.def.flags & kFlagVisible) && !(type->flags & kTypeNeverVisible);
}

// Tab order follows definition order. Returns the control that takes the focus first: the
// shown, enabled tab stop with the lowest tab index, or null.
QWidget* ChainTabOrder(LoadedWindow* lw) {
  QWidget* previous = nullptr;
  QWidget* first_focus = nullptr;
  for (size_t i = 1; i < lw->items.size(); ++i) {
    LiveItem& item = lw->items[i];
    if (!item.control || !(item.def.flags & kFlagTabStop)) continue;
    QWidget* w = item.control->widget();
    if (previous) QWidget::setTabOrder(previous, w);
    previous = w;
    if (ShownAtLoad(item) && !(item.def.flags & kFlagDisabled) &&
        (!first_focus || item.def.tab_order < first_focus->property("rc_tab_order").toInt())) {
      first_focus = w;
      w->setProperty("rc_tab_order", item.def.tab_order);
    }
  }
  return first_focus;
}

void ApplyCursors(LoadedWindow* lw) {
  for (LiveItem& item : lw->items) {
    if (item.control && item.control->widget())
      ApplyCursor(item.control->widget(), item.def.cursor);
  }
}

// Controls hear they are loaded before the window does, last defined first.
void NotifyLoaded(LoadedWindow* lw) {
  for (size_t i = lw->items.size(); i-- > 1;) {
    if (lw->items[i].control) lw->items[i].control->OnLoaded();
  }
  lw->items[0].control->OnLoaded();
}

void ShowVisibleControls(LoadedWindow* lw) {
  for (size_t i = 1; i < lw->items.size(); ++i) {
    LiveItem& item = lw->items[i];
    if (item.control && ShownAtLoad(item)) item.control->widget()->show();
  }
}

// The load events; a handler may unload the window, which ends the sequence. Returns whether
// the window is still the one loaded.
bool RaiseLoadEvents(LoadedWindow* lw) {
  WindowId window_id = lw->id;
  ControlId self_id(lw->items[0].def.id);
  RaiseEvent(window_id, self_id, kEventCreated);
  if (Loaded(window_id) == lw) RaiseEvent(window_id, self_id, kEventMoved);
  if (Loaded(window_id) == lw) RaiseEvent(window_id, self_id, kEventResized);
  return Loaded(window_id) == lw;
}

// Disables every other window and runs a nested loop until this one closes.
void RunModal(LoadedWindow* lw, bool visible) {
  WindowId window_id = lw->id;
  lw->modal = true;
  for (auto& [id, other] : RuntimeState().loaded) {
    if (id == window_id || !other->widget) continue;
    if (other->widget->isEnabled()) {
      other->widget->setEnabled(false);
      lw->disabled_by_modal.push_back(other->widget);
    }
  }
  if (visible && Loaded(window_id) == lw) {
    QEventLoop loop;
    lw->loop = &loop;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
    loop.exec();
  }
}

bool LoadWindowImpl(WindowId window_id, std::optional<WindowId> owner, bool modal) {
  WindowDef* def = FindDef(window_id);
  if (!def) return false;
  if (LoadedWindow* lw = Loaded(window_id)) {
    BringForward(lw);
    return true;
  }
  QWidget* owner_widget = nullptr;
  if (!modal && owner) {
    LoadedWindow* o = Loaded(*owner);
    if (!o) return false;
    owner_widget = o->widget;
  }

  LoadedWindow* lw = CreateWindowFrame(*def, window_id, owner_widget);
  QWidget* win = lw->widget;
  BuildMenuBar(lw);
  CreateControls(lw);
  ParentAndStackControls(lw);
  QWidget* first_focus = ChainTabOrder(lw);
  ApplyCursors(lw);
  NotifyLoaded(lw);
  ShowVisibleControls(lw);

  // A load handler may unload the window, taking its items with it.
  bool visible = lw->items[0].def.flags & kFlagVisible;
  if (!RaiseLoadEvents(lw)) return true;

  static_cast<FormWindow*>(win)->up = true;
  if (visible) {
    if (first_focus) first_focus->setFocus();
    ShowInStartState(lw);
  }
  if (modal) RunModal(lw, visible);
  return true;
}

void RestoreDisabled(LoadedWindow* lw) {
  for (QPointer<QWidget>& w : lw->disabled_by_modal) {
    if (w) w->setEnabled(true);
  }
  lw->disabled_by_modal.clear();
}

}  // namespace

bool HandleCloseRequest(WindowId window_id) {
  LoadedWindow* lw = Loaded(window_id);
  if (!lw) return true;
  EventResult r = RaiseEvent(window_id, kWindowItself, kEventCloseQuery);
  if (r.handled && r.result == 0) return false;
  lw = Loaded(window_id);
  if (!lw) return true;
  RestoreDisabled(lw);
  DestroyLoadedWindow(window_id);
  return true;
}

void DestroyLoadedWindow(WindowId window_id) {
  LoadedWindow* lw = Loaded(window_id);
  if (!lw) return;
  RaiseEvent(window_id, kWindowItself, kEventDestroying);
  lw = Loaded(window_id);
  if (!lw) return;
  for (LiveItem& item : lw->items) {
    if (item.control) item.control->OnDestroy();
  }
  if (lw->menu_bar) delete lw->menu_bar.data();
  RestoreDisabled(lw);
  if (lw->loop) lw->loop->quit();
  std::shared_ptr<LoadedWindow> gone(std::move(RuntimeState().loaded[window_id]));
  RuntimeState().loaded.erase(window_id);
  if (QWidget* w = gone->widget) {
    static_cast<FormWindow*>(w)->up = false;
    w->hide();
    // The controls live until their widgets are gone, so nothing queued for a widget can
    // reach a control that no longer exists.
    QObject::connect(w, &QObject::destroyed, [gone] {});
    w->deleteLater();
  }
  if (window_id == RuntimeState().startup) QCoreApplication::quit();
}

namespace {

void DestroyAllWindows() {
  while (!RuntimeState().loaded.empty()) {
    auto it = RuntimeState().loaded.begin();
    std::unique_ptr<LoadedWindow> lw = std::move(it->second);
    RuntimeState().loaded.erase(it);
    for (LiveItem& item : lw->items) {
      if (item.control) item.control->OnDestroy();
    }
    delete lw->widget.data();
  }
}

}  // namespace

void InitFormRuntime(std::span<const uint8_t> block) {
  InstallFatalErrorBox();
  std::optional<std::vector<WindowDef>> defs = DecodeDefinitions(block);
  if (!defs) Fatal("载入窗口模板数据段出错!");
  RuntimeState().defs = std::move(*defs);
  InstallFontSubstitutions();
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
    QApplication::setFont(DefaultGuiFont());
    QApplication::setQuitOnLastWindowClosed(false);
  }
  static bool cleanup_registered = false;
  if (!cleanup_registered) {
    cleanup_registered = true;
    qAddPostRoutine(&DestroyAllWindows);
  }
}

void LoadStartupWindow(WindowId window_id) {
  RuntimeState().startup = window_id;
  if (!LoadWindowImpl(window_id, std::nullopt, false)) Fatal("载入启动窗口失败");
}

int RunMessageLoop() {
  if (RuntimeState().loaded.empty()) return 0;
  return QApplication::exec();
}

bool LoadWindow(WindowId window_id, std::optional<WindowId> owner, bool modal) {
  return LoadWindowImpl(window_id, owner, modal);
}

bool CloseWindow(WindowId window_id) {
  LoadedWindow* lw = Loaded(window_id);
  if (!lw) return false;
  QPointer<QWidget> w = lw->widget;
  static_cast<FormWindow*>(w.data())->close_by_program = true;
  w->close();
  if (w) static_cast<FormWindow*>(w.data())->close_by_program = false;
  return Loaded(window_id) == nullptr;
}

}  // namespace rc::forms
