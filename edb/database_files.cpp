// Asking about, replacing and removing database files that may be open elsewhere.
#include <cerrno>
#include <memory>
#include <optional>
#include <vector>

#include "core/paths.h"
#include "edb/database.h"
#include "edb/errors.h"
#include "edb/file.h"
#include "edb/internal/database_state.h"
#include "edb/locks.h"
#include "edb/names.h"

namespace rc {
using namespace edb_internal;

bool RemoveDatabaseFile(const Text& file_name) {
  return RemoveDatabaseFile(DefaultFileSystem(), file_name);
}

namespace {

// Opens a file and claims it against readers and writers, which finds every other open of
// it; the claim stands until `*file` is closed, so no open can slip in meanwhile. kDbOk with
// `*file` empty when there is no file; the open's error or kDbSharingViolation otherwise.
int32_t ClaimWholeFile(FileSystem& fs, const Text& path, std::unique_ptr<File>* file) {
  int32_t error = kDbOk;
  *file = fs.Open(NativePath(path), false, false, &error);
  if (!*file) return error == kDbFileNotFound ? kDbOk : error;
  return ClaimSharing(**file, false, true, true, kNoRetryMs) == kDbOk ? kDbOk
                                                                       : kDbSharingViolation;
}

}  // namespace

bool RemoveDatabaseFile(FileSystem& fs, const Text& file_name) {
  if (file_name.empty()) return RecordResult(kDbFileNotFound);
  std::unique_ptr<File> main, blob;
  const Text companion = CompanionPath(file_name);
  if (int32_t code = ClaimWholeFile(fs, file_name, &main); code != kDbOk) {
    return RecordResult(code);
  }
  if (!main) return RecordResult(kDbFileNotFound);
  if (int32_t code = ClaimWholeFile(fs, companion, &blob); code != kDbOk) {
    return RecordResult(code);
  }
  if (!RemoveFile(file_name)) return RecordResult(kDbAccessDenied);
  if (blob) RemoveFile(companion);
  return RecordResult(kDbOk);
}

DatabaseFileStatus ProbeDatabaseFile(const Text& file_name) {
  return ProbeDatabaseFile(DefaultFileSystem(), file_name);
}

DatabaseFileStatus ProbeDatabaseFile(FileSystem& fs, const Text& file_name) {
  if (file_name.empty()) return DatabaseFileStatus::kMissing;
  int32_t error = kDbOk;
  std::unique_ptr<File> main =
      fs.Open(NativePath(WithDefaultExtension(file_name)), false, false, &error);
  if (!main) {
    // A path that cannot name a file (too long, a file where a folder should be) has none.
    return error == kDbFileNotFound || error == kDbBadPath ? DatabaseFileStatus::kMissing
                                                           : DatabaseFileStatus::kOpen;
  }
  // The same test as creating: a file that refuses readers and writers is open somewhere.
  // The markers go with the descriptor when `main` is closed here.
  if (ClaimSharing(*main, false, true, true, kNoRetryMs) != kDbOk) {
    return DatabaseFileStatus::kOpen;
  }
  return DatabaseFileStatus::kClosed;
}

DatabaseFileCheck CheckDatabaseFile(const Text& name) {
  const int index = FindDatabase(name);
  if (index < 0) {
    RecordResult(kDbNotOpen);
    return DatabaseFileCheck::kNotOpen;
  }
  Database& db = *Manager().list[static_cast<size_t>(index)];
  RecordResult(kDbOk);
  const std::optional<FileIdentity> open = db.main->Identity();
  if (!open) return DatabaseFileCheck::kSame;
  int32_t error = kDbOk;
  // Opening for reading takes no lock, so the look leaves every other program's locks alone.
  std::unique_ptr<File> named = db.fs->Open(NativePath(db.full_path), false, false, &error);
  if (!named) {
    return error == kDbFileNotFound || error == kDbBadPath ? DatabaseFileCheck::kGone
                                                            : DatabaseFileCheck::kSame;
  }
  const std::optional<FileIdentity> now = named->Identity();
  return now && *now != *open ? DatabaseFileCheck::kReplaced : DatabaseFileCheck::kSame;
}

bool ReplaceDatabaseFile(const Text& from, const Text& to) {
  return ReplaceDatabaseFile(DefaultFileSystem(), from, to);
}

bool ReplaceDatabaseFile(FileSystem& fs, const Text& from, const Text& to) {
  if (from.empty() || to.empty()) return RecordResult(kDbFileNotFound);
  // Every file involved is claimed first; the claims stay until the files are in place.
  const Text source_companion = CompanionPath(from);
  const Text target_companion = CompanionPath(to);
  std::unique_ptr<File> claimed[4];
  int i = 0;
  for (const Text* path : {&from, &source_companion, &to, &target_companion}) {
    if (int32_t code = ClaimWholeFile(fs, *path, &claimed[i++]); code != kDbOk) {
      return RecordResult(code);
    }
  }
  if (!claimed[0]) return RecordResult(kDbFileNotFound);
  if (!RenameFile(from, to)) return RecordResult(ErrorFromErrno(errno));
  if (claimed[1]) {
    if (!RenameFile(source_companion, target_companion)) return RecordResult(ErrorFromErrno(errno));
  } else {
    RemoveFile(target_companion);  // the old file's, which nothing refers to any more
  }
  return RecordResult(kDbOk);
}

}  // namespace rc
