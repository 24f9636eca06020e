// Closing a loaded window, shared by the close box and the program's own closing.
#ifndef ROLLCALL_FORMS_INTERNAL_WINDOW_LOADING_H_
#define ROLLCALL_FORMS_INTERNAL_WINDOW_LOADING_H_

#include "forms/ids.h"

namespace rc::forms {

// Asks the window's close query; false when its handler keeps the window open, else the
// window is destroyed (or was not loaded) and the answer is true.
bool HandleCloseRequest(WindowId window_id);
// Raises the destroying event and unloads the window; its widget goes later.
void DestroyLoadedWindow(WindowId window_id);

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_INTERNAL_WINDOW_LOADING_H_
