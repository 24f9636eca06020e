// The one QApplication that the balloon tests need, made on first use.
#ifndef ROLLCALL_TESTS_FORMS_BALLOON_BALLOON_TEST_APP_H_
#define ROLLCALL_TESTS_FORMS_BALLOON_BALLOON_TEST_APP_H_

#include <QApplication>

namespace rc::testing {

inline QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "balloon_tests";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

}  // namespace rc::testing

#endif  // ROLLCALL_TESTS_FORMS_BALLOON_BALLOON_TEST_APP_H_
