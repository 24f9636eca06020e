// Moving between records, adding them and searching them.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "edb/coding.h"
#include "edb/database.h"
#include "edb/errors.h"
#include "edb/field_values.h"
#include "edb/internal/database_state.h"

namespace rc {
using namespace edb_internal;

int32_t RecordCount() {
  Database* db = Current();
  if (!db) {
    RecordResult(kDbNoCurrentDatabase);
    return 0;
  }
  int32_t count = 0;
  int32_t code = CountRecords(*db, &count);
  SetLastDbError(code);
  return code == kDbOk ? count : 0;
}

void GoToFirstRecord() {
  Database* db = Current();
  if (!db) {
    RecordResult(kDbNoCurrentDatabase);
    return;
  }
  db->current_record = 0;
  SetLastDbError(kDbOk);
}

bool SkipRecords(std::optional<int32_t> n_arg) {
  Database* db = Current();
  if (!db) return RecordResult(kDbNoCurrentDatabase);
  const int64_t n = n_arg.value_or(1);
  if (n == 0) return RecordResult(kDbOk);
  int32_t count = 0;
  if (int32_t code = CountRecords(*db, &count); code != kDbOk) return RecordResult(code);
  if (n < 0 && (count == 0 || db->current_record == -1)) return RecordResult(kDbBeforeFirst);
  if (n > 0 && (count == 0 || db->current_record >= count)) return RecordResult(kDbAfterLast);
  db->current_record = static_cast<int32_t>(std::clamp<int64_t>(db->current_record + n, -1, count));
  return RecordResult(kDbOk);
}

bool AddRecord(const std::vector<std::optional<Value>>& values) {
  Database* db = Current();
  if (!db) return RecordResult(kDbNoCurrentDatabase);
  const size_t used = std::min(values.size(), db->fields.size());
  for (size_t i = 0; i < used; ++i) {
    if (values[i] && !ValueFitsField(db->fields[i].type, *values[i])) {
      return RecordResult(kDbValueKindMismatch);
    }
  }
  ScopedLock header_lock(*db, kRecordCountLockOffset);
  if (header_lock.code() != kDbOk) return RecordResult(header_lock.code());
  int32_t count = 0, next_id = 0;
  if (int32_t c = ReadCounts(*db, &count, &next_id); c != kDbOk) return RecordResult(c);
  count = std::max(count, 0);
  next_id = std::max(next_id, 1);
  if (count == std::numeric_limits<int32_t>::max() ||
      next_id == std::numeric_limits<int32_t>::max()) {
    return RecordResult(kDbRecordWriteFailed);
  }
  const int64_t at = db->RecordOffset(count);
  ScopedLock record_lock(*db, at);
  if (record_lock.code() != kDbOk) return RecordResult(record_lock.code());

  std::vector<uint8_t> record(static_cast<size_t>(db->header.record_length));
  EncodeInt32(record.data(), next_id);
  for (size_t i = 0; i < used; ++i) {
    if (!values[i]) continue;
    if (int32_t c = StoreInRecord(*db, db->fields[i], *values[i], record.data()); c != kDbOk) {
      return RecordResult(c);
    }
  }
  if (int32_t c = db->main->Write(at, record.data(), record.size()); c != kDbOk) {
    return RecordResult(c == kDbDiskFull ? c : kDbRecordWriteFailed);
  }
  // The record is complete before the count admits it: a crash in between leaves a record
  // past the count, which the next open cuts off.
  uint8_t counts[8];
  EncodeInt32(counts, count + 1);
  EncodeInt32(counts + 4, next_id + 1);
  if (int32_t c = db->main->Write(kRecordCountOffset, counts, sizeof counts); c != kDbOk) {
    return RecordResult(c == kDbDiskFull ? c : kDbRecordWriteFailed);
  }
  db->current_record = count;
  return RecordResult(kDbOk);
}

bool FindRecord(const Condition& condition) {
  Database* db = Current();
  if (!db) return RecordResult(kDbNoCurrentDatabase);
  ScopedLock header_lock(*db, kRecordCountLockOffset);
  if (header_lock.code() != kDbOk) return RecordResult(header_lock.code());
  int32_t count = 0;
  if (int32_t c = ReadCounts(*db, &count, nullptr, 4); c != kDbOk) return RecordResult(c);
  const int32_t before = db->current_record;
  const int32_t start = std::max(0, before);
  if (count < 1 || start >= count) {
    SetLastDbError(kDbOk);  // nothing to search is not a failure
    return false;
  }

  const std::vector<uint8_t>* saved_memory = db->memory_record;
  std::vector<uint8_t> record(static_cast<size_t>(db->header.record_length));
  int32_t code = kDbOk;
  int32_t found = -1;
  for (int32_t r = start; r < count && found < 0; ++r) {
    ScopedLock record_lock(*db, db->RecordOffset(r));
    if (record_lock.code() != kDbOk) {
      code = record_lock.code();
      break;
    }
    size_t done = 0;
    if (db->main->Read(db->RecordOffset(r), record.data(), record.size(), &done) != kDbOk ||
        done < record.size()) {
      code = kDbRecordReadFailed;
      break;
    }
    db->memory_record = &record;
    db->current_record = r;
    if (condition && condition()) found = r;
    db->memory_record = saved_memory;
  }
  db->memory_record = saved_memory;
  db->current_record = found >= 0 ? found : before;
  if (code != kDbOk) return RecordResult(code);
  SetLastDbError(kDbOk);
  return found >= 0;
}

std::optional<DatabaseInfo> DescribeCurrentDatabase() {
  Database* db = Current();
  if (!db) return std::nullopt;
  DatabaseInfo info{db->header.magic,  db->header.version,       db->header.created,
                    db->header.next_id, db->header.record_length, {}};
  for (const Field& f : db->fields) info.fields.push_back({f.name, f.type, f.offset, f.text_width});
  return info;
}

std::optional<int32_t> CurrentRecordIdentifier() {
  Database* db = Current();
  if (!db || db->current_record < 0) return std::nullopt;
  const int64_t at = db->RecordOffset(db->current_record);
  ScopedLock lock(*db, at);
  if (lock.code() != kDbOk) return std::nullopt;
  uint8_t raw[4];
  size_t done = 0;
  if (db->main->Read(at, raw, sizeof raw, &done) != kDbOk || done < sizeof raw) {
    return std::nullopt;
  }
  return DecodeInt32(raw);
}

}  // namespace rc
