// The menu bar of a loaded window.
#ifndef ROLLCALL_FORMS_INTERNAL_MENUS_H_
#define ROLLCALL_FORMS_INTERNAL_MENUS_H_

#include "forms/internal/runtime_state.h"

namespace rc::forms {

// Builds the window's menu bar from its top-level menu items that are not hidden; none when
// there are none.
void BuildMenuBar(LoadedWindow* lw);

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_INTERNAL_MENUS_H_
