// Commands sent to the running program through its instance marker (core/named_event.h),
// handed to the application on the user-interface thread as they arrive.
#ifndef ROLLCALL_SERVICES_HOTKEYS_INSTANCE_COMMANDS_H_
#define ROLLCALL_SERVICES_HOTKEYS_INSTANCE_COMMANDS_H_

#include <functional>
#include <string>

#include "core/text.h"

namespace rc {

using InstanceCommandHandler = std::function<void(const std::string& message)>;

// From now on, each message that a process of the same user sends to the marker
// `event_name`, held by this process, goes to `handler`: one message per pass of the event
// loop, so a handler that opens a modal window leaves the next message to that window's
// loop, as a key press would be. Messages that arrived before this call are dropped: nothing
// could act on them yet. False when this process holds no such marker. Needs the
// QCoreApplication; the listening ends with it.
bool ListenForInstanceCommands(const Text& event_name, InstanceCommandHandler handler);

}  // namespace rc

#endif  // ROLLCALL_SERVICES_HOTKEYS_INSTANCE_COMMANDS_H_
