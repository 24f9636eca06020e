// Entry of the balloon pop-up tests: one QApplication and the form runtime for all tests.
// Death tests re-run the binary, so they use the thread-safe style.
#include <gtest/gtest.h>

#include <QApplication>

#include "forms/runtime.h"
#include "tests/forms/test_windows.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // ctest lists the tests without the test environment; they never need a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  rc::forms::InitFormRuntime(rc::forms::TestDefinitionBlock());
  return RUN_ALL_TESTS();
}
