// Entry of the application's UI tests: one QApplication and the form runtime with the
// program's own windows for all tests. Death tests re-run the binary, so they use the
// thread-safe style.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/embedded_definitions.h"
#include "forms/runtime.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Listing the tests (ctest's discovery) needs no display.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  rc::forms::InitFormRuntime(rc::app::EmbeddedDefinitionBlock());
  return RUN_ALL_TESTS();
}
