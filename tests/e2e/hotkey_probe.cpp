// A small program for the hot-key end-to-end tests: a window titled like the main window,
// with the label 标签1 and an edit box, that registers C, X and V the way start-up does and
// reports every feedback event of the label on stdout. Driven by commands on stdin:
//   register    registers C, X, V; prints "registered <idC> <idX> <idV>"
//   unregister  releases the three; prints "unregistered <0|1> <0|1> <0|1>"
//   modal       opens a modal dialog; prints "modal-open", and "modal-closed" when it closes
//   close-modal closes it
//   focus       puts the focus into the edit box; prints "focused"
//   text        prints "text <the edit box's content>"
//   quit        ends the program
// Every feedback event prints "feedback <first> <second>".
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSocketNotifier>
#include <QVBoxLayout>
#include <QWidget>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "services/hotkeys/hot_keys.h"

namespace {

constexpr int32_t kKeyC = 0x43;
constexpr int32_t kKeyX = 0x58;
constexpr int32_t kKeyV = 0x56;

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QString::fromUtf8("C键 随机点名"));
  auto* layout = new QVBoxLayout(&window);
  auto* label = new QLabel(QString::fromUtf8("标签1"), &window);
  label->setObjectName(QString::fromUtf8("标签1"));
  auto* edit = new QLineEdit(&window);
  layout->addWidget(label);
  layout->addWidget(edit);
  window.resize(246, 98);
  window.show();

  rc::NativeHandle main_handle = static_cast<rc::NativeHandle>(window.winId());
  rc::NativeHandle label_handle = static_cast<rc::NativeHandle>(label->winId());
  rc::SetHotKeyNotifier([label_handle](rc::NativeHandle target, int32_t first, int32_t second) {
    if (target != label_handle) return 0;
    Say("feedback " + std::to_string(first) + " " + std::to_string(second));
    return 1;
  });

  int32_t ids[3] = {0, 0, 0};
  QPointer<QDialog> modal;
  std::string pending;
  QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
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
      if (command == "register") {
        ids[0] = rc::RegisterGlobalHotKey(main_handle, label_handle, 0, kKeyC);
        ids[1] = rc::RegisterGlobalHotKey(main_handle, label_handle, 0, kKeyX);
        ids[2] = rc::RegisterGlobalHotKey(main_handle, label_handle, 0, kKeyV);
        Say("registered " + std::to_string(ids[0]) + " " + std::to_string(ids[1]) + " " +
            std::to_string(ids[2]));
      } else if (command == "unregister") {
        std::string line = "unregistered";
        for (int32_t id : ids) line += rc::UnregisterGlobalHotKey(main_handle, id) ? " 1" : " 0";
        Say(line);
      } else if (command == "modal") {
        // Opened from the event loop, so this handler returns and commands keep coming.
        QMetaObject::invokeMethod(&app, [&] {
          QDialog dialog(&window);
          dialog.setWindowTitle("modal");
          dialog.setModal(true);
          modal = &dialog;
          QMetaObject::invokeMethod(&app, [] { Say("modal-open"); }, Qt::QueuedConnection);
          dialog.exec();
          Say("modal-closed");
        }, Qt::QueuedConnection);
      } else if (command == "close-modal") {
        if (modal) modal->reject();
      } else if (command == "focus") {
        window.activateWindow();
        edit->setFocus();
        Say("focused");
      } else if (command == "text") {
        Say("text " + edit->text().toStdString());
      } else if (command == "quit") {
        QApplication::exit(0);
      }
    }
  });
  Say("ready");
  return app.exec();
}
