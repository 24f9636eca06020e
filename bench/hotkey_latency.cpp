// The delay from a key press to the hot-key handler. Loads the main window through the form
// runtime, binds a handler to the feedback event of its name label and registers C for it,
// as start-up does. Then presses C again and again from a second X client through the XTEST
// extension (what xdotool does) and measures, on the steady clock, from the moment the press
// is sent to the moment the label's handler runs. With --xdotool each press is an xdotool process instead,
// measured from its start: an upper bound that includes starting xdotool.
//
// Prints the median, the 99th percentile and the maximum in milliseconds. Needs an X server
// (bench/hotkey_latency.sh starts one).
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/embedded_definitions.h"
#include "app/windows.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/hotkeys/hot_keys.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  size_t index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
  int presses = 200;
  bool use_xdotool = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--xdotool") == 0) use_xdotool = true;
    else if (std::strcmp(argv[i], "--presses") == 0 && i + 1 < argc) presses = std::atoi(argv[++i]);
  }
  QApplication app(argc, argv);
  rc::forms::InitFormRuntime(rc::app::EmbeddedDefinitionBlock());
  std::function<void()> on_press;
  if (!rc::forms::BindHandler(rc::app::kMainWindow, rc::app::kNameLabel,
                              rc::forms::kEventFeedback,
                              [&](int32_t, int32_t) {
                                on_press();
                                return 0;
                              })) {
    std::fprintf(stderr, "the name label's notification is not bound\n");
    return 1;
  }
  rc::forms::LoadStartupWindow(rc::app::kMainWindow);
  auto main_handle =
      static_cast<rc::NativeHandle>(rc::forms::WindowWidget(rc::app::kMainWindow)->winId());
  auto label_handle = static_cast<rc::NativeHandle>(
      rc::forms::ControlWidget(rc::app::kMainWindow, rc::app::kNameLabel)->winId());

  // The pressing client: a connection of its own, as xdotool would have.
  xcb_connection_t* presser = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(presser)) {
    std::fprintf(stderr, "no X display\n");
    return 1;
  }
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(presser);
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, 'c');
  xcb_keycode_t c_code = codes ? codes[0] : 0;
  std::free(codes);
  xcb_key_symbols_free(symbols);

  std::vector<double> delays_ms;
  Clock::time_point sent;
  pid_t xdotool_pid = -1;
  QTimer next;
  next.setSingleShot(true);

  on_press = [&] {
    delays_ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
    // Reaped only now, so that waiting for xdotool to end is not part of the delay.
    if (xdotool_pid > 0) waitpid(xdotool_pid, nullptr, 0);
    xdotool_pid = -1;
    if (static_cast<int>(delays_ms.size()) >= presses) QApplication::exit(0);
    else next.start(2);  // let the release arrive before the next press
  };
  if (rc::RegisterGlobalHotKey(main_handle, label_handle, 0, 0x43) == 0 || c_code == 0) {
    std::fprintf(stderr, "C could not be registered\n");
    return 1;
  }

  QObject::connect(&next, &QTimer::timeout, [&] {
    if (use_xdotool) {
      char xdotool[] = "xdotool";
      char key[] = "key";
      char c[] = "c";
      char delay[] = "--delay";
      char zero[] = "0";
      char* args[] = {xdotool, key, delay, zero, c, nullptr};
      sent = Clock::now();
      if (posix_spawnp(&xdotool_pid, "xdotool", nullptr, nullptr, args, environ) != 0) {
        xdotool_pid = -1;
      }
    } else {
      sent = Clock::now();
      xcb_test_fake_input(presser, XCB_KEY_PRESS, c_code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
      xcb_test_fake_input(presser, XCB_KEY_RELEASE, c_code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
      xcb_flush(presser);
    }
  });
  // A deadline for the whole run, so a lost press cannot hang the benchmark.
  QTimer::singleShot(120000, [] { QApplication::exit(1); });
  next.start(100);
  int result = rc::forms::RunMessageLoop();
  xcb_disconnect(presser);
  if (delays_ms.empty()) {
    std::fprintf(stderr, "no press arrived\n");
    return 1;
  }
  std::printf("%s: %zu presses, median %.3f ms, 99th percentile %.3f ms, max %.3f ms\n",
              use_xdotool ? "xdotool process start to handler" : "XTEST press to handler",
              delays_ms.size(), Percentile(delays_ms, 0.5), Percentile(delays_ms, 0.99),
              *std::max_element(delays_ms.begin(), delays_ms.end()));
  return result;
}
