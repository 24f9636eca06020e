// Shows one window from its definition, for screenshots: window_preview WINDOW_ID (hex).
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "forms/runtime.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s WINDOW_ID\n", argv[0]);
    return 2;
  }
  rc::forms::InitFormRuntime();
  rc::forms::LoadStartupWindow(static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 16)));
  return rc::forms::RunMessageLoop();
}
