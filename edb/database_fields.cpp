// Reading and writing fields.
#include <algorithm>
#include <cstring>
#include <string>
#include <variant>
#include <vector>

#include "core/fatal.h"
#include "edb/coding.h"
#include "edb/database.h"
#include "edb/errors.h"
#include "edb/field_values.h"
#include "edb/internal/database_state.h"
#include "edb/names.h"

namespace rc {
namespace edb_internal {
namespace {

// The runtime's argument error, raised when a field is named by a value of the wrong kind.
constexpr int32_t kArgumentErrorCode = 11;

// A run-time stop that carries no error number.
constexpr int32_t kNoErrorNumber = 0;

// The value of a field from its bytes in a record; memo and byte-set values are read from
// the companion file.
int32_t DecodeField(Database& db, const Field& field, const uint8_t* bytes, Value* out) {
  if (!IsBlobType(field.type)) {
    *out = LoadFieldValue(field.type, field.width, bytes);
    return kDbOk;
  }
  if (!db.blobs) return kDbFieldReadFailed;
  std::string data;
  if (int32_t code = db.blobs->Read(DecodeInt32(bytes), &data); code != kDbOk) return code;
  *out = BlobValue(field.type, data);
  return kDbOk;
}

// Reads a field of the current record, from the in-memory record or from the file.
int32_t ReadFieldValue(Database& db, const Field& field, Value* out) {
  *out = EmptyFieldValue(field.type);
  if (db.memory_record) return DecodeField(db, field, db.memory_record->data() + field.offset, out);
  if (db.current_record < 0) return kDbNoCurrentRecord;
  const int64_t record = db.RecordOffset(db.current_record);
  ScopedLock lock(db, record);  // held until the companion value has been read too
  if (lock.code() != kDbOk) return lock.code();
  uint8_t small[64];
  std::vector<uint8_t> large;
  uint8_t* buffer = small;
  if (field.width > static_cast<int32_t>(sizeof small)) {
    large.resize(static_cast<size_t>(field.width));
    buffer = large.data();
  }
  size_t done = 0;
  if (int32_t code = db.main->Read(record + field.offset, buffer, field.width, &done);
      code != kDbOk) {
    return code;
  }
  if (done == 0) return kDbSeekFailed;  // the field starts at or past the end of the file
  if (done < static_cast<size_t>(field.width)) return kDbFieldReadFailed;
  return DecodeField(db, field, buffer, out);
}

struct ResolvedPair {
  const Field* field;
  const std::variant<Value, Expression>* value;
};

// Applies the pairs to a record copy. Expressions are evaluated with the copy as the
// in-memory record.
int32_t ApplyPairs(Database& db, const std::vector<ResolvedPair>& pairs,
                   std::vector<uint8_t>* record) {
  for (const ResolvedPair& p : pairs) {
    if (const Value* v = std::get_if<Value>(p.value)) {
      if (int32_t c = StoreInRecord(db, *p.field, *v, record->data()); c != kDbOk) return c;
      continue;
    }
    const Expression& expression = std::get<Expression>(*p.value);
    if (!expression) return kDbExpressionKind;
    const std::vector<uint8_t>* saved = db.memory_record;
    db.memory_record = record;
    Value v = expression();
    db.memory_record = saved;
    if (!ValueFitsField(p.field->type, v)) return kDbExpressionKind;
    if (int32_t c = StoreInRecord(db, *p.field, v, record->data()); c != kDbOk) return c;
  }
  return kDbOk;
}

int32_t WriteRecordBody(Database& db, int64_t r, const std::vector<uint8_t>& record) {
  // The identifier is never rewritten.
  int32_t code = db.main->Write(db.RecordOffset(r) + kRecordIdSize, record.data() + kRecordIdSize,
                                record.size() - kRecordIdSize);
  return code == kDbOk ? kDbOk : kDbRecordWriteFailed;
}

int32_t WriteCurrentRecord(Database& db, const std::vector<ResolvedPair>& pairs) {
  const int32_t r = db.current_record;
  if (r < 0) return kDbNoCurrentRecord;
  ScopedLock lock(db, db.RecordOffset(r));
  if (lock.code() != kDbOk) return lock.code();
  std::vector<uint8_t> record(static_cast<size_t>(db.header.record_length));
  size_t done = 0;
  if (db.main->Read(db.RecordOffset(r), record.data(), record.size(), &done) != kDbOk) {
    return kDbRecordReadFailed;
  }
  if (done == 0) return kDbNoCurrentRecord;  // the record lies outside the file
  if (done < record.size()) return kDbRecordReadFailed;
  if (int32_t c = ApplyPairs(db, pairs, &record); c != kDbOk) return c;
  return WriteRecordBody(db, r, record);
}

int32_t WriteMatchingRecords(Database& db, const Condition& condition,
                             const std::vector<ResolvedPair>& pairs) {
  // Lock every byte the database does not hold already, so that those keep nesting.
  std::vector<std::pair<int64_t, int64_t>> gaps;
  if (db.locking) {
    int64_t from = 0;
    for (int64_t held : db.locks.HeldOffsets()) {
      if (held > from) gaps.emplace_back(from, held - from);
      from = held + 1;
    }
    if (from < kWholeFileLockLength) gaps.emplace_back(from, kWholeFileLockLength - from);
    for (size_t i = 0; i < gaps.size(); ++i) {
      int32_t code = db.main->Lock(gaps[i].first, gaps[i].second, db.lock_kind);
      if (code != kDbOk) {
        for (size_t k = 0; k < i; ++k) db.main->Unlock(gaps[k].first, gaps[k].second);
        return code;
      }
    }
  }
  const bool was_whole = db.whole_locked;
  db.whole_locked = true;
  const std::vector<uint8_t>* saved_memory = db.memory_record;

  auto run = [&]() -> int32_t {
    int32_t count = 0;
    if (int32_t c = ReadCounts(db, &count, nullptr, 4); c != kDbOk) return c;
    const int64_t length = db.header.record_length;
    const int64_t batch = std::max<int64_t>(1, kConditionalBatchBytes / length);
    std::vector<uint8_t> buffer;
    std::vector<uint8_t> record(static_cast<size_t>(length));
    for (int64_t start = 0; start < count; start += batch) {
      const int64_t n = std::min<int64_t>(batch, count - start);
      buffer.resize(static_cast<size_t>(n * length));
      size_t done = 0;
      if (db.main->Read(db.RecordOffset(start), buffer.data(), buffer.size(), &done) != kDbOk ||
          done < buffer.size()) {
        return kDbRecordReadFailed;
      }
      for (int64_t i = 0; i < n; ++i) {
        std::memcpy(record.data(), buffer.data() + i * length, static_cast<size_t>(length));
        db.memory_record = &record;
        bool matches = condition();
        db.memory_record = saved_memory;
        if (!matches) continue;
        if (int32_t c = ApplyPairs(db, pairs, &record); c != kDbOk) return c;
        if (int32_t c = WriteRecordBody(db, start + i, record); c != kDbOk) return c;
      }
    }
    return kDbOk;
  };
  int32_t code = run();
  db.memory_record = saved_memory;
  db.whole_locked = was_whole;
  for (const auto& [from, length] : gaps) db.main->Unlock(from, length);
  return code;
}

}  // namespace

// Stores one value (already checked to fit) into a record copy; memo and byte-set values go
// to the companion file, replacing the record's old chain.
int32_t StoreInRecord(Database& db, const Field& field, const Value& value, uint8_t* record) {
  uint8_t* bytes = record + field.offset;
  if (!IsBlobType(field.type)) {
    StoreFieldValue(field.type, field.text_width, value, bytes);
    return kDbOk;
  }
  if (!db.blobs) return kDbBlobAccessFailed;
  int32_t first = 0;
  int32_t code = db.blobs->Write(DecodeInt32(bytes), BlobBytes(value), &first);
  if (code != kDbOk) return code;
  EncodeInt32(bytes, first);
  return kDbOk;
}

}  // namespace edb_internal

using namespace edb_internal;

bool WriteFields(std::optional<Condition> condition, const std::vector<FieldAssignment>& pairs) {
  Database* db = Current();
  if (!db) return RecordResult(kDbNoCurrentDatabase);
  const bool conditional = condition && *condition;
  // Without a condition there must be a record to write before the pairs are looked at.
  if (!conditional) {
    int64_t size = 0;
    if (db->current_record < 0 || db->main->Size(&size) != kDbOk ||
        db->RecordOffset(db->current_record) >= size) {
      return RecordResult(kDbNoCurrentRecord);
    }
  }
  std::vector<ResolvedPair> resolved;
  for (const FieldAssignment& p : pairs) {
    const Text* name = std::get_if<Text>(&p.name);
    if (!name) RaiseFatalError(kArgumentErrorCode, "所提供参数的数据类型不符合要求"_gbk);
    const Field* field = FindField(*db, *name);
    if (!field) continue;
    if (const Value* v = std::get_if<Value>(&p.value); v && !ValueFitsField(field->type, *v)) {
      return RecordResult(kDbValueKindMismatch);
    }
    resolved.push_back({field, &p.value});
  }
  const int32_t current = db->current_record;
  int32_t code = conditional ? WriteMatchingRecords(*db, *condition, resolved)
                             : WriteCurrentRecord(*db, resolved);
  db->current_record = current;
  return RecordResult(code);
}

Value ReadField(const Value& field_arg) {
  const Text* name = std::get_if<Text>(&field_arg);
  if (!name && !IsNumericKind(KindOf(field_arg))) {
    RaiseFatalError(kArgumentErrorCode, "所提供参数的数据类型不符合要求"_gbk);
  }
  Database* db = Current();
  if (!db) RaiseFatalError(kNoErrorNumber, "未指定当前数据库或者指定数据库未打开"_gbk);
  const Field* field = nullptr;
  if (name) {
    field = FindField(*db, *name);
  } else {
    const int64_t number = AsInteger(field_arg);
    if (number >= 1 && number <= static_cast<int64_t>(db->fields.size())) {
      field = &db->fields[static_cast<size_t>(number - 1)];
    }
  }
  if (!field) RaiseFatalError(kNoErrorNumber, "指定字段不存在"_gbk);
  Value value;
  SetLastDbError(ReadFieldValue(*db, *field, &value));
  return value;
}

Text AsText(const Value& value) {
  if (const Text* t = std::get_if<Text>(&value)) return *t;
  return Text();
}

int64_t AsInteger(const Value& value) {
  struct Visitor {
    int64_t operator()(uint8_t v) const { return v; }
    int64_t operator()(int16_t v) const { return v; }
    int64_t operator()(int32_t v) const { return v; }
    int64_t operator()(int64_t v) const { return v; }
    int64_t operator()(float v) const { return operator()(static_cast<double>(v)); }
    int64_t operator()(double v) const {
      if (!(v > -9.2e18 && v < 9.2e18)) return 0;
      return static_cast<int64_t>(v);
    }
    int64_t operator()(std::monostate) const { return 0; }
    int64_t operator()(Logical) const { return 0; }
    int64_t operator()(DateTime) const { return 0; }
    int64_t operator()(SubroutinePtr) const { return 0; }
    int64_t operator()(const Text&) const { return 0; }
    int64_t operator()(const ByteSet&) const { return 0; }
  };
  return std::visit(Visitor{}, value);
}

}  // namespace rc
