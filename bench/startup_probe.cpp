// Start-up time and memory of programs against each other, measured in the same run.
// Each subject is started again and again, the subjects taking turns; a run is timed on the
// steady clock from just before the program is spawned to the MapNotify of its first
// top-level window whose title contains the subject's title (seen by this X client on the
// root window, so run it without a window manager, which would reparent the windows). After
// the window has been up and idle for --idle-ms, the program's Rss and Anonymous are read
// from /proc/PID/smaps_rollup; then it is ended. The first run of each subject only warms
// the caches and is not counted.
//
// Usage: startup_probe [--runs N] [--idle-ms MS] [--keep-smaps DIR]
//                      --subject NAME TITLE PROGRAM [ARGS...] ...
//                      --baseline NAME TITLE PROGRAM [ARGS...] ...
// Each subject's figures are also given as ratios to each baseline's.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

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

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Subject {
  bool baseline = false;
  std::string name, title;
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

class Display {
 public:
  Display() : connection_(xcb_connect(nullptr, nullptr)) {
    if (!ok()) return;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    net_wm_name_ = Atom("_NET_WM_NAME");
    utf8_string_ = Atom("UTF8_STRING");
  }
  ~Display() { xcb_disconnect(connection_); }
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  bool ok() const { return !xcb_connection_has_error(connection_); }

  // Waits for a top-level window whose title contains `title` to be mapped; returns when
  // that MapNotify arrived.
  std::optional<Clock::time_point> WaitForMap(const std::string& title,
                                              Clock::time_point deadline) {
    pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
    while (true) {
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const auto now = Clock::now();
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
        const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
        std::free(event);
        if (mapped && Title(window).find(title) != std::string::npos) return now;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0 || !ok()) return std::nullopt;
      poll(&fd, 1, static_cast<int>(left.count()));
    }
  }

 private:
  xcb_atom_t Atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
  }
  std::string Title(xcb_window_t window) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, net_wm_name_, utf8_string_, 0, 1024),
        nullptr);
    std::string title;
    if (reply) {
      title.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                   static_cast<size_t>(xcb_get_property_value_length(reply)));
    }
    std::free(reply);
    return title;
  }

  xcb_connection_t* connection_;
  xcb_window_t root_ = 0;
  xcb_atom_t net_wm_name_ = XCB_ATOM_NONE, utf8_string_ = XCB_ATOM_NONE;
};

// One start of a subject; false when its window did not come up.
bool RunOnce(Display& display, Subject& subject, int idle_ms, bool count,
             const std::string& keep_smaps) {
  std::vector<char*> argv;
  for (std::string& arg : subject.argv) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  const auto mapped = display.WaitForMap(subject.title, start + std::chrono::seconds(20));
  std::optional<Memory> memory;
  if (mapped) {
    std::this_thread::sleep_for(std::chrono::milliseconds(idle_ms));
    memory = ReadMemory(pid);
    if (!keep_smaps.empty()) {
      CopyFile("/proc/" + std::to_string(pid) + "/smaps",
               keep_smaps + "/" + subject.name + ".smaps");
    }
  }
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  if (!mapped || !memory) return false;
  if (count) {
    subject.startup_ms.push_back(
        std::chrono::duration<double, std::milli>(*mapped - start).count());
    subject.rss_kb.push_back(memory->rss_kb);
    subject.anonymous_kb.push_back(memory->anonymous_kb);
  }
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
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
    else if ((arg == "--subject" || arg == "--baseline") && i + 3 < argc) {
      subjects.push_back(
          {arg == "--baseline", argv[i + 1], argv[i + 2], {argv[i + 3]}, {}, {}, {}});
      i += 3;
    } else if (!subjects.empty())
      subjects.back().argv.push_back(arg);
  }
  Display display;
  if (subjects.empty() || !display.ok()) {
    std::fprintf(stderr,
                 "usage: startup_probe [--runs N] [--idle-ms MS] --subject|--baseline "
                 "NAME TITLE PROGRAM [ARGS] ... (needs DISPLAY)\n");
    return 2;
  }
  for (int run = 0; run <= runs; ++run) {
    for (Subject& subject : subjects) {
      if (!RunOnce(display, subject, idle_ms, run > 0, run == 1 ? keep_smaps : std::string())) {
        std::fprintf(stderr, "%s: no window titled \"%s\"\n", subject.name.c_str(),
                     subject.title.c_str());
        return 1;
      }
    }
  }
  std::printf(
      "start-up and memory: %d starts each, memory read %d ms after the window was mapped\n", runs,
      idle_ms);
  for (const Subject& s : subjects) {
    std::printf(
        "  %-18s start-up median %6.1f ms (fastest %6.1f)   Rss %7.0f kB   Anonymous %7.0f kB\n",
        s.name.c_str(), Median(s.startup_ms),
        *std::min_element(s.startup_ms.begin(), s.startup_ms.end()), Median(s.rss_kb),
        Median(s.anonymous_kb));
  }
  for (const Subject& measured : subjects) {
    for (const Subject& base : subjects) {
      if (measured.baseline || !base.baseline) continue;
      std::printf(
          "  %s / %s: start-up %.2fx (target 1.2x)  Anonymous %.2fx (target 1.3x)  "
          "Rss %.2fx (target 1.25x)\n",
          measured.name.c_str(), base.name.c_str(),
          Median(measured.startup_ms) / Median(base.startup_ms),
          Median(measured.anonymous_kb) / Median(base.anonymous_kb),
          Median(measured.rss_kb) / Median(base.rss_kb));
    }
  }
  return 0;
}
