// The path layer. Every file access of the system goes through here.
//
// The program builds paths the way its original platform did: GBK texts, "\" or "/" as
// separators, sometimes doubled ("…/date/\class.edb"), and names compared ignoring case.
// The file system here is case-sensitive and stores names as UTF-8. NativePath bridges the
// two: each component is looked up exactly first and, when that fails, case-insensitively
// among the folder's entries, so "X.edb" finds "X.EDB". A name on disk that is not valid
// UTF-8 (copied from an old archive) is taken as GBK bytes as they stand, so it is still
// listed and can be opened.
//
// Folders the program did not name (its own, which may come from any system, or one given
// on a command line) are kept as the bytes the system gave: a path inside such a folder
// reaches the file system through those bytes, and only the names after it, the ones the
// program makes, are converted.
#ifndef ROLLCALL_CORE_PATHS_H_
#define ROLLCALL_CORE_PATHS_H_

#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"

namespace rc {

// The native (file-system) path for a program path. Components that do not exist yet are
// converted to UTF-8 as they are, so the result can be used to create a file.
std::string NativePath(const Text& path);

// The components of a program path, split at "\\" and "/" (a "\\" that is the trail byte of
// a two-byte character stays in its character); doubled separators give no empty components.
std::vector<std::string> SplitPathComponents(const std::string& gbk_path);

// The text form of a native name: UTF-8 decoded, or the bytes as they are when they are not
// valid UTF-8.
Text TextFromNativeName(std::string_view native);

// The text form of a native path: each name decoded on its own, as TextFromNativeName does
// (a folder unpacked from another system's archive may hold names in another encoding).
Text TextFromNativePath(std::string_view native);

// Keeps the absolute native folder `native` as these bytes, and returns its text form:
// NativePath turns a path that starts with that text back into `native` followed by the
// converted rest. "/" and "\" count as one separator there, so the text may be taken apart
// and joined again. Safe from any thread.
Text KeepNativeFolder(std::string native);

// The names in `folder` that match `pattern` ("*" and "?", ignoring case, two-byte
// characters as units), in the order the file system returns them. "." and ".." are never
// listed. An empty list when the folder cannot be read.
std::vector<Text> ListFolder(const Text& folder, const Text& pattern);

// True when `name` matches the wildcard `pattern`, ignoring case.
bool MatchesPattern(const Text& name, const Text& pattern);

// Deletes a file (never a folder). False when it does not exist or cannot be deleted.
bool RemoveFile(const Text& path);

// Renames a file, replacing a file of the new name in one step. False, with errno telling
// why, when it cannot.
bool RenameFile(const Text& from, const Text& to);

// Makes `bytes` the whole content of the file at `path`: written to a new file beside it,
// which is renamed over it once complete, so that the path holds the old content or the new,
// never a part. False, with errno telling why and nothing left behind, when it cannot.
bool WriteFileWhole(const Text& path, std::string_view bytes);

}  // namespace rc

#endif  // ROLLCALL_CORE_PATHS_H_
