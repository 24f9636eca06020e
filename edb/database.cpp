#include "edb/database.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>
#include <string>

#include "core/fatal.h"
#include "core/paths.h"
#include "edb/blob_store.h"
#include "edb/coding.h"
#include "edb/crypto.h"
#include "edb/errors.h"
#include "edb/field_values.h"
#include "edb/file.h"
#include "edb/locks.h"
#include "edb/names.h"

namespace rc {
namespace {

// The runtime's argument error, raised when a field is named by a value of the wrong kind.
constexpr int32_t kArgumentErrorCode = 11;
// A run-time stop that carries no error number.
constexpr int32_t kNoErrorNumber = 0;

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

DbManager& Manager() {
  static DbManager manager;
  return manager;
}

PasswordPrompt& Prompt() {
  static PasswordPrompt prompt;
  return prompt;
}

Database* Current() {
  DbManager& m = Manager();
  if (m.current < 0 || m.current >= static_cast<int>(m.list.size())) return nullptr;
  return m.list[m.current].get();
}

bool Fail(int32_t code) {
  SetLastDbError(code);
  return code == kDbOk;
}

// Main-file byte locks, through the lock table, only when the locking switch is on.
int32_t LockMain(Database& db, int64_t offset, uint32_t retry_ms = kNoRetryMs) {
  if (!db.locking || db.whole_locked) return kDbOk;
  return db.locks.Lock(*db.main, offset, db.lock_kind, retry_ms);
}
void UnlockMain(Database& db, int64_t offset) {
  if (!db.locking || db.whole_locked) return;
  db.locks.Unlock(*db.main, offset);
}

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
int32_t ReadCounts(Database& db, int32_t* count, int32_t* next_id, size_t bytes = 8) {
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

Text FormatUtf8(const char* format, int value) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, value);
  return Text::FromUtf8(buffer);
}

void Wipe(Text* text) {
  std::fill(text->bytes().begin(), text->bytes().end(), ' ');
}

double NowAsOleDate() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  CivilTime c;
  c.year = local.tm_year + 1900;
  c.month = local.tm_mon + 1;
  c.day = local.tm_mday;
  c.hour = local.tm_hour;
  c.minute = local.tm_min;
  c.second = std::min(local.tm_sec, 59);
  return FromCivil(c).days;
}

// --- Opening -----------------------------------------------------------------------------

struct OpenRequest {
  Text full_path;
  bool read_only;
  int32_t sharing;
  std::optional<Text> password;
};

// Checks the password of a protected header; on success `*cipher` deciphers the files.
int32_t CheckPassword(const uint8_t* raw_header, const std::optional<Text>& password,
                      std::shared_ptr<PageCipher>* cipher) {
  auto try_password = [&](const Text& candidate) {
    auto c = std::make_shared<PageCipher>(candidate.bytes());
    uint8_t header[kDbHeaderSize];
    std::memcpy(header, raw_header, sizeof header);
    c->Apply(0, header, sizeof header);
    std::string_view stored(reinterpret_cast<const char*>(header + kCheckTextOffset),
                            kCheckTextSize);
    if (!EqualsIgnoreCase(stored, PasswordCheckText(candidate.bytes()))) return false;
    *cipher = std::move(c);
    return true;
  };
  if (!password || password->empty()) return kDbBadPassword;
  if (password->bytes() != "?") return try_password(*password) ? kDbOk : kDbBadPassword;
  const PasswordPrompt& prompt = Prompt();
  constexpr int kTries = 3;
  for (int attempt = 0; attempt < kTries && prompt; ++attempt) {
    Text notice = attempt == 0
                      ? Text()
                      : FormatUtf8("密码错误，您还有 %d 次重新输入的机会。", kTries - attempt);
    Text typed;
    bool given = prompt(notice, &typed);
    bool ok = given && try_password(typed);
    Wipe(&typed);
    if (ok) return kDbOk;
    if (!given) break;
  }
  return kDbBadPassword;
}

// Decodes the deciphered header block. Pure: kDbNotDatabase for values no database holds,
// kDbVersionTooNew for a format this code does not know.
int32_t DecodeHeader(const uint8_t* raw, DbHeader* h) {
  h->magic = DecodeFixed32(raw);
  h->version = DecodeInt32(raw + kVersionOffset);
  h->created = DecodeDouble(raw + kCreatedOffset);
  h->record_count = DecodeInt32(raw + kRecordCountOffset);
  h->next_id = DecodeInt32(raw + kNextIdOffset);
  h->record_length = DecodeInt32(raw + kRecordLengthOffset);
  if (h->record_length <= 0 || h->record_count < 0 || h->next_id < 1) return kDbNotDatabase;
  if (h->version > kFormatVersion) return kDbVersionTooNew;
  return kDbOk;
}

// Decodes `count` field descriptors for records of `record_length` bytes. Pure: every field
// must lie inside the record, and the record must not be longer than its fields.
int32_t DecodeFields(const uint8_t* descs, int32_t count, int32_t record_length,
                     std::vector<Field>* fields) {
  int64_t widths = kRecordIdSize;
  fields->reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t* d = descs + static_cast<size_t>(i) * kFieldDescSize;
    const void* zero = std::memchr(d, 0, kFieldNameSize);
    const int32_t type = DecodeInt32(d + kFieldTypeOffset);
    const int32_t offset = DecodeInt32(d + kFieldOffsetOffset);
    const int32_t text_width = DecodeInt32(d + kFieldWidthOffset);
    if (!zero || offset < 0 || type < kMinFieldType || type > kMaxFieldType) {
      return kDbNotDatabase;
    }
    const auto field_type = static_cast<FieldType>(type);
    if (field_type == FieldType::kText &&
        (text_width < kMinTextWidth || text_width > kMaxTextWidth)) {
      return kDbNotDatabase;
    }
    const int32_t width = StoredWidth(field_type, text_width);
    // A field must lie inside the record, so that no read or write leaves it.
    if (int64_t{offset} + width > record_length) return kDbNotDatabase;
    widths += width;
    const size_t name_size = static_cast<size_t>(static_cast<const uint8_t*>(zero) - d);
    fields->push_back(Field{Text(reinterpret_cast<const char*>(d), name_size), field_type,
                            offset, width, field_type == FieldType::kText ? text_width : 0});
  }
  // Nor may the record be longer than its fields: an absurd length from a damaged header
  // would otherwise size every record buffer and every record written.
  if (record_length > widths) return kDbNotDatabase;
  return kDbOk;
}

// Reads the header block; a protected file is deciphered (and `db.main` wrapped so that
// every later read and write is) once the password fits.
int32_t ReadHeader(Database& db, const OpenRequest& req, std::shared_ptr<PageCipher>* cipher) {
  uint8_t raw[kDbHeaderSize];
  size_t done = 0;
  if (db.main->Read(0, raw, sizeof raw, &done) != kDbOk || done < sizeof raw) {
    return kDbNotDatabase;
  }
  const uint32_t magic = DecodeFixed32(raw);
  if (magic == kPlainMagic) {
    if (req.password && !req.password->empty()) return kDbBadPassword;
  } else if (magic == kEncryptedMagic) {
    if (int32_t code = CheckPassword(raw, req.password, cipher); code != kDbOk) return code;
    db.main = MakeCipherFile(std::move(db.main), *cipher);
    (*cipher)->Apply(0, raw, sizeof raw);
  } else {
    return kDbNotDatabase;
  }
  return DecodeHeader(raw, &db.header);
}

// Reads the field count and descriptors that follow the header in a file of `size` bytes.
int32_t ReadFields(Database& db, int64_t size) {
  uint8_t count_raw[4];
  size_t done = 0;
  if (db.main->Read(kFieldCountOffset, count_raw, 4, &done) != kDbOk || done < 4) {
    return kDbNotDatabase;
  }
  const int32_t field_count = DecodeInt32(count_raw);
  // A count that the file cannot hold is damage; it is never used to size a buffer.
  if (field_count <= 0 || kFieldDescStart + int64_t{field_count} * kFieldDescSize > size) {
    return kDbNotDatabase;
  }
  std::vector<uint8_t> descs(static_cast<size_t>(field_count) * kFieldDescSize);
  if (db.main->Read(kFieldDescStart, descs.data(), descs.size(), &done) != kDbOk ||
      done < descs.size()) {
    return kDbNotDatabase;
  }
  if (int32_t code = DecodeFields(descs.data(), field_count, db.header.record_length, &db.fields);
      code != kDbOk) {
    return code;
  }
  db.data_start = kFieldDescStart + int64_t{field_count} * kFieldDescSize;
  return kDbOk;
}

// Whole records only: a count past the records there are, or a partial record left by an
// interrupted add, is repaired when the file is opened for writing. A read-only open
// changes nothing, and refuses a count the file cannot hold.
int32_t RepairRecordArea(Database& db, int64_t size, bool read_only) {
  DbHeader& h = db.header;
  const int64_t physical = (size - db.data_start) / h.record_length;
  if (physical < h.record_count) {
    if (read_only) return kDbWrongFileSize;
    h.record_count = static_cast<int32_t>(physical);
    uint8_t fixed[4];
    EncodeInt32(fixed, h.record_count);
    if (db.main->Write(kRecordCountOffset, fixed, 4) != kDbOk) return kDbOpenFailed;
  }
  const int64_t wanted = db.RecordOffset(h.record_count);
  if (!read_only && size != wanted) {
    if (db.main->Truncate(wanted) != kDbOk) return kDbOpenFailed;
  }
  return kDbOk;
}

// The checks and repair of the main file on opening: decoding first, then the repair of
// what an interrupted write leaves behind.
int32_t CheckHeaderAndFields(Database& db, const OpenRequest& req,
                             std::shared_ptr<PageCipher>* cipher) {
  if (int32_t code = ReadHeader(db, req, cipher); code != kDbOk) return code;
  int64_t size = 0;
  if (db.main->Size(&size) != kDbOk) return kDbOpenFailed;
  if (int32_t code = ReadFields(db, size); code != kDbOk) return code;
  return RepairRecordArea(db, size, req.read_only);
}

// The first block of every memo and byte-set value of every record (the record count as
// checked on opening), read in batches.
int32_t ChainHeads(Database& db, std::vector<int32_t>* heads) {
  const int64_t length = db.header.record_length;
  const int64_t batch = std::max<int64_t>(1, kConditionalBatchBytes / length);
  std::vector<uint8_t> records;
  for (int64_t r = 0; r < db.header.record_count; r += batch) {
    const int64_t n = std::min<int64_t>(batch, db.header.record_count - r);
    records.resize(static_cast<size_t>(n * length));
    size_t done = 0;
    if (db.main->Read(db.RecordOffset(r), records.data(), records.size(), &done) != kDbOk ||
        done < records.size()) {
      return kDbOpenFailed;
    }
    for (int64_t i = 0; i < n; ++i) {
      for (const Field& f : db.fields) {
        if (IsBlobType(f.type)) heads->push_back(DecodeInt32(&records[i * length + f.offset]));
      }
    }
  }
  return kDbOk;
}

int32_t OpenCompanion(Database& db, const OpenRequest& req, bool deny_read, bool deny_write,
                      const std::shared_ptr<PageCipher>& cipher) {
  const bool needed = std::any_of(db.fields.begin(), db.fields.end(),
                                  [](const Field& f) { return IsBlobType(f.type); });
  if (!needed) return kDbOk;
  int32_t error = kDbOk;
  std::unique_ptr<File> file = CurrentFileSystem()->Open(
      NativePath(CompanionPath(req.full_path)), !req.read_only, false, &error);
  if (!file) return kDbBlobReadFailed;
  if (ClaimSharing(*file, !req.read_only, deny_read, deny_write, kNoRetryMs) != kDbOk) {
    return kDbBlobReadFailed;
  }
  if (cipher) file = MakeCipherFile(std::move(file), cipher);
  db.blob_file = std::move(file);
  db.blobs = std::make_unique<BlobStore>(db.blob_file.get(), db.lock_kind);
  auto heads = [&db](std::vector<int32_t>* out) { return ChainHeads(db, out); };
  return db.blobs->CheckOnOpen(db.header.version, req.read_only, heads);
}

// --- Records -----------------------------------------------------------------------------

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

void RemoveDatabase(size_t index) {
  DbManager& m = Manager();
  m.list.erase(m.list.begin() + static_cast<std::ptrdiff_t>(index));
  if (m.current == static_cast<int>(index)) {
    m.current = -1;
  } else if (m.current > static_cast<int>(index)) {
    --m.current;
  }
}

// Finds a database by alias, then title, then full path, newest first; -1 when none.
int FindDatabase(const Text& name) {
  if (name.empty()) return -1;
  const auto& list = Manager().list;
  for (auto member : {&Database::alias, &Database::title, &Database::full_path}) {
    for (int i = static_cast<int>(list.size()) - 1; i >= 0; --i) {
      if (EqualsIgnoreCase(list[i].get()->*member, name)) return i;
    }
  }
  return -1;
}

}  // namespace

// --- Commands ----------------------------------------------------------------------------

bool CreateDatabase(const Text& file_name, const std::vector<FieldDefinition>& definitions) {
  if (file_name.empty()) return Fail(kDbFileNotFound);
  if (definitions.empty()) return Fail(kDbNoFields);
  std::vector<FieldDefinition> fields;
  for (const FieldDefinition& d : definitions) {
    if (d.name.empty()) break;
    if (!IsValidIdentifier(d.name) || d.name.size() > kMaxFieldNameBytes) {
      return Fail(kDbBadFieldName);
    }
    if (d.type < kMinFieldType || d.type > kMaxFieldType) return Fail(kDbBadFieldType);
    if (d.type == static_cast<int32_t>(FieldType::kText) &&
        (d.width < kMinTextWidth || d.width > kMaxTextWidth)) {
      return Fail(kDbBadFieldWidth);
    }
    fields.push_back(d);
  }
  if (fields.empty()) return Fail(kDbNoFields);
  for (size_t i = 0; i < fields.size(); ++i) {
    for (size_t k = i + 1; k < fields.size(); ++k) {
      if (EqualsIgnoreCase(fields[i].name, fields[k].name)) return Fail(kDbDuplicateFieldName);
    }
  }

  const Text path = WithDefaultExtension(file_name);
  const double created = NowAsOleDate();
  int32_t error = kDbOk;
  std::unique_ptr<File> main = CurrentFileSystem()->Open(NativePath(path), true, true, &error);
  if (!main) return Fail(error);
  // No sharing: a file that is open anywhere is not replaced under its users.
  if (ClaimSharing(*main, true, true, true, kNoRetryMs) != kDbOk) {
    return Fail(kDbSharingViolation);
  }

  std::vector<uint8_t> bytes(static_cast<size_t>(kFieldDescStart + kFieldDescSize * fields.size()));
  int32_t record_length = kRecordIdSize;
  bool has_blob = false;
  for (size_t i = 0; i < fields.size(); ++i) {
    const auto type = static_cast<FieldType>(fields[i].type);
    uint8_t* d = bytes.data() + kFieldDescStart + kFieldDescSize * i;
    std::memcpy(d, fields[i].name.data(), fields[i].name.size());
    EncodeInt32(d + kFieldTypeOffset, fields[i].type);
    EncodeInt32(d + kFieldOffsetOffset, record_length);
    EncodeInt32(d + kFieldWidthOffset, type == FieldType::kText ? fields[i].width : 0);
    record_length += StoredWidth(type, fields[i].width);
    has_blob = has_blob || IsBlobType(type);
  }
  EncodeFixed32(bytes.data(), kPlainMagic);
  EncodeInt32(bytes.data() + kVersionOffset, kFormatVersion);
  EncodeDouble(bytes.data() + kCreatedOffset, created);
  EncodeInt32(bytes.data() + kRecordCountOffset, 0);
  EncodeInt32(bytes.data() + kNextIdOffset, 1);
  EncodeInt32(bytes.data() + kRecordLengthOffset, record_length);
  EncodeInt32(bytes.data() + kFieldCountOffset, static_cast<int32_t>(fields.size()));
  if (main->Truncate(0) != kDbOk || main->Write(0, bytes.data(), bytes.size()) != kDbOk) {
    return Fail(kDbCreateFailed);
  }

  if (has_blob) {
    std::unique_ptr<File> blob =
        CurrentFileSystem()->Open(NativePath(CompanionPath(path)), true, true, &error);
    if (!blob || ClaimSharing(*blob, true, true, true, kNoRetryMs) != kDbOk) {
      return Fail(kDbBlobCreateFailed);
    }
    uint8_t block0[kBlockSize] = {};
    EncodeFixed32(block0, kBlobMagic);
    EncodeInt32(block0 + kVersionOffset, kFormatVersion);
    EncodeDouble(block0 + kCreatedOffset, created);
    EncodeInt32(block0 + kBlobBlockCountOffset, 1);
    if (blob->Truncate(0) != kDbOk || blob->Write(0, block0, sizeof block0) != kDbOk) {
      return Fail(kDbBlobCreateFailed);
    }
  }
  return Fail(kDbOk);
}

bool OpenDatabase(const Text& file_name, std::optional<Text> alias, std::optional<bool> read_only,
                  std::optional<int32_t> sharing, std::optional<Text> password,
                  const std::vector<Text>& index_files) {
  if (file_name.empty()) return Fail(kDbFileNotFound);
  if (alias && !alias->empty() && !IsValidIdentifier(*alias)) return Fail(kDbBadAlias);
  OpenRequest req{FullPath(WithDefaultExtension(file_name)), read_only.value_or(false),
                  sharing.value_or(kShareAll), std::move(password)};
  if (req.sharing < kShareAll || req.sharing > kExclusive) return Fail(kDbOpenFailed);
  for (const auto& open : Manager().list) {
    if (EqualsIgnoreCase(open->full_path, req.full_path)) return Fail(kDbAlreadyOpen);
  }

  auto db = std::make_unique<Database>();
  db->full_path = req.full_path;
  db->title = TitleOf(req.full_path);
  db->alias = alias.value_or(Text());
  db->locking = req.sharing != kDenyRead && req.sharing != kExclusive;
  db->lock_kind = req.read_only ? LockKind::kShared : LockKind::kExclusive;
  const bool deny_read = req.sharing == kDenyRead || req.sharing == kExclusive;
  const bool deny_write = req.sharing == kDenyWrite || req.sharing == kExclusive;

  int32_t error = kDbOk;
  db->main = CurrentFileSystem()->Open(NativePath(req.full_path), !req.read_only, false, &error);
  if (!db->main) return Fail(error);
  if (int32_t c = ClaimSharing(*db->main, !req.read_only, deny_read, deny_write, kNoRetryMs);
      c != kDbOk) {
    return Fail(c);
  }
  // The whole file stays locked while it is checked and repaired.
  if (db->locking) {
    if (int32_t c = db->main->Lock(0, kWholeFileLockLength, db->lock_kind); c != kDbOk) {
      return Fail(c);
    }
  }
  std::shared_ptr<PageCipher> cipher;
  int32_t code = CheckHeaderAndFields(*db, req, &cipher);
  if (code == kDbOk) code = OpenCompanion(*db, req, deny_read, deny_write, cipher);
  if (code == kDbOk && index_files.size() > static_cast<size_t>(kMaxIndexFiles)) {
    code = kDbTooManyIndexFiles;
  }
  if (db->locking) db->main->Unlock(0, kWholeFileLockLength);
  if (code != kDbOk) return Fail(code);

  DbManager& m = Manager();
  m.list.push_back(std::move(db));
  m.current = static_cast<int>(m.list.size()) - 1;
  return Fail(kDbOk);
}

bool SetCurrentDatabase(const Text& name) {
  int index = FindDatabase(name);
  if (index < 0) return Fail(kDbNotOpen);
  Manager().current = index;
  return Fail(kDbOk);
}

void CloseDatabase(std::optional<Text> name) {
  SetLastDbError(kDbOk);
  int index = (!name || name->empty()) ? Manager().current : FindDatabase(*name);
  if (index < 0 || index >= static_cast<int>(Manager().list.size())) return;
  RemoveDatabase(static_cast<size_t>(index));
}

bool RemoveDatabaseFile(const Text& file_name) {
  if (file_name.empty()) return Fail(kDbFileNotFound);
  int32_t error = kDbOk;
  std::unique_ptr<File> main = CurrentFileSystem()->Open(NativePath(file_name), false, false, &error);
  if (!main) return Fail(error);
  // Refusing readers and writers finds every other open of the file. The markers stay
  // while the file is removed, so no open can slip in between.
  if (ClaimSharing(*main, false, true, true, kNoRetryMs) != kDbOk) {
    return Fail(kDbSharingViolation);
  }
  const Text companion = CompanionPath(file_name);
  std::unique_ptr<File> blob = CurrentFileSystem()->Open(NativePath(companion), false, false, &error);
  if (blob && ClaimSharing(*blob, false, true, true, kNoRetryMs) != kDbOk) {
    return Fail(kDbSharingViolation);
  }
  if (!RemoveFile(file_name)) return Fail(kDbAccessDenied);
  if (blob) RemoveFile(companion);
  return Fail(kDbOk);
}

DatabaseFileStatus ProbeDatabaseFile(const Text& file_name) {
  if (file_name.empty()) return DatabaseFileStatus::kMissing;
  int32_t error = kDbOk;
  std::unique_ptr<File> main =
      CurrentFileSystem()->Open(NativePath(WithDefaultExtension(file_name)), false, false, &error);
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

void CloseAllDatabases() {
  DbManager& m = Manager();
  m.list.clear();
  m.current = -1;
}

int32_t RecordCount() {
  Database* db = Current();
  if (!db) {
    Fail(kDbNoCurrentDatabase);
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
    Fail(kDbNoCurrentDatabase);
    return;
  }
  db->current_record = 0;
  SetLastDbError(kDbOk);
}

bool SkipRecords(std::optional<int32_t> n_arg) {
  Database* db = Current();
  if (!db) return Fail(kDbNoCurrentDatabase);
  const int64_t n = n_arg.value_or(1);
  if (n == 0) return Fail(kDbOk);
  int32_t count = 0;
  if (int32_t code = CountRecords(*db, &count); code != kDbOk) return Fail(code);
  if (n < 0 && (count == 0 || db->current_record == -1)) return Fail(kDbBeforeFirst);
  if (n > 0 && (count == 0 || db->current_record >= count)) return Fail(kDbAfterLast);
  db->current_record = static_cast<int32_t>(std::clamp<int64_t>(db->current_record + n, -1, count));
  return Fail(kDbOk);
}

bool AddRecord(const std::vector<std::optional<Value>>& values) {
  Database* db = Current();
  if (!db) return Fail(kDbNoCurrentDatabase);
  const size_t used = std::min(values.size(), db->fields.size());
  for (size_t i = 0; i < used; ++i) {
    if (values[i] && !ValueFitsField(db->fields[i].type, *values[i])) {
      return Fail(kDbValueKindMismatch);
    }
  }
  ScopedLock header_lock(*db, kRecordCountLockOffset);
  if (header_lock.code() != kDbOk) return Fail(header_lock.code());
  int32_t count = 0, next_id = 0;
  if (int32_t c = ReadCounts(*db, &count, &next_id); c != kDbOk) return Fail(c);
  count = std::max(count, 0);
  next_id = std::max(next_id, 1);
  if (count == std::numeric_limits<int32_t>::max() ||
      next_id == std::numeric_limits<int32_t>::max()) {
    return Fail(kDbRecordWriteFailed);
  }
  const int64_t at = db->RecordOffset(count);
  ScopedLock record_lock(*db, at);
  if (record_lock.code() != kDbOk) return Fail(record_lock.code());

  std::vector<uint8_t> record(static_cast<size_t>(db->header.record_length));
  EncodeInt32(record.data(), next_id);
  for (size_t i = 0; i < used; ++i) {
    if (!values[i]) continue;
    if (int32_t c = StoreInRecord(*db, db->fields[i], *values[i], record.data()); c != kDbOk) {
      return Fail(c);
    }
  }
  if (int32_t c = db->main->Write(at, record.data(), record.size()); c != kDbOk) {
    return Fail(c == kDbDiskFull ? c : kDbRecordWriteFailed);
  }
  // The record is complete before the count admits it: a crash in between leaves a record
  // past the count, which the next open cuts off.
  uint8_t counts[8];
  EncodeInt32(counts, count + 1);
  EncodeInt32(counts + 4, next_id + 1);
  if (int32_t c = db->main->Write(kRecordCountOffset, counts, sizeof counts); c != kDbOk) {
    return Fail(c == kDbDiskFull ? c : kDbRecordWriteFailed);
  }
  db->current_record = count;
  return Fail(kDbOk);
}

bool WriteFields(std::optional<Condition> condition, const std::vector<FieldAssignment>& pairs) {
  Database* db = Current();
  if (!db) return Fail(kDbNoCurrentDatabase);
  const bool conditional = condition && *condition;
  // Without a condition there must be a record to write before the pairs are looked at.
  if (!conditional) {
    int64_t size = 0;
    if (db->current_record < 0 || db->main->Size(&size) != kDbOk ||
        db->RecordOffset(db->current_record) >= size) {
      return Fail(kDbNoCurrentRecord);
    }
  }
  std::vector<ResolvedPair> resolved;
  for (const FieldAssignment& p : pairs) {
    const Text* name = std::get_if<Text>(&p.name);
    if (!name) RaiseFatalError(kArgumentErrorCode, "所提供参数的数据类型不符合要求"_gbk);
    const Field* field = FindField(*db, *name);
    if (!field) continue;
    if (const Value* v = std::get_if<Value>(&p.value); v && !ValueFitsField(field->type, *v)) {
      return Fail(kDbValueKindMismatch);
    }
    resolved.push_back({field, &p.value});
  }
  const int32_t current = db->current_record;
  int32_t code = conditional ? WriteMatchingRecords(*db, *condition, resolved)
                             : WriteCurrentRecord(*db, resolved);
  db->current_record = current;
  return Fail(code);
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

bool FindRecord(const Condition& condition) {
  Database* db = Current();
  if (!db) return Fail(kDbNoCurrentDatabase);
  ScopedLock header_lock(*db, kRecordCountLockOffset);
  if (header_lock.code() != kDbOk) return Fail(header_lock.code());
  int32_t count = 0;
  if (int32_t c = ReadCounts(*db, &count, nullptr, 4); c != kDbOk) return Fail(c);
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
  if (code != kDbOk) return Fail(code);
  SetLastDbError(kDbOk);
  return found >= 0;
}

void SetPasswordPrompt(PasswordPrompt prompt) { Prompt() = std::move(prompt); }

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
