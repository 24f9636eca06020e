// libFuzzer target: the record database on any pair of file images. The input is a 2-byte
// length of the main file's part, then the main file, then the companion file (none when
// that part is empty). The files live in memory (database_place.h).
//
// Each input is opened read-only and every field of every record is read; then it is opened
// for writing, which may repair the files, and read, written, searched and added to: what a
// class file copied from another machine goes through when the program uses it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/text.h"
#include "core/value.h"
#include "edb/database.h"
#include "fuzz/database_place.h"

namespace {

using rc::FieldType;
using rc::Value;

// The password of the protected seeds (tests/fuzz/make_seeds.cpp).
constexpr char kPassword[] = "rollcall";

rc::fuzz::DatabasePlace& Place() {
  static rc::fuzz::DatabasePlace place;
  return place;
}

// A value of the field's kind that differs from zeroed bytes. Texts and byte sets are
// longer than a companion block holds, so that writing them takes and frees blocks.
Value NewValue(FieldType type, int32_t salt) {
  switch (type) {
    case FieldType::kByte: return Value(static_cast<uint8_t>(salt));
    case FieldType::kShort: return Value(static_cast<int16_t>(-salt));
    case FieldType::kInt: return Value(int32_t{salt} * 65537);
    case FieldType::kLong: return Value(int64_t{salt} << 40);
    case FieldType::kFloat: return Value(1.5f * static_cast<float>(salt));
    case FieldType::kDouble: return Value(-2.25 * salt);
    case FieldType::kLogical: return Value(rc::Logical(salt % 2 == 1));
    case FieldType::kDateTime: return Value(rc::DateTime{45000.5 + salt});
    case FieldType::kSubroutinePtr: return Value(rc::SubroutinePtr{static_cast<uint32_t>(salt)});
    case FieldType::kText:
    case FieldType::kMemo:
      return Value(rc::Text(std::string(static_cast<size_t>(600 + salt), 'a')));
    case FieldType::kByteSet:
      return Value(rc::ByteSet(static_cast<size_t>(700 + salt), static_cast<uint8_t>(salt)));
  }
  return Value();
}

// Reads every field of every record by number, and the first record's by name too.
// Returns the last record's values.
std::vector<std::optional<Value>> ReadEverything(const rc::DatabaseInfo& info) {
  std::vector<std::optional<Value>> last(info.fields.size());
  const int32_t count = rc::RecordCount();
  rc::GoToFirstRecord();
  for (const rc::FieldInfo& field : info.fields) rc::ReadField(Value(field.name));
  for (int32_t r = 0; r < count; ++r) {
    rc::CurrentRecordIdentifier();
    for (size_t f = 0; f < info.fields.size(); ++f) {
      last[f] = rc::ReadField(Value(static_cast<int32_t>(f + 1)));
    }
    if (!rc::SkipRecords()) break;
  }
  // Both ends of the clamp.
  rc::SkipRecords(1);
  rc::SkipRecords(-count - 2);
  return last;
}

void Change(const rc::DatabaseInfo& info, std::vector<std::optional<Value>> last) {
  const auto& fields = info.fields;
  // The first record: every field written with a new value, then back with the read one.
  rc::GoToFirstRecord();
  std::vector<rc::FieldAssignment> fresh, back;
  for (size_t f = 0; f < fields.size(); ++f) {
    fresh.push_back({Value(fields[f].name), NewValue(fields[f].type, static_cast<int32_t>(f))});
    if (last[f]) back.push_back({Value(fields[f].name), *last[f]});
  }
  rc::WriteFields(std::nullopt, fresh);
  rc::WriteFields(std::nullopt, back);

  // Every other record, through an expression that reads the record being written.
  const Value first_field(int32_t{1});
  bool take = false;
  rc::WriteFields([&] { return take = !take; },
                  {{Value(fields.back().name), rc::Expression([&] {
                      return rc::ReadField(Value(static_cast<int32_t>(fields.size())));
                    })},
                   {Value(fields.front().name), NewValue(fields.front().type, 3)}});

  // A search that reads every record and matches none.
  rc::FindRecord([&] { return rc::ReadField(first_field).index() == 0; });

  // Two new records: one like the last, one of new values; then both read back.
  rc::AddRecord(last);
  for (size_t f = 0; f < fields.size(); ++f) last[f] = NewValue(fields[f].type, 7);
  rc::AddRecord(last);
  rc::SkipRecords(rc::RecordCount());
  for (size_t f = 0; f < fields.size(); ++f) rc::ReadField(Value(static_cast<int32_t>(f + 1)));
}

void Run(const std::optional<rc::Text>& password, bool read_only) {
  if (!rc::OpenDatabase(Place().fs(), Place().file_name(), std::nullopt, read_only, std::nullopt,
                        password)) {
    return;
  }
  if (auto info = rc::DescribeCurrentDatabase(); info && !info->fields.empty()) {
    auto last = ReadEverything(*info);
    if (!read_only) Change(*info, std::move(last));
  }
  rc::CloseAllDatabases();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t main_size = size;
  if (size >= 2) {
    main_size = std::min<size_t>(size - 2, static_cast<size_t>(data[0] | (data[1] << 8)));
    data += 2;
    size -= 2;
  }
  const std::vector<uint8_t> main(data, data + main_size), companion(data + main_size, data + size);
  std::optional<rc::Text> password;
  if (main.size() >= 4 && main[1] == 'C') password = rc::Text(kPassword);
  for (bool read_only : {true, false}) {
    Place().Put(main, companion);
    Run(password, read_only);
  }
  return 0;
}
