// The main window's right-click menu. Its entries are defined with the window, under the
// hidden item "菜单"; this file binds each entry and sets the check marks when the menu opens.
// An entry added to the menu is bound in BindMainWindowMenuHandlers and, when it shows a
// choice, checked in ShowMainWindowMenu.
//
// Entries: 点名方式 with "完全随机" and "一轮不重复" (app/fair_round.h).
//
// User-interface thread only.
#ifndef ROLLCALL_APP_MAIN_WINDOW_MENU_H_
#define ROLLCALL_APP_MAIN_WINDOW_MENU_H_

namespace rc::app {

// Binds the window's right click and every entry of the menu. Returns whether the
// definitions bind all of them; all are bound that can be.
[[nodiscard]] bool BindMainWindowMenuHandlers();

// A right click in the main window: the menu, the current choices checked. The window stays
// up while the teacher chooses.
void ShowMainWindowMenu();

}  // namespace rc::app

#endif  // ROLLCALL_APP_MAIN_WINDOW_MENU_H_
