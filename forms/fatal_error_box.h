// The fatal runtime error on screen: a message box with the error, then the process ends with
// exit code -1. From the moment it starts no event reaches the application.
#ifndef ROLLCALL_FORMS_FATAL_ERROR_BOX_H_
#define ROLLCALL_FORMS_FATAL_ERROR_BOX_H_

#include <cstdint>

#include "core/text.h"

namespace rc::forms {

// "运行时出错!\r\n\r\n", then "错误代码：<code>\r\n\r\n" when a code is given (non-zero), then
// "错误信息：<message>\r\n" when a message is given.
Text FatalErrorText(int32_t code, const Text& message);

// Makes the box the process's fatal-error handler (core/fatal.h).
void InstallFatalErrorBox();

// True once a fatal error has started.
bool FatalErrorInProgress();

// Tests replace the box (which would wait for a click) with their own presenter.
using FatalErrorPresenter = void (*)(const Text& text);
void SetFatalErrorPresenterForTesting(FatalErrorPresenter presenter);

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_FATAL_ERROR_BOX_H_
