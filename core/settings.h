// The teacher's choices that go beyond the class files (where windows stand, their size, how
// students are picked): one small file, "rollcall.ini", beside the program, as date/ is, so
// that copying the folder to another computer takes them along.
//
// One "key=value" line per choice. Keys are ASCII; values are bytes (GBK where they hold a
// name) without line breaks. A line that is not of that form is skipped, so a damaged or
// hand-edited file costs at most the choices on its bad lines. The file is written only when
// a choice changes, never at start-up, and always whole: a copy is written beside it and
// renamed over it, so a full disk or a crash leaves the old choices, never half a file.
//
// User-interface thread only.
#ifndef ROLLCALL_CORE_SETTINGS_H_
#define ROLLCALL_CORE_SETTINGS_H_

#include <optional>
#include <string>
#include <string_view>

#include "core/text.h"

namespace rc {

// The settings file's path: "rollcall.ini" in the program folder.
Text SettingsPath();

// The value stored for `key`, or nothing when the file, the key or a readable line for it is
// missing.
std::optional<std::string> ReadSetting(std::string_view key);

// Stores `value` for `key` (an empty value removes the key), keeping every other line. False,
// with the file as it was, when it cannot be written or `key` or `value` cannot be stored.
bool WriteSetting(std::string_view key, std::string_view value);

}  // namespace rc

#endif  // ROLLCALL_CORE_SETTINGS_H_
