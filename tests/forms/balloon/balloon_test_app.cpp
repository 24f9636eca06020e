#include "tests/forms/balloon/balloon_test_app.h"

#include <gtest/gtest.h>

#include <memory>

namespace rc::testing {
namespace {

int g_argc = 1;
char g_name[] = "balloon_tests";
char* g_argv[] = {g_name, nullptr};

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { app_ = std::make_unique<QApplication>(g_argc, g_argv); }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

// GoogleTest takes ownership of the environment.
[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

QApplication& TestApp() { return *qApp; }

}  // namespace rc::testing
