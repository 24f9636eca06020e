// What the database commands share: the open-database list, each open database, and the
// main-file locking and reading that every group of commands uses. Private to edb/.
#ifndef ROLLCALL_EDB_INTERNAL_DATABASE_STATE_H_
#define ROLLCALL_EDB_INTERNAL_DATABASE_STATE_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "core/text.h"
#include "core/value.h"
#include "edb/blob_store.h"
#include "edb/errors.h"
#include "edb/file.h"
#include "edb/format.h"
#include "edb/locks.h"

namespace rc::edb_internal {

struct Field {
  Text name;
  FieldType type;
  int32_t offset;      // inside the record
  int32_t width;       // stored width
  int32_t text_width;  // declared (Text only)
};

// A copy of DbHeader as read on opening.
struct DbHeader {
  uint32_t magic = 0;
  int32_t version = 0;
  double created = 0;
  int32_t record_count = 0;
  int32_t next_id = 0;
  int32_t record_length = 0;
};

struct Database {
  FileSystem* fs = nullptr;  // what the files were opened through
  std::unique_ptr<File> main;
  std::unique_ptr<File> blob_file;
  std::unique_ptr<BlobStore> blobs;
  Text full_path, title, alias;
  DbHeader header;
  std::vector<Field> fields;
  int64_t data_start = 0;
  int32_t current_record = 0;
  bool locking = true;
  // During a conditional write the database holds every byte; record locks are skipped.
  bool whole_locked = false;
  LockKind lock_kind = LockKind::kExclusive;
  LockTable locks;
  // The record under test while a condition or an expression runs; reads come from it.
  const std::vector<uint8_t>* memory_record = nullptr;

  int64_t RecordOffset(int64_t r) const { return data_start + r * header.record_length; }

  ~Database() {
    if (blobs) blobs->ReleaseLocks();
    if (main) locks.ReleaseAll(*main);
  }
};

// The open databases, in the order they were opened, and the current one.
struct DbManager {
  std::vector<std::unique_ptr<Database>> list;
  int current = -1;
};

// The process-wide list of open databases.
DbManager& Manager();
// The current database, or nullptr.
Database* Current();

// Finds an open database by alias, then title, then full path, newest first; -1 when none.
int FindDatabase(const Text& name);

// Sets the calling thread's last error to `code`; true when it is kDbOk.
bool RecordResult(int32_t code);

// Main-file byte locks, through the lock table, only when the locking switch is on.
[[nodiscard]] int32_t LockMain(Database& db, int64_t offset, uint32_t retry_ms = kNoRetryMs);
void UnlockMain(Database& db, int64_t offset);

// Holds a main-file lock for the length of a scope.
class ScopedLock {
 public:
  ScopedLock(Database& db, int64_t offset, uint32_t retry_ms = kNoRetryMs)
      : db_(db), offset_(offset), code_(LockMain(db, offset, retry_ms)) {}
  ~ScopedLock() {
    if (code_ == kDbOk) UnlockMain(db_, offset_);
  }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;
  int32_t code() const { return code_; }

 private:
  Database& db_;
  int64_t offset_;
  int32_t code_;
};

// Reads the record count (and next identifier) at offset 16; the caller holds byte 16.
[[nodiscard]] int32_t ReadCounts(Database& db, int32_t* count, int32_t* next_id,
                                 size_t bytes = 8);

// RecordCount without the bookkeeping of the last error.
[[nodiscard]] int32_t CountRecords(Database& db, int32_t* count);

const Field* FindField(const Database& db, const Text& name);

// Stores one value (already checked to fit) into a record copy; memo and byte-set values go
// to the companion file, replacing the record's old chain.
[[nodiscard]] int32_t StoreInRecord(Database& db, const Field& field, const Value& value,
                                    uint8_t* record);

}  // namespace rc::edb_internal

#endif  // ROLLCALL_EDB_INTERNAL_DATABASE_STATE_H_
