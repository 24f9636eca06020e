// The one way the system stops on a fatal runtime error (misuse of the form runtime, reading
// a field that does not exist): a message, then the process ends with exit code -1.
#ifndef ROLLCALL_CORE_FATAL_H_
#define ROLLCALL_CORE_FATAL_H_

#include <cstdint>

#include "core/text.h"

namespace rc {

// Shows the error and ends the process; must not return. The form runtime installs one that
// shows the error box; until then the default writes the error to standard error.
using FatalErrorHandler = void (*)(int32_t code, const Text& message);

void SetFatalErrorHandler(FatalErrorHandler handler);

// Hands the error to the installed handler. If the handler returns, the process ends here
// with exit code -1 all the same.
[[noreturn]] void RaiseFatalError(int32_t code, const Text& message);

}  // namespace rc

#endif  // ROLLCALL_CORE_FATAL_H_
