// The roll as the teacher sees it. Runs the application's own start-up and handlers (the
// notice is answered at once, as a teacher presses Return), hides the main window the way
// the countdown does, and then, again and again, presses C from a second X client through
// XTEST and watches the screen from that client:
//   - key to the main window being viewable, and to its pixels being those it had when it
//     was hidden (mapped and painted);
//   - key to the first rolled name showing in the name label, against its schedule: 100 ms
//     after the key (the first period of the roll);
//   - key (and the hot-key handler, where StartRoll runs) to the last tick having written the
//     pick, against the designed 1.05 s.
// The screen is read with GetImage from the watching thread; the user-interface thread only
// notes when its handlers run. Needs an X server (bench/app_bench.sh starts one) and a
// program folder with a class: the binary is meant to be copied beside a date/ folder.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "app/application.h"
#include "app/main_window.h"
#include "app/embedded_definitions.h"
#include "app/roll.h"
#include "app/windows.h"
#include "core/program_location.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/skin/skin_engine_module.h"
#include "services/speech/speech.h"

namespace {

using Clock = std::chrono::steady_clock;
using rc::app::kMainWindow;
using std::chrono::milliseconds;

constexpr milliseconds kFirstTickDue(rc::app::kFirstRollPeriodMs);
constexpr double kDesignedRollMs = 1050.0;  // 100 + 95 + ... + 5
constexpr int kRollTicks = 20;
constexpr auto kPollPause = std::chrono::microseconds(200);

double MsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// What the user-interface thread saw of one roll. Guarded by Trace::mutex.
struct RollTrace {
  Clock::time_point handler_start, first_tick_start, last_tick_end;
  Clock::duration in_ticks{};  // time spent in the tick handler, over all ticks
  int ticks = 0;
  bool done = false;
  rc::Text caption_before, first_caption;
};

struct Trace {
  std::mutex mutex;
  std::condition_variable changed;
  RollTrace roll;
};

// Where the watcher looks: the main window's X window and the name label inside it.
struct Target {
  xcb_window_t window = 0;
  int16_t label_x = 0, label_y = 0;
  uint16_t width = 0, height = 0, label_width = 0, label_height = 0;
};

template <typename F>
void OnUiThread(F f) {
  QMetaObject::invokeMethod(qApp, f, Qt::BlockingQueuedConnection);
}

// The second X client: presses C and reads the screen.
class Watcher {
 public:
  Watcher() : connection_(xcb_connect(nullptr, nullptr)) {
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, 'c');
    c_code_ = codes ? codes[0] : 0;
    std::free(codes);
    xcb_key_symbols_free(symbols);
  }
  ~Watcher() { xcb_disconnect(connection_); }
  Watcher(const Watcher&) = delete;
  Watcher& operator=(const Watcher&) = delete;

  bool ok() const { return !xcb_connection_has_error(connection_) && c_code_ != 0; }

  void PressC() {
    xcb_test_fake_input(connection_, XCB_KEY_PRESS, c_code_, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(connection_, XCB_KEY_RELEASE, c_code_, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection_);
  }

  // The pixels of a rectangle of the window; nothing while the window is not viewable.
  std::optional<std::vector<uint8_t>> Grab(xcb_window_t window, int16_t x, int16_t y,
                                           uint16_t width, uint16_t height) {
    xcb_generic_error_t* error = nullptr;
    xcb_get_image_reply_t* reply = xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window, x, y, width, height, ~0u),
        &error);
    std::free(error);
    if (!reply) return std::nullopt;
    const uint8_t* data = xcb_get_image_data(reply);
    std::vector<uint8_t> pixels(data, data + xcb_get_image_data_length(reply));
    std::free(reply);
    return pixels;
  }
  std::optional<std::vector<uint8_t>> GrabWindow(const Target& t) {
    return Grab(t.window, 0, 0, t.width, t.height);
  }
  std::optional<std::vector<uint8_t>> GrabLabel(const Target& t) {
    return Grab(t.window, t.label_x, t.label_y, t.label_width, t.label_height);
  }

 private:
  xcb_connection_t* connection_;
  xcb_keycode_t c_code_ = 0;
};

// Whether two images of the window differ in at most 1 % of their pixels. The window as
// start-up first shows it lacks a few pixels at its right edge that every later showing
// paints; an unpainted window differs nearly everywhere.
bool NearlyEqual(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size()) return false;
  size_t different = 0;
  for (size_t i = 0; i + 4 <= a.size(); i += 4) {
    if (std::memcmp(&a[i], &b[i], 4) != 0) ++different;
  }
  return different * 100 <= a.size() / 4;
}

struct Samples {
  std::vector<double> handler, mapped, painted, name_late, tick_late, tick_busy, roll_from_key,
      roll_from_handler;
  int same_name = 0;  // rolls whose first name was the one already shown: no change to see
  int failed = 0;
  const char* first_failure = nullptr;
};

// One roll: hides the window as the countdown does, presses C and watches. Returns what
// went wrong, or nullptr.
const char* MeasureOneRoll(Watcher& watcher, Trace& trace, Samples* samples) {
  Target target;
  OnUiThread([&] {
    // Keeps the window up without blinking while its settled picture is taken.
    rc::app::HideCountdown = rc::app::kHotKeyCountdown;
    QWidget* window = rc::forms::WindowWidget(kMainWindow);
    QWidget* label = rc::forms::ControlWidget(kMainWindow, rc::app::kNameLabel);
    // The label is wider than the narrow window; only its visible part can be read.
    const QRect seen = QRect(label->mapTo(window, QPoint(0, 0)), label->size()) & window->rect();
    // The window's id from its QWindow: QWidget::winId() still gives the id of the native
    // window that the change of window flags on showing has replaced.
    target = {static_cast<xcb_window_t>(window->windowHandle()->winId()),
              static_cast<int16_t>(seen.x()),
              static_cast<int16_t>(seen.y()),
              static_cast<uint16_t>(window->width()),
              static_cast<uint16_t>(window->height()),
              static_cast<uint16_t>(seen.width()),
              static_cast<uint16_t>(seen.height())};
  });
  std::this_thread::sleep_for(milliseconds(300));
  const auto shown = watcher.GrabWindow(target);
  const auto shown_label = watcher.GrabLabel(target);
  if (!shown || !shown_label) return "the main window is not viewable before the roll";

  OnUiThread([&] {
    rc::app::HideCountdown = 0;
    rc::app::CountdownTick();  // the countdown running out hides the window
    std::lock_guard lock(trace.mutex);
    trace.roll = {};
    trace.roll.caption_before =
        rc::forms::PublishedLabelCaption(kMainWindow, rc::app::kNameLabel);
  });
  for (auto deadline = Clock::now() + milliseconds(2000); watcher.GrabWindow(target);) {
    if (Clock::now() > deadline) return "the main window did not hide";
    std::this_thread::sleep_for(milliseconds(5));
  }
  std::this_thread::sleep_for(milliseconds(150));  // the window manager has settled too

  const Clock::time_point key = Clock::now();
  watcher.PressC();
  std::optional<Clock::time_point> mapped, painted, name;
  for (auto deadline = key + milliseconds(2000); !painted && Clock::now() < deadline;) {
    const auto pixels = watcher.GrabWindow(target);
    const auto now = Clock::now();
    if (pixels && !mapped) mapped = now;
    if (pixels && NearlyEqual(*pixels, *shown))
      painted = now;
    else
      std::this_thread::sleep_for(kPollPause);
  }
  // Watching only around the first tick keeps the watcher off the two cores meanwhile.
  std::this_thread::sleep_until(key + kFirstTickDue - milliseconds(10));
  for (auto deadline = key + milliseconds(600); !name && Clock::now() < deadline;) {
    const auto pixels = watcher.GrabLabel(target);
    const auto now = Clock::now();
    if (pixels && *pixels != *shown_label)
      name = now;
    else
      std::this_thread::sleep_for(kPollPause);
  }

  std::unique_lock lock(trace.mutex);
  if (!trace.changed.wait_until(lock, key + milliseconds(4000), [&] { return trace.roll.done; }))
    return "the roll did not end";
  const RollTrace& roll = trace.roll;
  if (!mapped) return "the main window was not shown";
  if (!painted) return "the main window was not painted as before";
  if (roll.ticks != kRollTicks) return "the roll did not take 20 ticks";
  samples->handler.push_back(MsBetween(key, roll.handler_start));
  samples->mapped.push_back(MsBetween(key, *mapped));
  samples->painted.push_back(MsBetween(key, *painted));
  samples->tick_late.push_back(MsBetween(key + kFirstTickDue, roll.first_tick_start));
  samples->tick_busy.push_back(std::chrono::duration<double, std::milli>(roll.in_ticks).count() /
                               roll.ticks);
  samples->roll_from_key.push_back(MsBetween(key, roll.last_tick_end));
  samples->roll_from_handler.push_back(MsBetween(roll.handler_start, roll.last_tick_end));
  // A first pick equal to the name already shown changes no pixel at the first tick.
  if (roll.first_caption == roll.caption_before)
    ++samples->same_name;
  else if (name)
    samples->name_late.push_back(MsBetween(key + kFirstTickDue, *name));
  else
    return "no name was drawn";
  return nullptr;
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const size_t index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

void Report(const char* what, const std::vector<double>& ms, const char* target) {
  if (ms.empty()) {
    std::printf("  %-44s no samples\n", what);
    return;
  }
  std::printf("  %-44s median %8.2f ms  p90 %8.2f ms  max %8.2f ms  %s\n", what,
              Percentile(ms, 0.5), Percentile(ms, 0.9), *std::max_element(ms.begin(), ms.end()),
              target);
}

void ReportRoll(const char* what, const std::vector<double>& ms) {
  if (ms.empty()) return;
  auto worst = *std::max_element(ms.begin(), ms.end(), [](double a, double b) {
    return std::abs(a - kDesignedRollMs) < std::abs(b - kDesignedRollMs);
  });
  std::printf(
      "  %-44s median %8.2f ms = %.4fx  worst %8.2f ms = %.4fx of 1050 ms  "
      "(target within 3 %%)\n",
      what, Percentile(ms, 0.5), Percentile(ms, 0.5) / kDesignedRollMs, worst,
      worst / kDesignedRollMs);
}

}  // namespace

int main(int argc, char** argv) {
  int rolls = 40;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rolls") == 0 && i + 1 < argc) rolls = std::atoi(argv[++i]);
  }
  rc::InitProgramLocation();
  QApplication app(argc, argv);
  rc::forms::InitFormRuntime(rc::app::EmbeddedDefinitionBlock());
  rc::LoadSkinEngine();
  bool bound = rc::app::RegisterApplicationHandlers(rc::SpeakText);

  // The handlers that matter, wrapped only to note when they run.
  Trace trace;
  bound &= rc::forms::BindHandler(kMainWindow, rc::app::kNameLabel, rc::forms::kEventFeedback,
                                  [&](int32_t id, int32_t second) {
                                    const auto start = Clock::now();
                                    rc::app::OnHotKey(id, second);
                                    std::lock_guard lock(trace.mutex);
                                    trace.roll.handler_start = start;
                                    return 0;
                                  });
  bound &= rc::forms::BindHandler(
      kMainWindow, rc::app::kRollTimer, rc::forms::kEventTick, [&](int32_t, int32_t) {
        const auto start = Clock::now();
        rc::app::RollTick();
        const auto end = Clock::now();
        std::lock_guard lock(trace.mutex);
        trace.roll.in_ticks += end - start;
        if (++trace.roll.ticks == 1) {
          trace.roll.first_tick_start = start;
          trace.roll.first_caption =
              rc::forms::PublishedLabelCaption(kMainWindow, rc::app::kNameLabel);
        }
        if (rc::forms::ReadInt(kMainWindow, rc::app::kRollTimer,
                               rc::forms::kPropTimerInterval) == 0) {
          trace.roll.last_tick_end = end;
          trace.roll.done = true;
          trace.changed.notify_all();
        }
        return 0;
      });
  if (!bound) {
    std::fprintf(stderr, "the window definitions do not bind an event the program handles\n");
    return 1;
  }

  // The start-up notice is answered as soon as it is up, as a teacher presses Return.
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    if (QAbstractButton* button = box->defaultButton())
      button->click();
    else
      box->close();
    answer.stop();
  });
  answer.start(5);
  rc::forms::LoadStartupWindow(kMainWindow);

  Samples samples;
  std::thread measurer([&] {
    Watcher watcher;
    if (!watcher.ok()) {
      samples.failed = rolls;
      samples.first_failure = "no X connection of its own, or no key for C";
    } else {
      std::this_thread::sleep_for(milliseconds(1000));  // start-up's drawing is over
      for (int i = 0; i < rolls; ++i) {
        if (const char* failure = MeasureOneRoll(watcher, trace, &samples)) {
          if (samples.failed++ == 0) samples.first_failure = failure;
        }
      }
    }
    QMetaObject::invokeMethod(qApp, [] { QApplication::exit(0); });
  });
  rc::forms::RunMessageLoop();
  measurer.join();

  std::printf("roll: %d rolls, C pressed through XTEST by a second X client\n", rolls);
  Report("key -> hot-key handler", samples.handler, "");
  Report("key -> main window viewable", samples.mapped, "");
  Report("key -> main window painted", samples.painted, "(target median < 16.7 ms)");
  Report("first name drawn, late against key + 100 ms", samples.name_late,
         "(target median < 16.7 ms)");
  Report("first tick handler, late against key + 100 ms", samples.tick_late, "");
  Report("time in one tick's handler (RollTick)", samples.tick_busy, "");
  ReportRoll("roll length, key -> pick written", samples.roll_from_key);
  ReportRoll("roll length, handler -> pick written", samples.roll_from_handler);
  std::printf("  (%d rolls whose first name was the one shown; %d rolls failed%s%s)\n",
              samples.same_name, samples.failed, samples.first_failure ? ", the first as " : "",
              samples.first_failure ? samples.first_failure : "");
  std::fflush(stdout);
  // The reading of the last pick may still run on its worker thread; nothing to tidy.
  std::_Exit(samples.failed == rolls ? 1 : 0);
}
