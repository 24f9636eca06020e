// The program's two help balloons: the key help that start-up shows at the main window's
// "→" button, and the paste help that the class management window shows when it opens.
#ifndef ROLLCALL_APP_HELP_TIPS_H_
#define ROLLCALL_APP_HELP_TIPS_H_

#include "core/text.h"

namespace rc::app {

// Pops up the main window's tip pointing at its "→" button, with the key help.
// The main window must be loaded.
void ShowKeyHelpTip();

// Pops up the class management window's tip with the paste help. Its position is taken from
// the main window (the group box's left plus 20, the main window's top plus 150), as it
// always has been. Both windows must be loaded.
void ShowPasteHelpTip();

}  // namespace rc::app

#endif  // ROLLCALL_APP_HELP_TIPS_H_
