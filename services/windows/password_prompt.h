// The dialog that asks for a database password when a file is opened with the password "?".
#ifndef ROLLCALL_SERVICES_WINDOWS_PASSWORD_PROMPT_H_
#define ROLLCALL_SERVICES_WINDOWS_PASSWORD_PROMPT_H_

#include "core/text.h"

namespace rc {

// Shows a modal dialog with one password edit box, and `notice` above it when it is not
// empty. Returns false when the user cancels. The typed characters are overwritten in the
// edit box before the dialog goes away; the caller wipes `*password` after use.
// User-interface thread only.
bool AskDatabasePassword(const Text& notice, Text* password);

// Makes the database ask through AskDatabasePassword. Call once at start-up.
void InstallDatabasePasswordPrompt();

}  // namespace rc

#endif  // ROLLCALL_SERVICES_WINDOWS_PASSWORD_PROMPT_H_
