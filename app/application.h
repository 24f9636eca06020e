// The application: the handlers of the three windows, bound to the windows' events.
#ifndef ROLLCALL_APP_APPLICATION_H_
#define ROLLCALL_APP_APPLICATION_H_

#include "app/roll.h"

namespace rc::app {

// Binds every handler of the application and sets the function that reads each pick aloud.
// Call after InitFormRuntime and before the main window is loaded. False when the
// definitions do not bind one of the events the application handles (a mistyped id); the
// rest are bound all the same.
[[nodiscard]] bool RegisterApplicationHandlers(SpeakFunction speak);

}  // namespace rc::app

#endif  // ROLLCALL_APP_APPLICATION_H_
