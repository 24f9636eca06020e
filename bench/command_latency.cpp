// The delay of a command to the running program, as a teacher's key bound to
// `rollcall --roll` in the desktop's settings sees it: on the steady clock, from just before
// the command is spawned to the MapNotify of the main window it shows. The program runs
// hidden between rounds: each round waits until its countdown has hidden the window again.
// Also the command's own run, spawn to exit; the same message sent by this probe itself, no
// process started, to the window mapped (the running program's share); and as a floor PROGRAM --help, which loads
// the same libraries and does nothing, and /bin/true, a process start alone. The first
// round only warms the caches.
//
// Usage: command_latency [--runs N] PROGRAM COMMAND
//   PROGRAM is started once (its start-up notice closed as its close box would), then
//   PROGRAM COMMAND is run N + 1 times. Run it on a private X server without a window
//   manager, which would reparent the windows (bench/app_bench.sh command).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "bench/map_watch.h"
#include "core/named_event.h"
#include "core/text.h"

extern char** environ;

namespace {

using rc::bench::Clock;
using rc::bench::Display;
using rc::bench::Mapped;

constexpr char kNoticeTitle[] = "信息：";
constexpr char kMainTitle[] = "按C键 随机点名";
constexpr double kTargetMs = 50;
// The window hides about 7.5 s after start-up and 3.5 s after a command.
constexpr auto kHideTimeout = std::chrono::seconds(20);
constexpr auto kMapTimeout = std::chrono::seconds(10);

double Ms(Clock::duration span) { return std::chrono::duration<double, std::milli>(span).count(); }

pid_t Spawn(std::vector<std::string> args, bool quiet = false) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed ? -1 : pid;
}

// Spawn to exit of `args`, `runs` times after one that warms the caches.
std::vector<double> RunTimes(const std::vector<std::string>& args, int runs) {
  std::vector<double> times;
  for (int run = 0; run <= runs; ++run) {
    const auto start = Clock::now();
    const pid_t pid = Spawn(args, true);
    if (pid < 0) break;
    waitpid(pid, nullptr, 0);
    if (run > 0) times.push_back(Ms(Clock::now() - start));
  }
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 21;
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc)
      runs = std::atoi(argv[++i]);
    else
      rest.push_back(arg);
  }
  Display display;
  if (rest.size() != 2 || runs < 1 || !display.ok()) {
    std::fprintf(stderr, "usage: command_latency [--runs N] PROGRAM COMMAND (needs DISPLAY)\n");
    return 2;
  }
  const pid_t program = Spawn({rest[0]});
  const auto fail = [&](const char* what) {
    std::fprintf(stderr, "command_latency: %s\n", what);
    kill(program, SIGTERM);
    waitpid(program, nullptr, 0);
    return 1;
  };
  if (program < 0) return fail("cannot start the program");
  const std::optional<Mapped> notice = display.WaitForMap(kNoticeTitle, Clock::now() + kMapTimeout);
  if (!notice) return fail("no start-up notice");
  display.Close(notice->window);
  if (!display.WaitForMap(kMainTitle, Clock::now() + kMapTimeout)) return fail("no main window");

  // Rounds alternate: the command, then its message alone.
  std::vector<double> map_ms, exit_ms, message_ms;
  for (int run = 0; run <= 2 * runs + 1; ++run) {
    if (!display.WaitForUnmap(kMainTitle, Clock::now() + kHideTimeout))
      return fail("the main window did not hide");
    display.Drain();
    const bool message_alone = run % 2 == 1;
    const auto start = Clock::now();
    pid_t command = -1;
    if (message_alone) {
      // What the command sends: its option without the dashes.
      if (rc::SendToNamedEvent(rc::Text("zelvoransoft"), rest[1].substr(2)) !=
          rc::NamedEventSend::kDelivered)
        return fail("the program takes no messages");
    } else if ((command = Spawn({rest[0], rest[1]})) < 0) {
      return fail("cannot start the command");
    }
    const std::optional<Mapped> shown = display.WaitForMap(kMainTitle, start + kMapTimeout);
    int status = 0;
    if (command > 0) waitpid(command, &status, 0);
    const auto ended = Clock::now();
    if (!shown) return fail("the command did not show the main window");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return fail("the command failed");
    if (run < 2) continue;
    if (message_alone) {
      message_ms.push_back(Ms(shown->at - start));
    } else {
      map_ms.push_back(Ms(shown->at - start));
      // Measured after the map is seen, so only an upper bound when the command ends first.
      exit_ms.push_back(Ms(ended - start));
    }
  }
  kill(program, SIGTERM);
  waitpid(program, nullptr, 0);
  std::printf("command %s to the running program, %d rounds:\n  ", rest[1].c_str(), runs);
  rc::bench::PrintSpread("spawn to the main window mapped:", map_ms, " ms");
  std::printf(" (target: median < %.0f ms)\n  ", kTargetMs);
  rc::bench::PrintSpread("spawn to the command's exit (or later):", exit_ms, " ms");
  std::printf("\n  ");
  rc::bench::PrintSpread("its message alone, sent by this probe, to the window mapped:",
                         message_ms, " ms");
  std::printf("\n  floor: ");
  rc::bench::PrintSpread("the program doing nothing (--help), spawn to exit:",
                         RunTimes({rest[0], "--help"}, runs), " ms");
  std::printf("\n  floor: ");
  rc::bench::PrintSpread("/bin/true, spawn to exit:", RunTimes({"/bin/true"}, runs), " ms");
  std::printf("\n");
  return 0;
}
