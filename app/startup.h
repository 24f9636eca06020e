// Start-up of the application: the handlers that run when the main window comes up.
#ifndef ROLLCALL_APP_STARTUP_H_
#define ROLLCALL_APP_STARTUP_H_

namespace rc::app {

// Binds the start-up handlers to the main window's events. Call after InitFormRuntime and
// before LoadStartupWindow.
void RegisterStartupHandlers();

// The main window's creation event (0): the place where start-up work is done.
void OnMainWindowCreated();

}  // namespace rc::app

#endif  // ROLLCALL_APP_STARTUP_H_
