// Asking about and removing database files that may be open elsewhere.
#include <memory>

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

bool RemoveDatabaseFile(FileSystem& fs, const Text& file_name) {
  if (file_name.empty()) return RecordResult(kDbFileNotFound);
  int32_t error = kDbOk;
  std::unique_ptr<File> main = fs.Open(NativePath(file_name), false, false, &error);
  if (!main) return RecordResult(error);
  // Refusing readers and writers finds every other open of the file. The markers stay
  // while the file is removed, so no open can slip in between.
  if (ClaimSharing(*main, false, true, true, kNoRetryMs) != kDbOk) {
    return RecordResult(kDbSharingViolation);
  }
  const Text companion = CompanionPath(file_name);
  std::unique_ptr<File> blob = fs.Open(NativePath(companion), false, false, &error);
  if (blob && ClaimSharing(*blob, false, true, true, kNoRetryMs) != kDbOk) {
    return RecordResult(kDbSharingViolation);
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
    return error == kDbFileNotFound ? DatabaseFileStatus::kMissing : DatabaseFileStatus::kOpen;
  }
  // The same test as creating: a file that refuses readers and writers is open somewhere.
  // The markers go with the descriptor when `main` is closed here.
  if (ClaimSharing(*main, false, true, true, kNoRetryMs) != kDbOk) {
    return DatabaseFileStatus::kOpen;
  }
  return DatabaseFileStatus::kClosed;
}

}  // namespace rc
