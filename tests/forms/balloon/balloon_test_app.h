// The QApplication of the balloon tests. It lives from before the first test to after the
// last, and is gone before the process's own exit handlers run (Qt's statics must outlive it).
#ifndef ROLLCALL_TESTS_FORMS_BALLOON_BALLOON_TEST_APP_H_
#define ROLLCALL_TESTS_FORMS_BALLOON_BALLOON_TEST_APP_H_

#include <QApplication>

namespace rc::testing {

QApplication& TestApp();

}  // namespace rc::testing

#endif  // ROLLCALL_TESTS_FORMS_BALLOON_BALLOON_TEST_APP_H_
