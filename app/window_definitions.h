// The readable source of the program's three window definitions: every value of every
// window, control and menu item. The build encodes it into the stored block that the
// program embeds (app/embedded_definitions.h); the runtime only ever reads that block.
#ifndef ROLLCALL_APP_WINDOW_DEFINITIONS_H_
#define ROLLCALL_APP_WINDOW_DEFINITIONS_H_

#include <vector>

#include "forms/definition_model.h"

namespace rc::app {

// The main window, the statistics window and the class management window, in that order.
std::vector<forms::WindowDef> WindowDefinitionsSource();

}  // namespace rc::app

#endif  // ROLLCALL_APP_WINDOW_DEFINITIONS_H_
