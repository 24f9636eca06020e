#include "services/hotkeys/instance_commands.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <utility>

#include "core/named_event.h"

namespace rc {

bool ListenForInstanceCommands(const Text& event_name, InstanceCommandHandler handler) {
  const int descriptor = NamedEventDescriptor(event_name);
  if (descriptor < 0 || !QCoreApplication::instance()) return false;
  while (TakeNamedEventMessage(descriptor)) {
  }
  // A child of the application, so it goes before the event loop it needs does.
  auto* notifier =
      new QSocketNotifier(descriptor, QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                   [descriptor, handler = std::move(handler)] {
                     // Any more waiting keep the descriptor readable for the next pass.
                     if (std::optional<std::string> message = TakeNamedEventMessage(descriptor))
                       handler(*message);
                   });
  return true;
}

}  // namespace rc
