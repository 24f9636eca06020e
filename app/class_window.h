// The class management window: the classes, the students of the class clicked, creating a
// class from pasted names and deleting one. The class operations themselves are the class
// store's.
//
// While the window is open, "数据库" is the class last clicked in it (or nothing); closing
// it makes the first class of the main window's combo the roll's class again.
//
// User-interface thread only.
#ifndef ROLLCALL_APP_CLASS_WINDOW_H_
#define ROLLCALL_APP_CLASS_WINDOW_H_

namespace rc::app {

// Binds the handlers of the class management window's events. Returns whether the
// definitions bind every one of those events; all are bound that can be.
[[nodiscard]] bool BindClassWindowHandlers();

// "管理": closes the roll's class and loads the window modal; returns when it has been closed.
void OpenManagementWindow();

}  // namespace rc::app

#endif  // ROLLCALL_APP_CLASS_WINDOW_H_
