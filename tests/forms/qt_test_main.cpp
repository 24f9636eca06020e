// Entry of the UI test binaries of the runtime and the services: one QApplication and the
// form runtime, with the tests' own windows, for all tests. Death tests re-run the binary, so
// they use the thread-safe style.
#include <gtest/gtest.h>

#include <QApplication>

#include "forms/runtime.h"
#include "tests/forms/test_windows.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Listing the tests (ctest's discovery) needs no display.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  rc::forms::InitFormRuntime(rc::forms::TestDefinitionBlock());
  return RUN_ALL_TESTS();
}
