// Taking texts out of the program: the clipboard and a save dialog. Texts arrive as GBK and
// are converted here, at the edge.
//
// User-interface thread only.
#ifndef ROLLCALL_SERVICES_WINDOWS_EXPORT_COMMANDS_H_
#define ROLLCALL_SERVICES_WINDOWS_EXPORT_COMMANDS_H_

#include <optional>

#include "core/text.h"
#include "forms/ids.h"

namespace rc {

// Puts `text` on the clipboard as plain text. It stays there while the program runs, or
// until another program takes the clipboard over.
void SetClipboardText(const Text& text);

// Asks where to save a file, in a save dialog over a loaded window: titled `title`, proposing
// `file_name` in the user's documents folder (the home folder when there is none), listing
// the files that `filter` names ("CSV 文件 (*.csv)"), asking before it replaces a file. The
// chosen path, or nothing when the teacher cancelled.
std::optional<Text> AskSavePath(forms::WindowId owner, const Text& title, const Text& file_name,
                                const Text& filter);

}  // namespace rc

#endif  // ROLLCALL_SERVICES_WINDOWS_EXPORT_COMMANDS_H_
