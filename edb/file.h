// The thin OS layer under the database: the file operations it needs and nothing more.
// Every error is one of the database's codes (edb/errors.h); errno becomes a code in exactly
// one place (ErrorFromErrno). The POSIX implementation is file_posix.cpp; tests pass a
// fault-injecting file system to the commands instead (tests/edb/fault_file.h).
#ifndef ROLLCALL_EDB_FILE_H_
#define ROLLCALL_EDB_FILE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace rc {

enum class LockKind {
  kShared,     // several holders; all that a descriptor opened for reading only can take
  kExclusive,  // one holder
};

// Which file an open file is on its device: two opens of one file have the same identity,
// a file put in its place under the same name has another.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

class File {
 public:
  virtual ~File() = default;

  // Reads up to `size` bytes at `offset`; `*done` gets the number read, which is short only
  // at the end of the file. Returns 0 or an error code.
  [[nodiscard]] virtual int32_t Read(int64_t offset, void* buffer, size_t size,
                                     size_t* done) = 0;
  // Writes all `size` bytes at `offset`, or returns an error code.
  [[nodiscard]] virtual int32_t Write(int64_t offset, const void* data, size_t size) = 0;
  [[nodiscard]] virtual int32_t Truncate(int64_t size) = 0;
  [[nodiscard]] virtual int32_t Size(int64_t* size) = 0;

  // Byte-range locks of this open file. They never wait: a range held by another open file,
  // in this process or another, gives kDbLockViolation. Locking a range this file already
  // holds does not nest (see edb/locks.h for the table that makes it nest).
  [[nodiscard]] virtual int32_t Lock(int64_t offset, int64_t length, LockKind kind) = 0;
  virtual int32_t Unlock(int64_t offset, int64_t length) = 0;
  // True in `*held` when another open file holds any lock that touches the range.
  [[nodiscard]] virtual int32_t IsLockedElsewhere(int64_t offset, int64_t length,
                                                  bool* held) = 0;
  // nullopt where the file system cannot tell; such files are taken as never replaced.
  virtual std::optional<FileIdentity> Identity() { return std::nullopt; }
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens the file at a native path for reading, or reading and writing. `create` makes
  // the file when it is missing (never truncates). nullptr and `*error` on failure.
  [[nodiscard]] virtual std::unique_ptr<File> Open(const std::string& native_path,
                                                   bool writable, bool create,
                                                   int32_t* error) = 0;
};

// The program's file system: the POSIX one, with open-file-description locks. The
// database commands use it unless they are given another (tests, the fuzzers).
FileSystem& DefaultFileSystem();

// The database code for a failure cause.
int32_t ErrorFromErrno(int err);

}  // namespace rc

#endif  // ROLLCALL_EDB_FILE_H_
