// A system-wide named marker, the stand-in for a named event object that tells a second
// running copy of the program from the first.
//
// The marker is scoped to the user and the X display: another user, or the same user on
// another display, has markers of their own. It is held by the process that made it until
// that process ends, however it ends (a crash or SIGKILL included): the kernel releases it,
// so nothing is left behind that could stop the next start. It creates no file.
#ifndef ROLLCALL_CORE_NAMED_EVENT_H_
#define ROLLCALL_CORE_NAMED_EVENT_H_

#include <string>

#include "core/text.h"

namespace rc {

// Creates the marker `name` and holds it for the life of the process. False when a process
// holds it already (this one included), or when it cannot be made.
bool CreateNamedEvent(const Text& name);

// The scope part of a marker's system name: the user id and the X display taken from
// `display` (the DISPLAY variable), without its screen number, so ":1" and ":1.0" are one.
std::string NamedEventScope(unsigned user_id, const char* display);

}  // namespace rc

#endif  // ROLLCALL_CORE_NAMED_EVENT_H_
