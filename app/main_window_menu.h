// The main window's right-click menu, and the size of the program's windows that it sets.
//
// The menu's entries are menu items of the main window's definition (a hidden item whose
// sub-items pop up, as the class window's class menu does); BindMainWindowMenu binds each
// entry's handler. An entry joins the menu in those two places.
//
// User-interface thread only, except ApplyChosenSize.
#ifndef ROLLCALL_APP_MAIN_WINDOW_MENU_H_
#define ROLLCALL_APP_MAIN_WINDOW_MENU_H_

#include <cstdint>
#include <optional>
#include <string_view>

namespace rc::app {

// A size (per cent of the desktop's own scaling) as the settings file holds it; nothing for a
// value that is not one of the sizes the menu offers.
std::optional<int32_t> ParseSize(std::string_view value);

// Sizes the program's windows as the settings say (100 % without a choice). The program
// calls it once, before the QApplication exists.
void ApplyChosenSize();

// The window's right click: pops the menu up at the mouse, the chosen size checked. The
// window does not hide while the menu is open.
void ShowMainWindowMenu();

// Binds the handlers of the menu's entries. False when the definitions lack one.
[[nodiscard]] bool BindMainWindowMenu();

// A size entry: keeps the size in the settings and, since it takes effect at the next start,
// offers to start the program again now.
void ChooseSize(int32_t percent);

}  // namespace rc::app

#endif  // ROLLCALL_APP_MAIN_WINDOW_MENU_H_
