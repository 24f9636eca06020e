// The fixture of the form runtime tests: fatal errors print their box text to standard
// error, where the death tests look for it, and every window is closed and its handlers
// unbound after each test.
#ifndef ROLLCALL_TESTS_FORMS_RUNTIME_FIXTURE_H_
#define ROLLCALL_TESTS_FORMS_RUNTIME_FIXTURE_H_

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <cstdio>

#include "core/fatal.h"
#include "forms/fatal_error_box.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "tests/forms/test_windows.h"

namespace rc::forms {

// Prints the box text to standard error, where the death tests look for it.
inline void PrintFatal(const Text& text) { std::fprintf(stderr, "%s", text.ToUtf8().c_str()); }

class Runtime : public testing::Test {
 protected:
  void SetUp() override { SetFatalErrorPresenterForTesting(&PrintFatal); }
  void TearDown() override {
    for (WindowId id : {kGroupWindow, kPlainWindow, kToolWindow}) {
      // Not every window binds all three events; unbinding one it does not bind does nothing.
      for (int32_t e : {kEventCreated, kEventCloseQuery, kEventDestroying}) {
        (void)BindHandler(id, kWindowItself, e, nullptr);
      }
      if (IsWindowLoaded(id)) {
        EXPECT_TRUE(CloseWindow(id));
      }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }
  template <typename W = QWidget>
  W* Find(WindowId window, const char* name) {
    QWidget* w = WindowWidget(window);
    return w ? w->findChild<W*>(QString::fromUtf8(name)) : nullptr;
  }
};

}  // namespace rc::forms

#endif  // ROLLCALL_TESTS_FORMS_RUNTIME_FIXTURE_H_
