// A small program for the hot-key end-to-end tests: the real main window loaded by the form
// runtime, with a handler on the feedback event of its name label that reports each event on
// stdout, and C, X and V registered the way start-up registers them. Driven by commands on
// stdin:
//   register    registers C, X, V; prints "registered <idC> <idX> <idV>"
//   unregister  releases the three; prints "unregistered <0|1> <0|1> <0|1>"
//   modal       opens the statistics window as a modal window, as V does; prints "modal-open"
//               from inside its nested loop, and "modal-closed" when it has closed
//   close-modal closes it
//   edit        shows a separate window "probe-edit" with an edit box; prints "edit-shown"
//   text        prints "text <the edit box's content>"
//   typing      lets the program's text boxes type the keys; prints "typing"
//   stall       prints "stalled" and handles nothing until the next line comes: events that
//               arrive meanwhile are handled in one go, as on a busy machine
//   quit        ends the program
// Every feedback event of the name label prints "feedback <first> <second>".
//
// With --like-app the probe does what the application does instead: C, X and V are
// registered while the main window is being created, with the handles from the WindowHandle
// library command (prints "registered ..." then), and the handler of V opens the statistics
// window modally inside itself, as the V key does (prints "modal-open" from the modal
// window's loop and "modal-closed" when the handler goes on).
#include <QApplication>
#include <QLineEdit>
#include <QSocketNotifier>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "app/embedded_definitions.h"
#include "app/windows.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/hotkeys/hot_keys.h"
#include "services/windows/window_commands.h"

namespace {

constexpr int32_t kKeyC = 0x43;
constexpr int32_t kKeyX = 0x58;
constexpr int32_t kKeyV = 0x56;

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

rc::NativeHandle HandleOf(QWidget* widget) {
  return widget ? static_cast<rc::NativeHandle>(widget->winId()) : 0;
}

std::string Registered(const int32_t (&ids)[3]) {
  return "registered " + std::to_string(ids[0]) + " " + std::to_string(ids[1]) + " " +
         std::to_string(ids[2]);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace rc::forms;
  using namespace rc::app;
  QApplication app(argc, argv);
  const bool like_app = argc > 1 && std::string(argv[1]) == "--like-app";
  InitFormRuntime(rc::app::EmbeddedDefinitionBlock());
  int32_t ids[3] = {0, 0, 0};
  bool bound =
      BindHandler(kMainWindow, kNameLabel, kEventFeedback, [&](int32_t first, int32_t second) {
        Say("feedback " + std::to_string(first) + " " + std::to_string(second));
        if (like_app && first == ids[2]) {
          QMetaObject::invokeMethod(qApp, [] { Say("modal-open"); }, Qt::QueuedConnection);
          if (!rc::OpenWindow(kStatsWindow, std::nullopt, true)) {
            std::fprintf(stderr, "the statistics window did not load\n");
          }
          Say("modal-closed");
        }
        return 0;
      });
  if (like_app) {
    // As start-up registers them: before the window is first shown, the main window as the
    // owner, its name label as the window that is notified, no modifier.
    bound &= BindHandler(kMainWindow, kMainWindowItem, kEventCreated, [&](int32_t, int32_t) {
      const rc::NativeHandle owner = rc::WindowHandle(kMainWindow);
      const rc::NativeHandle label = rc::WindowHandle(kMainWindow, kNameLabel);
      ids[0] = rc::RegisterGlobalHotKey(owner, label, 0, kKeyC);
      ids[1] = rc::RegisterGlobalHotKey(owner, label, 0, kKeyX);
      ids[2] = rc::RegisterGlobalHotKey(owner, label, 0, kKeyV);
      Say(Registered(ids));
      return 0;
    });
  }
  if (!bound) {
    std::fprintf(stderr, "an event of the main window is not bound\n");
    return 1;
  }
  LoadStartupWindow(kMainWindow);
  rc::NativeHandle main_handle = HandleOf(WindowWidget(kMainWindow));
  rc::NativeHandle label_handle = HandleOf(ControlWidget(kMainWindow, kNameLabel));

  std::unique_ptr<QLineEdit> edit;
  std::string pending;
  QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
  auto run = [&](const std::string& command) {
    if (command == "register") {
      ids[0] = rc::RegisterGlobalHotKey(main_handle, label_handle, 0, kKeyC);
      ids[1] = rc::RegisterGlobalHotKey(main_handle, label_handle, 0, kKeyX);
      ids[2] = rc::RegisterGlobalHotKey(main_handle, label_handle, 0, kKeyV);
      Say(Registered(ids));
    } else if (command == "unregister") {
      std::string line = "unregistered";
      for (int32_t id : ids) line += rc::UnregisterGlobalHotKey(main_handle, id) ? " 1" : " 0";
      Say(line);
    } else if (command == "modal") {
      // From the event loop, so that this handler returns and commands keep coming while
      // the modal window's nested loop runs.
      QMetaObject::invokeMethod(&app, [] {
        QMetaObject::invokeMethod(qApp, [] { Say("modal-open"); }, Qt::QueuedConnection);
        if (!LoadWindow(kStatsWindow, std::nullopt, true)) {
          std::fprintf(stderr, "the statistics window did not load\n");
        }
        Say("modal-closed");
      }, Qt::QueuedConnection);
    } else if (command == "close-modal") {
      if (!CloseWindow(kStatsWindow)) std::fprintf(stderr, "the statistics window stays open\n");
    } else if (command == "edit") {
      edit = std::make_unique<QLineEdit>();
      edit->setWindowTitle("probe-edit");
      edit->show();
      Say("edit-shown");
    } else if (command == "text") {
      Say("text " + (edit ? edit->text().toStdString() : std::string()));
    } else if (command == "typing") {
      rc::LetTextBoxesTypeHotKeys(true);
      Say("typing");
    } else if (command == "stall") {
      Say("stalled");
      char c = 0;
      while (read(STDIN_FILENO, &c, 1) == 1 && c != '\n') {
      }
    } else if (command == "quit") {
      QApplication::exit(0);
    }
  };
  QObject::connect(&commands, &QSocketNotifier::activated, [&] {
    char buffer[256];
    ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      commands.setEnabled(false);
      QApplication::exit(0);
      return;
    }
    pending.append(buffer, static_cast<size_t>(n));
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      std::string command = pending.substr(0, end);
      pending.erase(0, end + 1);
      run(command);
    }
  });
  Say("ready");
  int result = RunMessageLoop();
  edit.reset();
  return result;
}
