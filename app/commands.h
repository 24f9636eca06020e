// The commands `rollcall --roll`, `--wrong`, `--statistics` and `--show`: a second process
// of the same user asks the running program to do what C, X or V would, or C without a roll.
// The sending side runs before anything of Qt starts; the running program hands each
// command to 标签1's notification event, the same handler the hot keys reach.
#ifndef ROLLCALL_APP_COMMANDS_H_
#define ROLLCALL_APP_COMMANDS_H_

#include <cstdint>
#include <optional>

namespace rc::app {

// What a command asks for. A command reaches 标签1's notification event as (0, command):
// a hot key's press always carries its identifier, never 0.
enum KeyCommand : int32_t {
  kNoCommand = 0,
  kRollCommand = 1,        // C
  kWrongCommand = 2,       // X
  kStatisticsCommand = 3,  // V
  kShowCommand = 4,        // C without a roll
};

// The program's command line, looked at before Qt starts. With one of the commands, sends it
// to the running program and returns the exit code: 0 delivered, 1 not running (said on
// stderr), 2 for an unknown option or a command among other arguments (a usage line on
// stderr); --help prints the usage line and gives 0. Nothing for an ordinary start: no
// arguments, or only Qt's own (which begin with a single "-").
std::optional<int> RunCommandLine(int argc, const char* const* argv);

// From now on the running program takes the commands of other processes. Call from the
// main window's creation, once the keys are registered and the class is open.
void ListenForCommands();

}  // namespace rc::app

#endif  // ROLLCALL_APP_COMMANDS_H_
