// The form runtime: turns the window definitions into windows and controls, lets the
// application read and write control properties by index, and routes the controls'
// notifications to the application's handlers by event index.
//
// Windows and controls are addressed by the identifiers of forms/ids.h (WindowId, ControlId)
// that the definitions give them. A control id of 0 (kWindowItself), or the window's own item
// id, addresses the window.
//
// Everything here runs on the user-interface thread, after the QApplication exists.
#ifndef ROLLCALL_FORMS_RUNTIME_H_
#define ROLLCALL_FORMS_RUNTIME_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "core/value.h"
#include "forms/ids.h"

class QMenu;
class QWidget;

namespace rc::forms {

// Decodes the program's window-definition block (fatal "载入窗口模板数据段出错!" when it
// cannot be read), installs the fatal-error box as the process's fatal-error handler and maps
// "宋体" to an installed CJK font. Call once, after the QApplication is created. The block is
// read here and not kept.
void InitFormRuntime(std::span<const uint8_t> block);

// Loads the start-up window (not modal, no owner); fatal "载入启动窗口失败" on failure.
// Closing the start-up window ends the message loop.
void LoadStartupWindow(WindowId window_id);

// Runs the message loop until the start-up window is closed; returns at once when no window
// is loaded. Returns the loop's exit code.
int RunMessageLoop();

// Loads a window. A modal load ignores the owner, disables the other loaded windows until it
// is closed and, for a visible window, returns only after it has been closed. A non-modal
// load with an owner that is not loaded fails. Loading a loaded window brings it forward.
[[nodiscard]] bool LoadWindow(WindowId window_id, std::optional<WindowId> owner, bool modal);

// Asks a loaded window to close, as its close box does: raises the close query
// (kEventCloseQuery), and destroys the window unless a handler returned 0. True when the
// window was destroyed.
[[nodiscard]] bool CloseWindow(WindowId window_id);

[[nodiscard]] bool IsWindowLoaded(WindowId window_id);

// Properties by index: 0 left, 1 top, 2 width, 3 height, 4 tag, 5 visible, 6 disabled,
// 7 cursor, 8 and up the type's own. Values are int32_t, Logical, Text or ByteSet. `part`
// selects a part of a compound property; -1 is the whole value. Misuse is fatal: a window
// that is not defined, or a type-specific property of a control that does not exist.
Value ReadProperty(WindowId window_id, ControlId control_id, int32_t index, int32_t part = -1);
void WriteProperty(WindowId window_id, ControlId control_id, int32_t index, const Value& value,
                   int32_t part = -1);
// Convenience forms of the above for the common value kinds.
int32_t ReadInt(WindowId window_id, ControlId control_id, int32_t index);
Text ReadText(WindowId window_id, ControlId control_id, int32_t index);
bool ReadLogical(WindowId window_id, ControlId control_id, int32_t index);

// An application handler: gets the event's arguments (0 when the event has fewer) and
// returns its integer result (for the close query: 0 keeps the window open).
using EventHandler = std::function<int32_t(int32_t arg1, int32_t arg2)>;

// Registers the application's handler for an event that the definitions bind. Menu items
// have one event; bind it as kEventMenuChosen. Returns false (and registers nothing) when the
// definitions do not bind that event, so a mistyped id is caught where it is made.
[[nodiscard]] bool BindHandler(WindowId window_id, ControlId control_id, int32_t event,
                               EventHandler handler);

struct EventResult {
  bool handled = false;
  int32_t result = 0;
};

// Raises an event: the handler bound to it runs with the arguments, with the current event
// source set to (window, control). Unbound events do nothing. Misuse is fatal. After a fatal
// error has started nothing is dispatched.
EventResult RaiseEvent(WindowId window_id, ControlId control_id, int32_t event, int32_t arg1 = 0,
                       int32_t arg2 = 0);

// The window and control whose event is running (both 0 outside any handler).
struct EventSource {
  WindowId window_id;
  ControlId control_id;
};
EventSource CurrentEventSource();

// The widget of a loaded window or control; nullptr when the window is not loaded or the
// id names nothing. For the services layer (message boxes, hot keys, skin, list and combo
// methods); the application itself never touches widgets.
QWidget* WindowWidget(WindowId window_id);
QWidget* ControlWidget(WindowId window_id, ControlId control_id);

// The caption of a label as last set, safe to read from any thread (the runtime publishes a
// copy whenever the caption changes). The empty text for a label that was never loaded.
Text PublishedLabelCaption(WindowId window_id, ControlId control_id);

// Control methods. Both are fatal ("指定窗口或窗口组件不存在或尚未载入") when the control
// does not exist or its window is not loaded.
// The list view of a loaded window, for the list-view methods.
QWidget* ListViewWidgetOrDie(WindowId window_id, ControlId control_id);
// The balloon tip's pop-up: shows `text` anchored at (x, y) in screen pixels. An icon index
// of -1 shows no icon; auto_hide absent or 0 keeps the tip up. Returns true.
bool PopUpBalloonTipControl(WindowId window_id, ControlId control_id, int32_t x, int32_t y,
                            const Text& text, int32_t icon = -1,
                            std::optional<int32_t> auto_hide = std::nullopt);

// A pop-up menu of the sub-items of a window's menu item, whose entries raise the menu
// items' events when chosen. nullptr when the window is not loaded, the item is not one of
// its menu items or it has no sub-items. The menu is parented to the window. A sub-item that
// has sub-items of its own is a submenu.
std::unique_ptr<QMenu> CreatePopupMenu(WindowId window_id, ControlId menu_item_id);

// Sets or clears the check mark of a menu item of a loaded window, for the menus made from
// then on; the definition keeps its own. False when the window is not loaded or the item is
// not one of its menu items.
bool SetMenuItemChecked(WindowId window_id, ControlId menu_item_id, bool checked);

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_RUNTIME_H_
