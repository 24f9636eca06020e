// The library commands that work on windows: message boxes, event pumping, native window
// handles, loading windows, pop-up menus, and the combo-box and list-view methods.
//
// A window reference is a window id; a control reference is (window id, control id), where
// control id 0 (forms::kWindowItself) or the window's own item id names the window. All of
// these run on the user-interface thread only. None shows a message or stops the program on
// bad input, except the list-view methods, which are control methods of the form runtime: on
// a list view that does not exist or whose window is not loaded they are a fatal runtime
// error.
#ifndef ROLLCALL_SERVICES_WINDOWS_WINDOW_COMMANDS_H_
#define ROLLCALL_SERVICES_WINDOWS_WINDOW_COMMANDS_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "core/text.h"
#include "core/value.h"
#include "forms/ids.h"
#include "services/native_handle.h"

namespace rc {

// Message-box style bits (buttons, icon, default button, modality).
constexpr int32_t kMbOk = 0x0;
constexpr int32_t kMbOkCancel = 0x1;
constexpr int32_t kMbAbortRetryIgnore = 0x2;
constexpr int32_t kMbYesNoCancel = 0x3;
constexpr int32_t kMbYesNo = 0x4;
constexpr int32_t kMbRetryCancel = 0x5;
constexpr int32_t kMbIconError = 0x10;
constexpr int32_t kMbIconQuestion = 0x20;
constexpr int32_t kMbIconWarning = 0x30;
constexpr int32_t kMbIconInformation = 0x40;
constexpr int32_t kMbDefaultButton2 = 0x100;
constexpr int32_t kMbDefaultButton3 = 0x200;
constexpr int32_t kMbSystemModal = 0x1000;
constexpr int32_t kMbTaskModal = 0x2000;

// Result codes: which button closed the box.
constexpr int32_t kResultOk = 0;
constexpr int32_t kResultCancel = 1;
constexpr int32_t kResultAbort = 2;
constexpr int32_t kResultRetry = 3;
constexpr int32_t kResultIgnore = 4;
constexpr int32_t kResultYes = 5;
constexpr int32_t kResultNo = 6;

// Shows `message` (numbers, logicals and date-times as ToText gives them, a text as it is,
// the empty text for anything else) in a box without owner, titled `caption` (default
// "信息："). Unless the system-modal bit is set, the box is task-modal: every top-level window
// of the program is disabled while it is open. Returns the result code of the button that
// closed it, kResultOk to kResultNo.
int32_t ShowMessage(const Value& message, int32_t flags,
                    const std::optional<Text>& caption = std::nullopt);

// Dispatches the pending events and returns when none is left.
void ProcessEvents();

// The native window handle (the X11 window id) of a loaded window or control; 0 when the
// reference names no loaded window or control.
NativeHandle WindowHandle(forms::WindowId window_id,
                          forms::ControlId control_id = forms::kWindowItself);

// Makes a loaded top-level window visible above every other window without taking the
// keyboard focus from the program that has it (a presenter's clicker keeps turning the
// slides). While the active window is full screen the window is shown outside the window
// manager's care, at its usual place, since window managers keep an active full-screen
// window above all others; otherwise it is shown framed, staying on top. A visible window
// is left alone unless the mode must change, or raised again when unmanaged. Nothing
// happens for a window not loaded.
void ShowWindowOnTop(forms::WindowId window_id);

// Moves a loaded top-level window's frame corner to (x, y) in one step, so that the window
// manager sees no place in between. Nothing happens for a window not loaded.
void MoveWindowTo(forms::WindowId window_id, int32_t x, int32_t y);

// Loads a window from its definition (forms::LoadWindow), first making sure that a parent,
// when one is given, is loaded. False when it is not, or the window cannot be loaded.
[[nodiscard]] bool OpenWindow(forms::WindowId window_id,
                              std::optional<forms::WindowId> parent_window_id, bool modal);

// Pops up the sub-items of a menu item of the window at the mouse position + (3, 3), or at
// x and/or y (screen pixels) when given, and returns after the menu has closed. Choosing an
// entry raises that menu item's event, as the menu bar would.
void PopUpMenu(forms::WindowId window_id, forms::ControlId menu_item_id,
               std::optional<int32_t> x = std::nullopt, std::optional<int32_t> y = std::nullopt);

// Combo-box methods.
Text ComboItemText(forms::WindowId window_id, forms::ControlId control_id, int32_t index);
int32_t ComboAddItem(forms::WindowId window_id, forms::ControlId control_id, const Text& text,
                     std::optional<int32_t> item_data = std::nullopt);
void ComboClear(forms::WindowId window_id, forms::ControlId control_id);

// List-view methods (report view: rows of cells in columns).
Text ListCellText(forms::WindowId window_id, forms::ControlId control_id, int32_t row,
                  std::optional<int32_t> column = std::nullopt);
void ListSetCellText(forms::WindowId window_id, forms::ControlId control_id, int32_t row,
                     std::optional<int32_t> column = std::nullopt,
                     const std::optional<Text>& text = std::nullopt);
int32_t ListInsertRow(forms::WindowId window_id, forms::ControlId control_id,
                      std::optional<int32_t> position = std::nullopt,
                      const std::optional<Text>& text = std::nullopt,
                      std::optional<int32_t> image = std::nullopt,
                      std::optional<int32_t> state_image = std::nullopt,
                      std::optional<int32_t> indent = std::nullopt,
                      std::optional<int32_t> row_data = std::nullopt);
void ListDeleteAllRows(forms::WindowId window_id, forms::ControlId control_id);
// The column titles, then every row's cells, in the order the list shows them.
std::vector<std::vector<Text>> ListTable(forms::WindowId window_id, forms::ControlId control_id);

}  // namespace rc

#endif  // ROLLCALL_SERVICES_WINDOWS_WINDOW_COMMANDS_H_
