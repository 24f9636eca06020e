// Creating, opening and closing databases, and the list of open ones.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "core/paths.h"
#include "edb/coding.h"
#include "edb/crypto.h"
#include "edb/database.h"
#include "edb/errors.h"
#include "edb/field_values.h"
#include "edb/internal/database_state.h"
#include "edb/names.h"

namespace rc {
namespace edb_internal {
namespace {

PasswordPrompt& Prompt() {
  static PasswordPrompt prompt;
  return prompt;
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
  std::unique_ptr<File> file = db.fs->Open(
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

// The fields that CreateDatabase makes: the definitions up to the first without a name,
// each checked.
int32_t CheckDefinitions(const std::vector<FieldDefinition>& definitions,
                         std::vector<FieldDefinition>* fields) {
  if (definitions.empty()) return kDbNoFields;
  for (const FieldDefinition& d : definitions) {
    if (d.name.empty()) break;
    if (!IsValidIdentifier(d.name) || d.name.size() > kMaxFieldNameBytes) return kDbBadFieldName;
    if (d.type < kMinFieldType || d.type > kMaxFieldType) return kDbBadFieldType;
    if (d.type == static_cast<int32_t>(FieldType::kText) &&
        (d.width < kMinTextWidth || d.width > kMaxTextWidth)) {
      return kDbBadFieldWidth;
    }
    fields->push_back(d);
  }
  if (fields->empty()) return kDbNoFields;
  for (size_t i = 0; i < fields->size(); ++i) {
    for (size_t k = i + 1; k < fields->size(); ++k) {
      if (EqualsIgnoreCase((*fields)[i].name, (*fields)[k].name)) return kDbDuplicateFieldName;
    }
  }
  return kDbOk;
}

// The header and field descriptors of a database with no records.
std::vector<uint8_t> EncodeEmptyMainFile(const std::vector<FieldDefinition>& fields,
                                         double created) {
  std::vector<uint8_t> bytes(static_cast<size_t>(kFieldDescStart + kFieldDescSize * fields.size()));
  int32_t record_length = kRecordIdSize;
  for (size_t i = 0; i < fields.size(); ++i) {
    const auto type = static_cast<FieldType>(fields[i].type);
    uint8_t* d = bytes.data() + kFieldDescStart + kFieldDescSize * i;
    std::memcpy(d, fields[i].name.data(), fields[i].name.size());
    EncodeInt32(d + kFieldTypeOffset, fields[i].type);
    EncodeInt32(d + kFieldOffsetOffset, record_length);
    EncodeInt32(d + kFieldWidthOffset, type == FieldType::kText ? fields[i].width : 0);
    record_length += StoredWidth(type, fields[i].width);
  }
  EncodeFixed32(bytes.data(), kPlainMagic);
  EncodeInt32(bytes.data() + kVersionOffset, kFormatVersion);
  EncodeDouble(bytes.data() + kCreatedOffset, created);
  EncodeInt32(bytes.data() + kRecordCountOffset, 0);
  EncodeInt32(bytes.data() + kNextIdOffset, 1);
  EncodeInt32(bytes.data() + kRecordLengthOffset, record_length);
  EncodeInt32(bytes.data() + kFieldCountOffset, static_cast<int32_t>(fields.size()));
  return bytes;
}

// Writes a companion file holding only its header block.
int32_t CreateCompanion(FileSystem& fs, const Text& path, double created) {
  int32_t error = kDbOk;
  std::unique_ptr<File> blob = fs.Open(NativePath(path), true, true, &error);
  if (!blob || ClaimSharing(*blob, true, true, true, kNoRetryMs) != kDbOk) {
    return kDbBlobCreateFailed;
  }
  uint8_t block0[kBlockSize] = {};
  EncodeFixed32(block0, kBlobMagic);
  EncodeInt32(block0 + kVersionOffset, kFormatVersion);
  EncodeDouble(block0 + kCreatedOffset, created);
  EncodeInt32(block0 + kBlobBlockCountOffset, 1);
  if (blob->Truncate(0) != kDbOk || blob->Write(0, block0, sizeof block0) != kDbOk) {
    return kDbBlobCreateFailed;
  }
  return kDbOk;
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

}  // namespace

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

}  // namespace edb_internal

using namespace edb_internal;

bool CreateDatabase(const Text& file_name, const std::vector<FieldDefinition>& definitions) {
  return CreateDatabase(DefaultFileSystem(), file_name, definitions);
}

bool CreateDatabase(FileSystem& fs, const Text& file_name,
                    const std::vector<FieldDefinition>& definitions) {
  if (file_name.empty()) return RecordResult(kDbFileNotFound);
  std::vector<FieldDefinition> fields;
  if (int32_t code = CheckDefinitions(definitions, &fields); code != kDbOk) {
    return RecordResult(code);
  }
  const Text path = WithDefaultExtension(file_name);
  const double created = NowAsOleDate();
  int32_t error = kDbOk;
  std::unique_ptr<File> main = fs.Open(NativePath(path), true, true, &error);
  if (!main) return RecordResult(error);
  // No sharing: a file that is open anywhere is not replaced under its users.
  if (ClaimSharing(*main, true, true, true, kNoRetryMs) != kDbOk) {
    return RecordResult(kDbSharingViolation);
  }
  const std::vector<uint8_t> bytes = EncodeEmptyMainFile(fields, created);
  if (main->Truncate(0) != kDbOk || main->Write(0, bytes.data(), bytes.size()) != kDbOk) {
    return RecordResult(kDbCreateFailed);
  }
  const bool has_blob = std::any_of(fields.begin(), fields.end(), [](const FieldDefinition& f) {
    return IsBlobType(static_cast<FieldType>(f.type));
  });
  if (has_blob) return RecordResult(CreateCompanion(fs, CompanionPath(path), created));
  return RecordResult(kDbOk);
}

bool OpenDatabase(const Text& file_name, std::optional<Text> alias, std::optional<bool> read_only,
                  std::optional<int32_t> sharing, std::optional<Text> password,
                  const std::vector<Text>& index_files) {
  return OpenDatabase(DefaultFileSystem(), file_name, std::move(alias), read_only, sharing,
                      std::move(password), index_files);
}

bool OpenDatabase(FileSystem& fs, const Text& file_name, std::optional<Text> alias,
                  std::optional<bool> read_only, std::optional<int32_t> sharing,
                  std::optional<Text> password, const std::vector<Text>& index_files) {
  if (file_name.empty()) return RecordResult(kDbFileNotFound);
  if (alias && !alias->empty() && !IsValidIdentifier(*alias)) return RecordResult(kDbBadAlias);
  OpenRequest req{FullPath(WithDefaultExtension(file_name)), read_only.value_or(false),
                  sharing.value_or(kShareAll), std::move(password)};
  if (req.sharing < kShareAll || req.sharing > kExclusive) return RecordResult(kDbOpenFailed);
  for (const auto& open : Manager().list) {
    if (EqualsIgnoreCase(open->full_path, req.full_path)) return RecordResult(kDbAlreadyOpen);
  }

  auto db = std::make_unique<Database>();
  db->fs = &fs;
  db->full_path = req.full_path;
  db->title = TitleOf(req.full_path);
  db->alias = alias.value_or(Text());
  db->locking = req.sharing != kDenyRead && req.sharing != kExclusive;
  db->lock_kind = req.read_only ? LockKind::kShared : LockKind::kExclusive;
  const bool deny_read = req.sharing == kDenyRead || req.sharing == kExclusive;
  const bool deny_write = req.sharing == kDenyWrite || req.sharing == kExclusive;

  int32_t error = kDbOk;
  db->main = fs.Open(NativePath(req.full_path), !req.read_only, false, &error);
  if (!db->main) return RecordResult(error);
  if (int32_t c = ClaimSharing(*db->main, !req.read_only, deny_read, deny_write, kNoRetryMs);
      c != kDbOk) {
    return RecordResult(c);
  }
  // The whole file stays locked while it is checked and repaired.
  if (db->locking) {
    if (int32_t c = db->main->Lock(0, kWholeFileLockLength, db->lock_kind); c != kDbOk) {
      return RecordResult(c);
    }
  }
  std::shared_ptr<PageCipher> cipher;
  int32_t code = CheckHeaderAndFields(*db, req, &cipher);
  if (code == kDbOk) code = OpenCompanion(*db, req, deny_read, deny_write, cipher);
  if (code == kDbOk && index_files.size() > static_cast<size_t>(kMaxIndexFiles)) {
    code = kDbTooManyIndexFiles;
  }
  if (db->locking) db->main->Unlock(0, kWholeFileLockLength);
  if (code != kDbOk) return RecordResult(code);

  DbManager& m = Manager();
  m.list.push_back(std::move(db));
  m.current = static_cast<int>(m.list.size()) - 1;
  return RecordResult(kDbOk);
}

bool SetCurrentDatabase(const Text& name) {
  int index = FindDatabase(name);
  if (index < 0) return RecordResult(kDbNotOpen);
  Manager().current = index;
  return RecordResult(kDbOk);
}

void CloseDatabase(std::optional<Text> name) {
  SetLastDbError(kDbOk);
  int index = (!name || name->empty()) ? Manager().current : FindDatabase(*name);
  if (index < 0 || index >= static_cast<int>(Manager().list.size())) return;
  RemoveDatabase(static_cast<size_t>(index));
}

void CloseAllDatabases() {
  DbManager& m = Manager();
  m.list.clear();
  m.current = -1;
}

void SetPasswordPrompt(PasswordPrompt prompt) { Prompt() = std::move(prompt); }

}  // namespace rc
