// The open-database list and the helpers every group of commands shares.
#include "edb/internal/database_state.h"

#include <algorithm>

#include "edb/coding.h"
#include "edb/errors.h"
#include "edb/names.h"

namespace rc::edb_internal {

DbManager& Manager() {
  static DbManager manager;
  return manager;
}

Database* Current() {
  DbManager& m = Manager();
  if (m.current < 0 || m.current >= static_cast<int>(m.list.size())) return nullptr;
  return m.list[m.current].get();
}

bool RecordResult(int32_t code) {
  SetLastDbError(code);
  return code == kDbOk;
}

// Main-file byte locks, through the lock table, only when the locking switch is on.
int32_t LockMain(Database& db, int64_t offset, uint32_t retry_ms) {
  if (!db.locking || db.whole_locked) return kDbOk;
  return db.locks.Lock(*db.main, offset, db.lock_kind, retry_ms);
}

void UnlockMain(Database& db, int64_t offset) {
  if (!db.locking || db.whole_locked) return;
  db.locks.Unlock(*db.main, offset);
}

// Reads the record count (and next identifier) at offset 16; the caller holds byte 16.
int32_t ReadCounts(Database& db, int32_t* count, int32_t* next_id, size_t bytes) {
  uint8_t raw[8] = {};
  size_t done = 0;
  if (db.main->Read(kRecordCountOffset, raw, bytes, &done) != kDbOk || done < bytes) {
    return kDbRecordCountFailed;
  }
  *count = DecodeInt32(raw);
  if (next_id) *next_id = DecodeInt32(raw + 4);
  return kDbOk;
}

// RecordCount without the bookkeeping of the last error.
int32_t CountRecords(Database& db, int32_t* count) {
  *count = 0;
  ScopedLock lock(db, kRecordCountLockOffset, kRecordCountRetryMs);
  if (lock.code() != kDbOk) return lock.code();
  int32_t stored = 0, next_id = 0;
  int32_t code = ReadCounts(db, &stored, &next_id);
  if (code != kDbOk) return code;
  *count = std::max(stored, 0);
  return kDbOk;
}

const Field* FindField(const Database& db, const Text& name) {
  for (const Field& f : db.fields) {
    if (EqualsIgnoreCase(f.name, name)) return &f;
  }
  return nullptr;
}

}  // namespace rc::edb_internal
