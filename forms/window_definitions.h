// The readable source of the program's three window definitions: every value of every
// window, control and menu item. The build encodes it into the stored block that the
// program embeds; the runtime only ever reads that block.
#ifndef ROLLCALL_FORMS_WINDOW_DEFINITIONS_H_
#define ROLLCALL_FORMS_WINDOW_DEFINITIONS_H_

#include <vector>

#include "core/text.h"
#include "forms/balloon_style_sheet.h"
#include "forms/definition_model.h"

namespace rc::forms {

// The main window, the statistics window and the class management window, in that order.
std::vector<WindowDef> WindowDefinitionsSource();

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_WINDOW_DEFINITIONS_H_
