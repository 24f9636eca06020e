// Start-up time and memory of programs against each other, measured in the same run and in
// the same way for every program:
//   - start-up: on the steady clock, from just before the program is spawned to the
//     MapNotify of its first top-level window, whatever window that is (seen by this X
//     client on the root window, so run it without a window manager, which would reparent
//     the windows). The window's title must contain FIRST, so that the figure says which
//     window it timed; a run whose first window is another fails the probe.
//   - memory: Rss and Anonymous from /proc/PID/smaps_rollup once the program has settled,
//     --idle-ms after its finished window was mapped. For a program whose first window is
//     already its finished one (SETTLED is "-"), that is the first window. Otherwise the
//     probe closes the first window as its close box would (WM_DELETE_WINDOW) and waits for
//     a window whose title contains SETTLED.
// The subjects take turns, each round in another order; the first round only warms the
// caches and is not counted. Each subject's figures are also given as ratios to each
// baseline's: the ratio of the medians, and the spread of the ratios of the rounds.
//
// Usage: startup_probe [--runs N] [--idle-ms MS] [--keep-smaps DIR]
//                      --subject NAME FIRST SETTLED PROGRAM [ARGS...] ...
//                      --baseline NAME FIRST SETTLED PROGRAM [ARGS...] ...
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/map_watch.h"

extern char** environ;

namespace {

using rc::bench::Clock;
using rc::bench::Display;
using rc::bench::Mapped;
using rc::bench::Median;
using rc::bench::PrintSpread;
using rc::bench::Quantile;

constexpr auto kWindowTimeout = std::chrono::seconds(20);
constexpr double kStartupTarget = 1.3, kAnonymousTarget = 1.3, kRssTarget = 1.25;

struct Subject {
  bool baseline = false;
  std::string name, first_title, settled_title;  // settled_title empty: the first window
  std::vector<std::string> argv;
  std::vector<double> startup_ms, rss_kb, anonymous_kb;
};

struct Memory {
  double rss_kb = 0, anonymous_kb = 0;
};

std::optional<Memory> ReadMemory(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
  Memory memory;
  std::string key;
  double kb = 0;
  while (in >> key) {
    if (key == "Rss:" && in >> kb)
      memory.rss_kb = kb;
    else if (key == "Anonymous:" && in >> kb)
      memory.anonymous_kb = kb;
    in.ignore(1 << 20, '\n');
  }
  if (memory.rss_kb == 0) return std::nullopt;
  return memory;
}

void CopyFile(const std::string& from, const std::string& to) {
  std::ifstream in(from);
  std::ofstream out(to);
  out << in.rdbuf();
}

// One start of a subject; false (and why, on stderr) when it did not come up as expected.
bool RunOnce(Display& display, Subject& subject, int idle_ms, bool count,
             const std::string& keep_smaps) {
  std::vector<char*> argv;
  for (std::string& arg : subject.argv) argv.push_back(arg.data());
  argv.push_back(nullptr);
  display.Drain();
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    std::fprintf(stderr, "%s: cannot start %s\n", subject.name.c_str(), argv[0]);
    return false;
  }
  const auto end = [&] {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  };
  const std::optional<Mapped> first = display.WaitForMap("", start + kWindowTimeout);
  if (!first || first->title.find(subject.first_title) == std::string::npos) {
    std::fprintf(stderr, "%s: the first window was %s, not one titled \"%s\"\n",
                 subject.name.c_str(),
                 first ? ("\"" + first->title + "\"").c_str() : "never mapped",
                 subject.first_title.c_str());
    end();
    return false;
  }
  if (!subject.settled_title.empty()) {
    display.Close(first->window);
    if (!display.WaitForMap(subject.settled_title, Clock::now() + kWindowTimeout)) {
      std::fprintf(stderr, "%s: no window titled \"%s\" after \"%s\" was closed\n",
                   subject.name.c_str(), subject.settled_title.c_str(), first->title.c_str());
      end();
      return false;
    }
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(idle_ms));
  const std::optional<Memory> memory = ReadMemory(pid);
  if (!keep_smaps.empty()) {
    CopyFile("/proc/" + std::to_string(pid) + "/smaps",
             keep_smaps + "/" + subject.name + ".smaps");
  }
  end();
  if (!memory) {
    std::fprintf(stderr, "%s: ended before its memory was read\n", subject.name.c_str());
    return false;
  }
  if (count) {
    subject.startup_ms.push_back(
        std::chrono::duration<double, std::milli>(first->at - start).count());
    subject.rss_kb.push_back(memory->rss_kb);
    subject.anonymous_kb.push_back(memory->anonymous_kb);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 10, idle_ms = 1500;
  std::string keep_smaps;
  std::vector<Subject> subjects;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc)
      runs = std::atoi(argv[++i]);
    else if (arg == "--idle-ms" && i + 1 < argc)
      idle_ms = std::atoi(argv[++i]);
    else if (arg == "--keep-smaps" && i + 1 < argc)
      keep_smaps = argv[++i];
    else if ((arg == "--subject" || arg == "--baseline") && i + 4 < argc) {
      Subject s;
      s.baseline = arg == "--baseline";
      s.name = argv[i + 1];
      s.first_title = argv[i + 2];
      if (std::strcmp(argv[i + 3], "-") != 0) s.settled_title = argv[i + 3];
      s.argv = {argv[i + 4]};
      subjects.push_back(std::move(s));
      i += 4;
    } else if (!subjects.empty())
      subjects.back().argv.push_back(arg);
  }
  Display display;
  if (subjects.empty() || runs < 1 || !display.ok()) {
    std::fprintf(stderr,
                 "usage: startup_probe [--runs N] [--idle-ms MS] [--keep-smaps DIR] "
                 "--subject|--baseline NAME FIRST SETTLED|- PROGRAM [ARGS] ... (needs DISPLAY)\n");
    return 2;
  }
  for (int run = 0; run <= runs; ++run) {
    for (size_t k = 0; k < subjects.size(); ++k) {
      // Each round starts with another subject, so that none always follows the same one.
      Subject& subject = subjects[(k + static_cast<size_t>(run)) % subjects.size()];
      if (!RunOnce(display, subject, idle_ms, run > 0, run == 1 ? keep_smaps : std::string()))
        return 1;
    }
  }
  std::printf(
      "start-up: spawn to the first window mapped, %d starts each, the programs taking turns\n"
      "memory: %d ms after the finished window was mapped\n",
      runs, idle_ms);
  for (const Subject& s : subjects) {
    std::printf("  %s: first window \"%s\"", s.name.c_str(), s.first_title.c_str());
    if (!s.settled_title.empty())
      std::printf(", memory once it is closed and \"%s\" is up", s.settled_title.c_str());
    std::printf("\n    ");
    PrintSpread("start-up", s.startup_ms, " ms");
    std::printf("\n    Rss %.0f kB, Anonymous %.0f kB (medians)\n", Median(s.rss_kb),
                Median(s.anonymous_kb));
  }
  for (const Subject& measured : subjects) {
    for (const Subject& base : subjects) {
      if (measured.baseline || !base.baseline) continue;
      std::vector<double> ratios;
      for (size_t i = 0; i < measured.startup_ms.size(); ++i)
        ratios.push_back(measured.startup_ms[i] / base.startup_ms[i]);
      std::printf(
          "  %s / %s: start-up %.2fx (target %.1fx)  Anonymous %.2fx (target %.1fx)  "
          "Rss %.2fx (target %.2fx)\n    ",
          measured.name.c_str(), base.name.c_str(),
          Median(measured.startup_ms) / Median(base.startup_ms), kStartupTarget,
          Median(measured.anonymous_kb) / Median(base.anonymous_kb), kAnonymousTarget,
          Median(measured.rss_kb) / Median(base.rss_kb), kRssTarget);
      PrintSpread("start-up ratio of each round:", ratios, "x");
      std::printf("\n");
    }
  }
  return 0;
}
