// The main window's right-click menu, and the size of the program's windows that it sets.
//
// The menu's entries are menu items of the main window's definition, under the hidden item
// "菜单" (as the class window's class menu is); BindMainWindowMenuHandlers binds each entry
// and ShowMainWindowMenu sets the check marks when the menu opens. An entry joins the menu in
// those places.
//
// Entries: 点名方式 with "完全随机" and "一轮不重复" (app/fair_round.h), and 大小 with
// 100 %, 150 %, 200 % and 300 %.
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

// Binds the window's right click and every entry of the menu. Returns whether the
// definitions bind all of them; all are bound that can be.
[[nodiscard]] bool BindMainWindowMenuHandlers();

// A right click in the main window: the menu at the mouse, the current choices checked. The
// window does not hide while the menu is open.
void ShowMainWindowMenu();

// A size entry: keeps the size in the settings and, since it takes effect at the next start,
// offers to start the program again now.
void ChooseSize(int32_t percent);

}  // namespace rc::app

#endif  // ROLLCALL_APP_MAIN_WINDOW_MENU_H_
