#include "app/commands.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "app/main_window.h"
#include "app/windows.h"
#include "core/named_event.h"
#include "forms/ids.h"
#include "services/hotkeys/hot_keys.h"
#include "services/hotkeys/instance_commands.h"
#include "services/windows/window_commands.h"

namespace rc::app {
namespace {

struct CommandName {
  std::string_view option;
  std::string_view message;  // what goes over the instance marker
  KeyCommand command;
};

constexpr CommandName kCommands[] = {
    {"--roll", "roll", kRollCommand},
    {"--wrong", "wrong", kWrongCommand},
    {"--statistics", "statistics", kStatisticsCommand},
    {"--show", "show", kShowCommand},
};

constexpr char kUsage[] = "usage: rollcall [--roll | --wrong | --statistics | --show]\n";

const CommandName* FindOption(std::string_view option) {
  for (const CommandName& name : kCommands) {
    if (name.option == option) return &name;
  }
  return nullptr;
}

KeyCommand CommandOfMessage(std::string_view message) {
  for (const CommandName& name : kCommands) {
    if (name.message == message) return name.command;
  }
  return kNoCommand;
}

}  // namespace

std::optional<int> RunCommandLine(int argc, const char* const* argv) {
  const CommandName* command = nullptr;
  bool other_arguments = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (!argument.starts_with("--")) {
      other_arguments = true;  // Qt's own options and their values
      continue;
    }
    if (argument == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    const CommandName* found = FindOption(argument);
    if (!found || command) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    command = found;
  }
  if (!command) return std::nullopt;
  if (other_arguments) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  switch (SendToNamedEvent(InstanceMarkerName(), command->message)) {
    case NamedEventSend::kDelivered:
      return 0;
    case NamedEventSend::kNoHolder:
      std::fputs("rollcall: not running\n", stderr);
      return 1;
    case NamedEventSend::kFailed:
      break;
  }
  std::fputs("rollcall: the running program takes no commands\n", stderr);
  return 1;
}

void ListenForCommands() {
  ListenForInstanceCommands(InstanceMarkerName(), [](const std::string& message) {
    const KeyCommand command = CommandOfMessage(message);
    if (command == kNoCommand) return;
    // Looked up at each command: the main window's native window changes with its frame,
    // the label keeps its own.
    SendHotKeyNotification(WindowHandle(kMainWindow, kNameLabel), 0, command);
  });
}

}  // namespace rc::app
