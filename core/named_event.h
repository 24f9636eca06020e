// A system-wide named marker, the stand-in for a named event object that tells a second
// running copy of the program from the first.
//
// The marker is scoped to the user and the X display: another user, or the same user on
// another display, has markers of their own. It is held by the process that made it until
// that process ends, however it ends (a crash or SIGKILL included): the kernel releases it,
// so nothing is left behind that could stop the next start. It creates no file.
//
// The holder can also be sent short messages through its marker. The kernel tells the holder
// which user sent each one, and only messages of the holder's own user are taken: anyone on
// the machine can reach the name.
#ifndef ROLLCALL_CORE_NAMED_EVENT_H_
#define ROLLCALL_CORE_NAMED_EVENT_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/text.h"

namespace rc {

// The longest message a holder takes; a longer one is dropped whole.
inline constexpr size_t kMaxNamedEventMessage = 64;

// Creates the marker `name` and holds it for the life of the process. False when a process
// holds it already (this one included), or when it cannot be made.
bool CreateNamedEvent(const Text& name);

// The scope part of a marker's system name: the user id and the X display taken from
// `display` (the DISPLAY variable), without its screen number, so ":1" and ":1.0" are one.
std::string NamedEventScope(unsigned user_id, const char* display);

enum class NamedEventSend {
  kDelivered,  // queued for the holder, which takes it when it next looks
  kNoHolder,   // no process holds the marker in this scope
  kFailed,     // held, but the message could not be queued (the holder takes none)
};

// Sends `message` (at most kMaxNamedEventMessage bytes) to the process that holds the marker
// `name` in this process's scope. Never blocks.
NamedEventSend SendToNamedEvent(const Text& name, std::string_view message);

// The descriptor that becomes readable when a message for the marker `name`, held by this
// process, is waiting; -1 when this process does not hold it. It stays owned by the marker.
int NamedEventDescriptor(const Text& name);

// Takes the next message of the holder's own user that waits on `descriptor`; messages of
// other users, and messages cut short because they were too long, are dropped on the way.
// Nothing when none is waiting, or after a long run of dropped ones (the descriptor then
// stays readable). Never blocks.
std::optional<std::string> TakeNamedEventMessage(int descriptor);

}  // namespace rc

#endif  // ROLLCALL_CORE_NAMED_EVENT_H_
