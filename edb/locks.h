// How several programs share one database file.
//
// Every lock is an open-file-description lock (fcntl F_OFD_SETLK). Classic POSIX record
// locks belong to the process and are dropped when the process closes ANY descriptor of the
// file, and two opens in one process never conflict with each other; both break a database
// that the same process may open twice (the application opens the roster, and creating a
// class must see that it is open). Open-file-description locks belong to one open file:
// two opens conflict even inside one process, and closing one leaves the other's locks.
// Locks never wait: a conflict fails at once and the caller's retry rule decides.
//
// Main file, when the database's locking switch is on (sharing modes 1 and 3):
//   kRecordCountLockOffset   byte 16, held by RecordCount, AddRecord and FindRecord for
//                            their whole run (the record count and next identifier)
//   data start + r * length  the first byte of record r, while r is read or written
//   [0, kWholeFileLockLength) the whole file while OpenDatabase checks and repairs it
//   every other byte         during a conditional WriteFields (the gaps between the bytes
//                            the database already holds, so that those keep nesting)
// Always take byte 16 before a record byte.
//
// Companion file, always: byte 0 while its header is read and rewritten, byte k*512 while
// block k is read or written; chains are walked hand over hand.
//
// Locks of one offset nest through a LockTable: only the first lock of an offset takes a
// system lock, only the last unlock releases it. A descriptor opened for reading only can
// hold only shared locks; read-only opens therefore take shared locks, which keep writers
// out and let other readers in.
//
// Sharing modes. The kernel has no share modes, so each open publishes what it does and
// what it refuses with shared locks on marker bytes far past any real offset (real offsets
// stay below 2^31):
//   kShareMarkerRead       held by every open that reads (all of them)
//   kShareMarkerWrite      held by every open that writes
//   kShareMarkerDenyRead   held by every open that refuses readers (modes 2 and 4, create)
//   kShareMarkerDenyWrite  held by every open that refuses writers (modes 3 and 4, create)
// An open first takes its own markers and then looks for conflicting markers of other
// opens (its own never count). Publishing before looking means that of two simultaneous
// conflicting opens at least one sees the other; both may fail, never both succeed. The
// markers go away with the open file, also when the process dies.
#ifndef ROLLCALL_EDB_LOCKS_H_
#define ROLLCALL_EDB_LOCKS_H_

#include <cstdint>
#include <vector>

#include "edb/file.h"
#include "edb/format.h"

namespace rc {

constexpr int64_t kRecordCountLockOffset = kRecordCountOffset;
constexpr int64_t kWholeFileLockLength = 0x7FFFFFFF;
constexpr int64_t kBlobHeaderLockOffset = 0;

constexpr int64_t kShareMarkerBase = int64_t{1} << 62;
constexpr int64_t kShareMarkerRead = kShareMarkerBase + 0;
constexpr int64_t kShareMarkerWrite = kShareMarkerBase + 1;
constexpr int64_t kShareMarkerDenyRead = kShareMarkerBase + 2;
constexpr int64_t kShareMarkerDenyWrite = kShareMarkerBase + 3;

// The retry rule: a lock or open that meets another program's lock or sharing mode is
// tried again every 20 + (tick mod 20) ms until this much time has passed. Only the record
// count's lock in RecordCount waits at all.
constexpr uint32_t kNoRetryMs = 0;
constexpr uint32_t kRecordCountRetryMs = 2000;

// Byte locks of one open file, counted per offset so that they nest. Not thread-safe: a
// database is used by one thread at a time.
class LockTable {
 public:
  // Locks one byte at `offset`. Returns 0 or the error (kDbLockViolation after the retry
  // time has passed).
  [[nodiscard]] int32_t Lock(File& file, int64_t offset, LockKind kind, uint32_t retry_ms);
  void Unlock(File& file, int64_t offset);
  // Releases every lock still held.
  void ReleaseAll(File& file);
  // The offsets currently held, in ascending order.
  std::vector<int64_t> HeldOffsets() const;

 private:
  struct Entry {
    int64_t offset;
    int32_t count;
  };
  std::vector<Entry> entries_;
};

// Runs `attempt` until it returns something other than a sharing or lock violation, or
// until `retry_ms` have passed since the first attempt.
template <typename Attempt>
[[nodiscard]] int32_t WithRetry(uint32_t retry_ms, Attempt attempt);

// Publishes this open's access and share markers and checks them against every other open
// of the file. `deny_read`/`deny_write` are what this open refuses to others. Returns 0, or
// kDbSharingViolation with no marker left behind.
[[nodiscard]] int32_t ClaimSharing(File& file, bool writable, bool deny_read,
                                   bool deny_write, uint32_t retry_ms);

}  // namespace rc

#include "edb/locks_inl.h"

#endif  // ROLLCALL_EDB_LOCKS_H_
