// Shows one window from its definition, for screenshots: window_preview WINDOW_ID (hex).
#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

#include "forms/ids.h"
#include "forms/runtime.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s WINDOW_ID\n", argv[0]);
    return 2;
  }
  rc::forms::InitFormRuntime();
  uint32_t id = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 16));
  rc::forms::LoadStartupWindow(id);
  // The program asks for the name label's native handle when it registers its hot keys,
  // which gives the label a native window of its own: show it the way the program does.
  if (id == rc::forms::kMainWindow) {
    if (QWidget* label = rc::forms::ControlWidget(id, rc::forms::kMainLabel1)) label->winId();
  }
  return rc::forms::RunMessageLoop();
}
