// Names of the record database: identifiers (aliases and field names) and file names
// (default extension, companion file, full path, title).
#ifndef ROLLCALL_EDB_NAMES_H_
#define ROLLCALL_EDB_NAMES_H_

#include "core/text.h"

namespace rc {

// A letter of either width or a Chinese character first, then letters, digits of either
// width or Chinese characters. No length limit here.
bool IsValidIdentifier(const Text& name);

// Appends ".EDB" when the file part has no ".", "EDB" when it ends in ".".
Text WithDefaultExtension(const Text& path);

// The companion file's name: the extension (from the last "." of the file part) replaced
// by ".EDT".
Text CompanionPath(const Text& main_path);

// The absolute form of a path: relative to the current directory, "/" separators, no
// doubled separators, "." and ".." resolved.
Text FullPath(const Text& path);

// The file name without folder and extension.
Text TitleOf(const Text& path);

}  // namespace rc

#endif  // ROLLCALL_EDB_NAMES_H_
