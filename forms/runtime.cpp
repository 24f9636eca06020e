#include "forms/runtime.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMargins>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <map>
#include <tuple>

#include "core/fatal.h"
#include "forms/control.h"
#include "forms/definition_codec.h"
#include "forms/definition_format.h"
#include "forms/embedded_definitions.h"
#include "forms/fatal_error_box.h"
#include "forms/fonts.h"
#include "forms/ids.h"

namespace rc::forms {

bool PopUpBalloonTipOf(Control* control, int32_t x, int32_t y, const Text& text, int32_t icon,
                       bool auto_hide);

namespace {

QString Q(const Text& t) { return QString::fromStdU16String(t.ToUtf16()); }

[[noreturn]] void Fatal(const char* utf8) { RaiseFatalError(0, Text::FromUtf8(utf8)); }

// One item of a loaded window: its definition fields (the working copy) and its control.
struct LiveItem {
  ItemDef def;
  std::unique_ptr<Control> control;
};

struct LoadedWindow {
  uint32_t id = 0;
  std::vector<LiveItem> items;
  QPointer<QWidget> widget;
  QPointer<QMenuBar> menu_bar;
  bool modal = false;
  std::vector<QPointer<QWidget>> disabled_by_modal;
  QPointer<QEventLoop> loop;
};

struct HandlerKey {
  uint32_t window;
  uint32_t item;
  int32_t event;
  friend auto operator<=>(const HandlerKey&, const HandlerKey&) = default;
};

struct State {
  std::vector<WindowDef> defs;
  std::map<uint32_t, std::unique_ptr<LoadedWindow>> loaded;
  std::map<HandlerKey, EventHandler> handlers;
  EventSource source;
  uint32_t startup = 0;
};

State& S() {
  static State state;
  return state;
}

WindowDef* FindDef(uint32_t window_id) {
  for (WindowDef& def : S().defs) {
    if (def.id == window_id) return &def;
  }
  return nullptr;
}

LoadedWindow* Loaded(uint32_t window_id) {
  auto it = S().loaded.find(window_id);
  return it == S().loaded.end() ? nullptr : it->second.get();
}

// Control id 0 names the window's own item; the first item is tried first.
template <typename T, typename GetId>
T* FindIn(std::vector<T>& items, uint32_t control_id, GetId id_of) {
  if (items.empty()) return nullptr;
  if (control_id == 0 || id_of(items[0]) == control_id) return &items[0];
  for (T& item : items) {
    if (id_of(item) == control_id) return &item;
  }
  return nullptr;
}

LiveItem* FindLive(LoadedWindow* lw, uint32_t control_id) {
  return FindIn(lw->items, control_id, [](const LiveItem& i) { return i.def.id; });
}

ItemDef* FindDesign(WindowDef* def, uint32_t control_id) {
  return FindIn(def->items, control_id, [](const ItemDef& i) { return i.id; });
}

// The item's current definition fields: the working copy while loaded, else the definition.
ItemDef* FindItem(uint32_t window_id, uint32_t control_id, Control** control) {
  *control = nullptr;
  if (LoadedWindow* lw = Loaded(window_id)) {
    LiveItem* live = FindLive(lw, control_id);
    if (!live) return nullptr;
    *control = live->control.get();
    return &live->def;
  }
  WindowDef* def = FindDef(window_id);
  return def ? FindDesign(def, control_id) : nullptr;
}

const WindowProps& WindowPropsOf(const ItemDef& item) {
  static const WindowProps kDefaults;
  const WindowProps* p = std::get_if<WindowProps>(&item.props);
  return p ? *p : kDefaults;
}

bool IsToolFrame(int32_t border) { return border == 3 || border == 4; }
bool IsFixedFrame(int32_t border) {
  return border == 0 || border == 2 || border == 4 || border == 6;
}

// The design size of a window is its outer size, frame included. The frame is drawn by the
// window manager, whose sizes are not known before the window is up, so the client area is
// the design size less a fixed frame of the kind the border style asks for.
QMargins FrameMargins(const WindowProps& p) {
  if (p.border_style == 0) return {};
  int edge = IsFixedFrame(p.border_style) ? 3 : 4;
  if (p.border_style == 5 || p.border_style == 6) edge += 2;
  bool caption = !p.title.empty() || p.control_box != 0;
  int caption_height = caption ? (IsToolFrame(p.border_style) ? 18 : 22) : 0;
  return QMargins(edge, edge + caption_height, edge, edge);
}

// Call right before a hidden window is shown. A window's position is that of its frame's
// corner. Once the window has its native window (the program asks for its handle while the
// window is being created), a size set while it is hidden makes Qt place the inside of the
// frame at the position when it is shown; handing the geometry over first keeps the corner.
void KeepFrameCornerOnShow(QWidget* w) {
  if (!w->isWindow() || w->isVisible() || !w->windowHandle()) return;
  QPoint corner = w->frameGeometry().topLeft();
  w->windowHandle()->setGeometry(w->geometry());
  w->windowHandle()->setFramePosition(corner);
}

void ApplyCursor(QWidget* w, const ByteSet& cursor) {
  int32_t id = 0;
  if (cursor.size() >= 4) {
    id = static_cast<int32_t>(cursor[0] | (cursor[1] << 8) | (cursor[2] << 16) |
                              (static_cast<uint32_t>(cursor[3]) << 24));
  }
  Qt::CursorShape shape;
  switch (id) {
    case 32513: shape = Qt::IBeamCursor; break;
    case 32514: shape = Qt::WaitCursor; break;
    case 32515: shape = Qt::CrossCursor; break;
    case 32516: shape = Qt::UpArrowCursor; break;
    case 32642: shape = Qt::SizeFDiagCursor; break;
    case 32643: shape = Qt::SizeBDiagCursor; break;
    case 32644: shape = Qt::SizeHorCursor; break;
    case 32645: shape = Qt::SizeVerCursor; break;
    case 32646: shape = Qt::SizeAllCursor; break;
    case 32648: shape = Qt::ForbiddenCursor; break;
    case 32649: shape = Qt::PointingHandCursor; break;
    case 32650: shape = Qt::BusyCursor; break;
    case 32651: shape = Qt::WhatsThisCursor; break;
    case 32512: shape = Qt::ArrowCursor; break;
    default: w->unsetCursor(); return;
  }
  w->setCursor(shape);
}

bool HandleCloseRequest(uint32_t window_id);
void DestroyLoadedWindow(uint32_t window_id);

// ---- the window type ----------------------------------------------------------------------

class FormWindow : public QWidget {
 public:
  FormWindow(QWidget* parent, Qt::WindowFlags flags, uint32_t id)
      : QWidget(parent, flags), id_(id) {}
  bool up = false;            // the load sequence has finished
  bool close_by_program = false;  // CloseWindow is closing it

 protected:
  void closeEvent(QCloseEvent* e) override {
    // A window that a modal window or a message box has disabled takes no input, and the
    // close box that the window manager draws on it is input too.
    if (!isEnabled() && !close_by_program) {
      e->ignore();
      return;
    }
    if (HandleCloseRequest(id_)) {
      e->accept();
    } else {
      e->ignore();
    }
  }
  void moveEvent(QMoveEvent* e) override {
    QWidget::moveEvent(e);
    if (up && Loaded(id_)) RaiseEvent(id_, 0, 3);
  }
  void resizeEvent(QResizeEvent* e) override {
    QWidget::resizeEvent(e);
    if (up && Loaded(id_)) RaiseEvent(id_, 0, 4);
  }

 private:
  uint32_t id_;
};

// Property index 0: the title. The other stored settings shape the frame when the window is
// created.
class WindowControl : public Control {
 public:
  QWidget* Create(QWidget* parent, const ItemDef& item) override {
    props_ = WindowPropsOf(item);
    Qt::WindowFlags flags = IsToolFrame(props_.border_style) ? Qt::Tool : Qt::Window;
    if (props_.border_style == 0) {
      flags |= Qt::FramelessWindowHint;
    } else {
      flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
      if (props_.control_box) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
      if (props_.minimise_box) flags |= Qt::WindowMinimizeButtonHint;
      if (props_.maximise_box) flags |= Qt::WindowMaximizeButtonHint;
    }
    if (props_.topmost) flags |= Qt::WindowStaysOnTopHint;
    auto* w = new FormWindow(parent, flags, window_id());
    SetTitle(w);
    QColor back = ColourFromColorRef(props_.background_colour);
    if (back.isValid()) {
      QPalette pal = w->palette();
      pal.setColor(QPalette::Window, back);
      w->setPalette(pal);
      w->setAutoFillBackground(true);
    }
    widget_ = w;
    QSize client = ClientSizeFor(item.width, item.height);
    if (IsFixedFrame(props_.border_style)) {
      w->setFixedSize(client);
    } else {
      w->resize(client);
    }
    w->move(item.left, item.top);
    return w;
  }
  Value Read(int32_t i) override {
    if (i == 0) return props_.title;
    return {};
  }
  void Write(int32_t i, const Value& v) override {
    if (i != 0) return;
    props_.title = ValueToText(v);
    SetTitle(widget_);
  }

  QSize ClientSizeFor(int32_t width, int32_t height) const {
    QMargins m = FrameMargins(props_);
    return QSize(std::max(0, width - m.left() - m.right()),
                 std::max(0, height - m.top() - m.bottom()));
  }
  QSize OuterSize() const {
    QMargins m = FrameMargins(props_);
    QSize s = widget_->size();
    return QSize(s.width() + m.left() + m.right(), s.height() + m.top() + m.bottom());
  }
  void SetOuterSize(int32_t width, int32_t height) {
    QSize client = ClientSizeFor(width, height);
    if (IsFixedFrame(props_.border_style)) {
      widget_->setFixedSize(client);
    } else {
      widget_->resize(client);
    }
  }
  const WindowProps& props() const { return props_; }

 private:
  // An empty caption stays empty: window managers put the program's name in an empty one,
  // so it is given as a single space.
  void SetTitle(QWidget* w) {
    w->setWindowTitle(props_.title.empty() ? QStringLiteral(" ") : Q(props_.title));
  }
  WindowProps props_;
};

// Raises the focus events of every control: -7 got focus, -8 lost focus.
class FocusWatcher : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) {
      QVariant window = watched->property("rc_window_id");
      QVariant control = watched->property("rc_control_id");
      if (window.isValid() && control.isValid() && Loaded(window.toUInt())) {
        RaiseEvent(window.toUInt(), control.toUInt(), e->type() == QEvent::FocusIn ? -7 : -8);
      }
    }
    return false;
  }
};

FocusWatcher* Watcher() {
  static QPointer<FocusWatcher> watcher;
  if (!watcher) watcher = new FocusWatcher();
  return watcher;
}

// ---- menus --------------------------------------------------------------------------------

// Indexes into the window's items of its menu items, in definition order: position k has
// command number kFirstMenuCommand + k.
std::vector<size_t> MenuPositions(const std::vector<LiveItem>& items) {
  std::vector<size_t> out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].def.type == kTypeMenuItem) out.push_back(i);
  }
  return out;
}

void DispatchMenuCommand(uint32_t window_id, int32_t command) {
  LoadedWindow* lw = Loaded(window_id);
  if (!lw) return;
  std::vector<size_t> menu = MenuPositions(lw->items);
  int64_t k = static_cast<int64_t>(command) - kFirstMenuCommand;
  if (k < 0 || k >= static_cast<int64_t>(menu.size())) return;
  RaiseEvent(window_id, lw->items[menu[static_cast<size_t>(k)]].def.id, 0);
}

void BuildMenuBar(LoadedWindow* lw) {
  std::vector<size_t> menu = MenuPositions(lw->items);
  QMenu* current = nullptr;
  for (size_t k = 0; k < menu.size(); ++k) {
    const ItemDef& item = lw->items[menu[k]].def;
    int32_t command = kFirstMenuCommand + static_cast<int32_t>(k);
    uint32_t window_id = lw->id;
    if (item.level == 0) {
      current = nullptr;
      if (item.menu_flags & kMenuFlagHidden) continue;
      if (!lw->menu_bar) {
        lw->menu_bar = new QMenuBar(lw->widget);
        lw->menu_bar->setObjectName(QStringLiteral("menu_bar"));
      }
      bool has_entries = k + 1 < menu.size() && lw->items[menu[k + 1]].def.level > 0;
      if (has_entries) {
        current = lw->menu_bar->addMenu(Q(item.caption));
      } else {
        QAction* a = lw->menu_bar->addAction(Q(item.caption));
        QObject::connect(a, &QAction::triggered, lw->widget,
                         [window_id, command] { DispatchMenuCommand(window_id, command); });
      }
    } else if (current) {
      QAction* a = current->addAction(Q(item.caption));
      a->setEnabled(!(item.menu_flags & kMenuFlagDisabled));
      a->setCheckable(item.menu_flags & kMenuFlagChecked);
      a->setChecked(item.menu_flags & kMenuFlagChecked);
      QObject::connect(a, &QAction::triggered, lw->widget,
                       [window_id, command] { DispatchMenuCommand(window_id, command); });
    }
  }
  if (lw->menu_bar) lw->menu_bar->adjustSize();
}

// ---- loading and closing ------------------------------------------------------------------

// The window takes its start position when it is created, before its created event: the
// handlers of that event read the window's position (the start-up balloon tip points at a
// button of the main window), and a width set there leaves the position as it is.
void PlaceAtStartPosition(LoadedWindow* lw) {
  auto* control = static_cast<WindowControl*>(lw->items[0].control.get());
  if (control->props().start_position != 1) return;  // the design position, set by Create
  QScreen* screen = QGuiApplication::primaryScreen();
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

void MarkIdentity(QWidget* w, uint32_t window_id, uint32_t control_id) {
  w->setProperty("rc_window_id", window_id);
  w->setProperty("rc_control_id", control_id);
}

// Creates the top-level widget and registers the window as loaded, so that handlers run
// during the rest of the load can already find it.
LoadedWindow* CreateWindowFrame(const WindowDef& def, uint32_t window_id, QWidget* owner_widget) {
  auto holder = std::make_unique<LoadedWindow>();
  LoadedWindow* lw = holder.get();
  lw->id = window_id;
  for (const ItemDef& item : def.items) lw->items.push_back({item, nullptr});

  LiveItem& self = lw->items[0];
  self.control = std::make_unique<WindowControl>();
  self.control->SetIdentity(window_id, self.def.id);
  QWidget* win = self.control->Create(owner_widget, self.def);
  win->setObjectName(QStringLiteral("0x%1").arg(window_id, 8, 16, QLatin1Char('0')));
  MarkIdentity(win, window_id, self.def.id);
  lw->widget = win;
  S().loaded[window_id] = std::move(holder);
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
    item.control->SetIdentity(lw->id, item.def.id);
    QWidget* w = item.control->Create(lw->widget, item.def);
    w->setObjectName(Q(item.def.name));
    MarkIdentity(w, lw->id, item.def.id);
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
    LiveItem* box = FindLive(lw, item.def.container);
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
  uint32_t window_id = lw->id;
  uint32_t self_id = lw->items[0].def.id;
  RaiseEvent(window_id, self_id, 0);
  if (Loaded(window_id) == lw) RaiseEvent(window_id, self_id, 3);
  if (Loaded(window_id) == lw) RaiseEvent(window_id, self_id, 4);
  return Loaded(window_id) == lw;
}

// Disables every other window and runs a nested loop until this one closes.
void RunModal(LoadedWindow* lw, bool visible) {
  uint32_t window_id = lw->id;
  lw->modal = true;
  for (auto& [id, other] : S().loaded) {
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

bool LoadWindowImpl(uint32_t window_id, std::optional<uint32_t> owner, bool modal) {
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

bool HandleCloseRequest(uint32_t window_id) {
  LoadedWindow* lw = Loaded(window_id);
  if (!lw) return true;
  EventResult r = RaiseEvent(window_id, 0, 1);
  if (r.handled && r.result == 0) return false;
  lw = Loaded(window_id);
  if (!lw) return true;
  RestoreDisabled(lw);
  DestroyLoadedWindow(window_id);
  return true;
}

void DestroyLoadedWindow(uint32_t window_id) {
  LoadedWindow* lw = Loaded(window_id);
  if (!lw) return;
  RaiseEvent(window_id, 0, 2);
  lw = Loaded(window_id);
  if (!lw) return;
  for (LiveItem& item : lw->items) {
    if (item.control) item.control->OnDestroy();
  }
  if (lw->menu_bar) delete lw->menu_bar.data();
  RestoreDisabled(lw);
  if (lw->loop) lw->loop->quit();
  std::shared_ptr<LoadedWindow> gone(std::move(S().loaded[window_id]));
  S().loaded.erase(window_id);
  if (QWidget* w = gone->widget) {
    static_cast<FormWindow*>(w)->up = false;
    w->hide();
    // The controls live until their widgets are gone, so nothing queued for a widget can
    // reach a control that no longer exists.
    QObject::connect(w, &QObject::destroyed, [gone] {});
    w->deleteLater();
  }
  if (window_id == S().startup) QCoreApplication::quit();
}

void DestroyAllWindows() {
  while (!S().loaded.empty()) {
    auto it = S().loaded.begin();
    std::unique_ptr<LoadedWindow> lw = std::move(it->second);
    S().loaded.erase(it);
    for (LiveItem& item : lw->items) {
      if (item.control) item.control->OnDestroy();
    }
    delete lw->widget.data();
  }
}

void InitWith(std::span<const uint8_t> block) {
  InstallFatalErrorBox();
  std::optional<std::vector<WindowDef>> defs = DecodeDefinitions(block);
  if (!defs) Fatal("载入窗口模板数据段出错!");
  S().defs = std::move(*defs);
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

}  // namespace

std::unique_ptr<Control> MakeWindowControl() { return std::make_unique<WindowControl>(); }

void InitFormRuntime() { InitWith(EmbeddedDefinitionBlock()); }

void InitFormRuntimeWithBlock(std::span<const uint8_t> block) { InitWith(block); }

void LoadStartupWindow(uint32_t window_id) {
  S().startup = window_id;
  if (!LoadWindowImpl(window_id, std::nullopt, false)) Fatal("载入启动窗口失败");
}

int RunMessageLoop() {
  if (S().loaded.empty()) return 0;
  return QApplication::exec();
}

bool LoadWindow(uint32_t window_id, std::optional<uint32_t> owner, bool modal) {
  return LoadWindowImpl(window_id, owner, modal);
}

bool CloseWindow(uint32_t window_id) {
  LoadedWindow* lw = Loaded(window_id);
  if (!lw) return false;
  QPointer<QWidget> w = lw->widget;
  static_cast<FormWindow*>(w.data())->close_by_program = true;
  w->close();
  if (w) static_cast<FormWindow*>(w.data())->close_by_program = false;
  return Loaded(window_id) == nullptr;
}

bool IsWindowLoaded(uint32_t window_id) { return Loaded(window_id) != nullptr; }

Value ReadProperty(uint32_t window_id, uint32_t control_id, int32_t index, int32_t part) {
  (void)part;
  if (!FindDef(window_id)) Fatal("未载入欲访问窗口组件所在的窗口");
  Control* control = nullptr;
  ItemDef* item = FindItem(window_id, control_id, &control);
  if (!item) Fatal("指定窗口或窗口组件不存在或尚未载入");
  QWidget* w = control ? control->widget() : nullptr;
  auto* window = dynamic_cast<WindowControl*>(control);
  switch (index) {
    case 0:
    case 1: {
      if (!w) return index == 0 ? item->left : item->top;
      QPoint p = w->isWindow() ? w->frameGeometry().topLeft() : w->pos();
      return static_cast<int32_t>(index == 0 ? p.x() : p.y());
    }
    case 2:
    case 3: {
      if (!w) return index == 2 ? item->width : item->height;
      QSize s = window ? window->OuterSize() : w->size();
      return static_cast<int32_t>(index == 2 ? s.width() : s.height());
    }
    case 4: return item->tag;
    case 5: return Logical(w ? w->isVisible() : (item->flags & kFlagVisible) != 0);
    case 6:
      return Logical(w ? w->testAttribute(Qt::WA_ForceDisabled)
                       : (item->flags & kFlagDisabled) != 0);
    case 7: return item->cursor;
    default: break;
  }
  if (!w) Fatal("指定窗口尚未载入");
  return control->Read(index - 8);
}

void WriteProperty(uint32_t window_id, uint32_t control_id, int32_t index, const Value& value,
                   int32_t part) {
  (void)part;
  if (!FindDef(window_id)) Fatal("未载入欲访问窗口组件所在的窗口");
  Control* control = nullptr;
  ItemDef* item = FindItem(window_id, control_id, &control);
  if (!item) Fatal("指定窗口或窗口组件不存在或尚未载入");
  QWidget* w = control ? control->widget() : nullptr;
  auto* window = dynamic_cast<WindowControl*>(control);
  int32_t n = ValueToInt(value);
  switch (index) {
    case 0:
    case 1:
      if (!w) {
        (index == 0 ? item->left : item->top) = n;
      } else if (index == 0) {
        w->move(n, w->isWindow() ? w->frameGeometry().y() : w->y());
      } else {
        w->move(w->isWindow() ? w->frameGeometry().x() : w->x(), n);
      }
      return;
    case 2:
    case 3:
      if (!w) {
        (index == 2 ? item->width : item->height) = n;
      } else if (window) {
        QSize s = window->OuterSize();
        window->SetOuterSize(index == 2 ? n : s.width(), index == 3 ? n : s.height());
      } else {
        w->resize(index == 2 ? std::max(0, n) : w->width(),
                  index == 3 ? std::max(0, n) : w->height());
      }
      return;
    case 4: item->tag = ValueToText(value); return;
    case 5:
      if (w) {
        if (n != 0) KeepFrameCornerOnShow(w);
        w->setVisible(n != 0);
      } else {
        item->flags = n ? (item->flags | kFlagVisible) : (item->flags & ~kFlagVisible);
      }
      return;
    case 6:
      if (w) {
        w->setEnabled(n == 0);
      } else {
        item->flags = n ? (item->flags | kFlagDisabled) : (item->flags & ~kFlagDisabled);
      }
      return;
    case 7:
      if (const ByteSet* b = std::get_if<ByteSet>(&value)) item->cursor = *b;
      if (w) ApplyCursor(w, item->cursor);
      return;
    default: break;
  }
  if (!w) Fatal("指定窗口尚未载入");
  control->Write(index - 8, value);
}

int32_t ReadInt(uint32_t window_id, uint32_t control_id, int32_t index) {
  return ValueToInt(ReadProperty(window_id, control_id, index));
}

Text ReadText(uint32_t window_id, uint32_t control_id, int32_t index) {
  return ValueToText(ReadProperty(window_id, control_id, index));
}

bool ReadLogical(uint32_t window_id, uint32_t control_id, int32_t index) {
  return ValueToInt(ReadProperty(window_id, control_id, index)) != 0;
}

namespace {

// Whether the definitions bind the event, and the key under which its handler is kept.
bool IsBound(const ItemDef& item, int32_t event) {
  if (item.type == kTypeMenuItem) return item.handler != kNoHandler;
  for (const EventBinding& b : item.events) {
    if (b.event == event && b.handler != kNoHandler) return true;
  }
  return false;
}

}  // namespace

bool BindHandler(uint32_t window_id, uint32_t control_id, int32_t event, EventHandler handler) {
  WindowDef* def = FindDef(window_id);
  if (!def) return false;
  ItemDef* item = FindDesign(def, control_id);
  if (!item) return false;
  if (item->type == kTypeMenuItem) event = 0;
  if (!IsBound(*item, event)) return false;
  S().handlers[{window_id, item->id, event}] = std::move(handler);
  return true;
}

EventResult RaiseEvent(uint32_t window_id, uint32_t control_id, int32_t event, int32_t arg1,
                       int32_t arg2) {
  if (FatalErrorInProgress()) return {};
  WindowDef* def = FindDef(window_id);
  if (!def) Fatal("未找到引发事件的窗口");
  Control* control = nullptr;
  ItemDef* item = FindItem(window_id, control_id, &control);
  if (!item) Fatal("未找到引发事件的窗口组件");
  if (item->type != kTypeMenuItem) {
    const TypeDescriptor* type = FindTypeDescriptor(item->type);
    if (!type || !(type->flags & kTypeRaisesEvents)) Fatal("引发事件的窗口组件无效");
  } else {
    event = 0;
  }
  if (!IsBound(*item, event)) return {};
  auto it = S().handlers.find({window_id, item->id, event});
  if (it == S().handlers.end() || !it->second) return {};
  EventHandler handler = it->second;  // a handler may rebind itself while it runs
  EventSource saved = S().source;
  S().source = {window_id, item->id};
  int32_t result = handler(arg1, arg2);
  S().source = saved;
  return {true, result};
}

EventSource CurrentEventSource() { return S().source; }

QWidget* WindowWidget(uint32_t window_id) {
  LoadedWindow* lw = Loaded(window_id);
  return lw ? lw->widget.data() : nullptr;
}

QWidget* ControlWidget(uint32_t window_id, uint32_t control_id) {
  LoadedWindow* lw = Loaded(window_id);
  if (!lw) return nullptr;
  LiveItem* item = FindLive(lw, control_id);
  return item && item->control ? item->control->widget() : nullptr;
}

namespace {

Control* MethodTargetOrDie(uint32_t window_id, uint32_t control_id, uint32_t type_id) {
  LoadedWindow* lw = Loaded(window_id);
  LiveItem* item = lw ? FindLive(lw, control_id) : nullptr;
  if (!item || !item->control || !item->control->widget() || item->def.type != type_id) {
    Fatal("指定窗口或窗口组件不存在或尚未载入");
  }
  return item->control.get();
}

}  // namespace

QWidget* ListViewWidgetOrDie(uint32_t window_id, uint32_t control_id) {
  return MethodTargetOrDie(window_id, control_id, kTypeListView)->widget();
}

bool PopUpBalloonTipControl(uint32_t window_id, uint32_t control_id, int32_t x, int32_t y,
                            const Text& text, int32_t icon, std::optional<int32_t> auto_hide) {
  Control* control = MethodTargetOrDie(window_id, control_id, kTypeBalloonTip);
  return PopUpBalloonTipOf(control, x, y, text, icon, auto_hide.value_or(0) != 0);
}

std::unique_ptr<QMenu> CreatePopupMenu(uint32_t window_id, uint32_t menu_item_id) {
  LoadedWindow* lw = Loaded(window_id);
  if (!lw) return nullptr;
  std::vector<size_t> menu = MenuPositions(lw->items);
  size_t k = 0;
  while (k < menu.size() && lw->items[menu[k]].def.id != menu_item_id) ++k;
  if (k >= menu.size()) return nullptr;
  int32_t level = lw->items[menu[k]].def.level;
  if (k + 1 >= menu.size() || lw->items[menu[k + 1]].def.level <= level) return nullptr;
  auto popup = std::make_unique<QMenu>(lw->widget);
  popup->setObjectName(QStringLiteral("popup_menu"));
  for (size_t j = k + 1; j < menu.size(); ++j) {
    const ItemDef& item = lw->items[menu[j]].def;
    if (item.level <= level) break;
    if (item.level != level + 1) continue;
    QAction* a = popup->addAction(Q(item.caption));
    a->setEnabled(!(item.menu_flags & kMenuFlagDisabled));
    a->setCheckable(item.menu_flags & kMenuFlagChecked);
    a->setChecked(item.menu_flags & kMenuFlagChecked);
    int32_t command = kFirstMenuCommand + static_cast<int32_t>(j);
    // The chosen command arrives as a posted message, after the menu has closed.
    QObject::connect(a, &QAction::triggered, lw->widget, [window_id, command] {
      QTimer::singleShot(0, qApp,
                         [window_id, command] { DispatchMenuCommand(window_id, command); });
    });
  }
  return popup;
}

}  // namespace rc::forms
