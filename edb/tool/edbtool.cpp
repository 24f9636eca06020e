#include "edb/tool/edbtool.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "core/clock.h"
#include "core/paths.h"
#include "core/value.h"
#include "edb/database.h"
#include "edb/errors.h"
#include "edb/format.h"

namespace rc {
namespace {

constexpr char kUsage[] =
    "usage: edbtool dump [--password P] FILE\n"
    "       edbtool create FILE NAME:TYPE[:WIDTH]...\n"
    "       edbtool add FILE VALUE...\n"
    "       edbtool export-csv FILE\n"
    "       edbtool import-csv FILE CSV\n";

constexpr const char* kTypeNames[] = {"Byte",     "Short",         "Int",  "Long",
                                      "Float",    "Double",        "Logical",
                                      "DateTime", "SubroutinePtr", "Text", "ByteSet",
                                      "Memo"};

// A failure of a command: the database code (printed with its text) and, for input the
// tool refused itself, what was wrong and where.
struct Failure {
  int32_t code;
  std::string detail = {};
};

// Closes whatever the command opened, also on failure.
struct CloseOnExit {
  ~CloseOnExit() { CloseAllDatabases(); }
};

// A file named on the command line is looked for in its folder as the bytes given, whatever
// system named the folders on the way; only the file's own name is converted and looked up
// ignoring case, as every name the database opens is. A folder that does not exist as
// given is looked up that way too.
Text PathArg(const std::string& arg) {
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(arg, error);
  if (arg.empty() || error) return TextFromNativePath(arg);
  path = path.lexically_normal();  // as the database resolves "." and ".." itself
  if (std::filesystem::is_directory(path.parent_path(), error)) {
    KeepNativeFolder(path.parent_path().string());
  }
  return TextFromNativePath(path.string());
}

// Text from a person: UTF-8 when it is valid UTF-8, otherwise GBK (GB18030) as it stands,
// which is what a terminal or a spreadsheet in a Chinese locale produces.
Text InputText(std::string_view bytes) { return TextFromNativeName(bytes); }

std::string Quoted(const Text& text) { return "\"" + text.ToUtf8() + "\""; }

void Check(bool ok) {
  if (!ok) throw Failure{LastDbError() ? LastDbError() : kDbUnknown};
}

// The program may hold a record or the record count for the moment it writes a counter.
// The commands themselves do not wait for that (only the record count does); the tool, run
// beside the program, waits the moment out rather than failing. Only steps that change
// nothing when they fail are repeated.
constexpr uint32_t kBusyWaitMs = 2000;
constexpr uint32_t kBusyPollMs = 20;

template <typename Step>
auto WhileBusy(Step step) {
  const uint32_t start = TickCount();
  while (true) {
    try {
      return step();
    } catch (const Failure& f) {
      if (f.code != kDbLockViolation || TickCount() - start >= kBusyWaitMs) throw;
    }
    SleepMs(kBusyPollMs);
  }
}

std::string Hex(const ByteSet& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (uint8_t b : bytes) {
    s.push_back(kDigits[b >> 4]);
    s.push_back(kDigits[b & 15]);
  }
  return s;
}

// The shortest decimal form that reads back as the same number (0.1, not
// 0.10000000000000001); JSON has no form for infinities and NaN.
template <typename Real>
std::string Number(Real d) {
  if (!std::isfinite(d)) return "null";
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d);
  return ec == std::errc() ? std::string(buffer, end) : "null";
}

// The plain (unquoted) form of a value, as JSON and CSV both use it; `*is_text` tells
// whether JSON must quote it.
std::string Plain(const Value& value, bool* is_text) {
  *is_text = false;
  struct Visitor {
    bool* is_text;
    std::string operator()(std::monostate) const { return "null"; }
    std::string operator()(uint8_t v) const { return std::to_string(v); }
    std::string operator()(int16_t v) const { return std::to_string(v); }
    std::string operator()(int32_t v) const { return std::to_string(v); }
    std::string operator()(int64_t v) const { return std::to_string(v); }
    std::string operator()(float v) const { return Number(v); }
    std::string operator()(double v) const { return Number(v); }
    std::string operator()(Logical v) const { return v ? "true" : "false"; }
    std::string operator()(DateTime v) const { return Number(v.days); }
    std::string operator()(SubroutinePtr v) const { return std::to_string(v.value); }
    std::string operator()(const Text& v) const {
      *is_text = true;
      return v.ToUtf8();
    }
    std::string operator()(const ByteSet& v) const {
      *is_text = true;
      return Hex(v);
    }
  };
  return std::visit(Visitor{is_text}, value);
}

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  return out + "\"";
}

std::string Json(const Value& value) {
  bool is_text = false;
  std::string plain = Plain(value, &is_text);
  return is_text ? JsonString(plain) : plain;
}

// The CSV form of a real: the shortest text that reads back as the same number, and "inf",
// "-inf", "nan" for what JSON cannot hold, so that import gets back what was exported.
template <typename Real>
std::string CsvNumber(Real d) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d);
  return ec == std::errc() ? std::string(buffer, end) : std::string();
}

std::string Csv(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  return out + "\"";
}

// Reads every record of the current database, field by field.
template <typename PerRecord>
void ForEachRecord(const DatabaseInfo& info, PerRecord per_record) {
  const int32_t count = RecordCount();
  Check(LastDbError() == kDbOk);
  GoToFirstRecord();
  for (int32_t r = 0; r < count; ++r) {
    std::optional<int32_t> id = CurrentRecordIdentifier();
    if (!id) throw Failure{kDbRecordReadFailed};
    std::vector<Value> values;
    for (size_t f = 0; f < info.fields.size(); ++f) {
      values.push_back(ReadField(static_cast<int32_t>(f + 1)));
      Check(LastDbError() == kDbOk);
    }
    per_record(*id, values);
    SkipRecords(1);
  }
}

int Dump(FileSystem& fs, const std::vector<std::string>& args, std::ostream& out) {
  std::optional<Text> password;
  std::optional<std::string> file;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--password" && i + 1 < args.size()) {
      password = InputText(args[++i]);
    } else if (!file) {
      file = args[i];
    } else {
      throw std::invalid_argument("dump");
    }
  }
  if (!file) throw std::invalid_argument("dump");
  CloseOnExit close;
  // A shared look: read-only, so that nothing is repaired or changed.
  Check(OpenDatabase(fs, PathArg(*file), std::nullopt, true, kShareAll, password));
  DatabaseInfo info = *DescribeCurrentDatabase();
  const int32_t count = RecordCount();
  Check(LastDbError() == kDbOk);
  std::ostringstream s;
  s << "{\"magic\":\"" << (info.magic == kEncryptedMagic ? "WCDB" : "WEDB") << "\""
    << ",\"version\":" << info.version << ",\"created\":" << Number(info.created)
    << ",\"record_count\":" << count << ",\"next_id\":" << info.next_id
    << ",\"record_length\":" << info.record_length << ",\"fields\":[";
  for (size_t i = 0; i < info.fields.size(); ++i) {
    const FieldInfo& f = info.fields[i];
    s << (i ? "," : "") << "{\"name\":" << JsonString(f.name.ToUtf8())
      << ",\"type\":" << static_cast<int32_t>(f.type) << ",\"offset\":" << f.offset
      << ",\"width\":" << f.width << "}";
  }
  s << "],\"records\":[";
  bool first = true;
  ForEachRecord(info, [&](int32_t id, const std::vector<Value>& values) {
    s << (first ? "" : ",") << "{\"id\":" << id << ",\"values\":[";
    for (size_t i = 0; i < values.size(); ++i) s << (i ? "," : "") << Json(values[i]);
    s << "]}";
    first = false;
  });
  s << "]}\n";
  out << s.str();
  return 0;
}

std::optional<int32_t> ParseInt(const std::string& s) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(s.c_str(), &end, 10);
  if (s.empty() || *end || errno || v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(v);
}

// A type code or a type name (ignoring case).
std::optional<int32_t> ParseType(const std::string& s) {
  for (int32_t i = 0; i < kMaxFieldType; ++i) {
    if (EqualsIgnoreCase(s, kTypeNames[i])) return i + 1;
  }
  return ParseInt(s);
}

int Create(FileSystem& fs, const std::vector<std::string>& args) {
  if (args.size() < 2) throw std::invalid_argument("create");
  std::vector<FieldDefinition> fields;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& field_arg = args[i];
    size_t colon = field_arg.find(':');
    if (colon == std::string::npos) throw std::invalid_argument("create");
    size_t colon2 = field_arg.find(':', colon + 1);
    std::optional<int32_t> type = ParseType(field_arg.substr(colon + 1, colon2 - colon - 1));
    if (!type) throw Failure{kDbBadFieldType};
    int32_t width = 0;
    if (colon2 != std::string::npos) {
      std::optional<int32_t> w = ParseInt(field_arg.substr(colon2 + 1));
      if (!w) throw Failure{kDbBadFieldWidth};
      width = *w;
    }
    // The library ends the list at an empty name; from a person it is a mistake that
    // would silently drop the fields after it.
    if (colon == 0) {
      throw Failure{kDbBadFieldName, "field " + std::to_string(i) + " has no name"};
    }
    fields.push_back({InputText(field_arg.substr(0, colon)), *type, width});
  }
  Check(CreateDatabase(fs, PathArg(args[0]), fields));
  return 0;
}

std::optional<ByteSet> ParseHex(const std::string& s) {
  if (s.size() % 2) return std::nullopt;
  ByteSet bytes;
  for (size_t i = 0; i < s.size(); i += 2) {
    char* end = nullptr;
    std::string pair = s.substr(i, 2);
    long v = std::strtol(pair.c_str(), &end, 16);
    if (*end || !std::isxdigit(static_cast<unsigned char>(pair[0]))) return std::nullopt;
    bytes.push_back(static_cast<uint8_t>(v));
  }
  return bytes;
}

// A command-line or CSV value for `field`; nullopt (omitted) for an empty value. `where`
// names the value in an error ("line 3, column 2"). A number must fit its field: a person
// who types 256 for a Byte means 256, not the 0 that the library's conversion would store.
std::optional<Value> ParseValue(const FieldInfo& field, const Text& text,
                                const std::string& where) {
  const FieldType type = field.type;
  const std::string& s = text.bytes();
  if (s.empty() && type != FieldType::kText && type != FieldType::kMemo) return std::nullopt;
  auto refuse = [&](const char* why) {
    return Failure{kDbValueKindMismatch,
                   where + " (field " + Quoted(field.name) + "): " + Quoted(text) + " " + why};
  };
  char* end = nullptr;
  errno = 0;
  auto integer = [&](int64_t low, int64_t high) -> int64_t {
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (*end) throw refuse("is not a whole number");
    if (errno == ERANGE || v < low || v > high) throw refuse("is out of the field's range");
    return v;
  };
  // Underflow rounds toward zero and is accepted (1e-45 is the smallest float); a finite
  // text that overflows to infinity is out of range. "inf" and "nan" are read as such.
  auto real = [&](auto v) {
    if (*end) throw refuse("is not a number");
    if (errno == ERANGE && std::isinf(v)) throw refuse("is out of the field's range");
    return v;
  };
  switch (type) {
    case FieldType::kByte:
      return Value(static_cast<uint8_t>(integer(0, UINT8_MAX)));
    case FieldType::kShort:
      return Value(static_cast<int16_t>(integer(INT16_MIN, INT16_MAX)));
    case FieldType::kInt:
      return Value(static_cast<int32_t>(integer(INT32_MIN, INT32_MAX)));
    case FieldType::kLong:
      return Value(static_cast<int64_t>(integer(INT64_MIN, INT64_MAX)));
    case FieldType::kSubroutinePtr:
      return Value(SubroutinePtr{static_cast<uint32_t>(integer(0, UINT32_MAX))});
    case FieldType::kFloat:
      return Value(real(std::strtof(s.c_str(), &end)));
    case FieldType::kDouble:
      return Value(real(std::strtod(s.c_str(), &end)));
    case FieldType::kDateTime:
      return Value(DateTime{real(std::strtod(s.c_str(), &end))});
    case FieldType::kLogical:
      if (s == "true" || s == "1" || text == "真"_gbk) return Value(Logical(true));
      if (s == "false" || s == "0" || text == "假"_gbk) return Value(Logical(false));
      throw refuse("is neither true nor false");
    case FieldType::kText:
    case FieldType::kMemo:
      return Value(text);
    case FieldType::kByteSet: {
      std::optional<ByteSet> bytes = ParseHex(s);
      if (!bytes) throw refuse("is not hexadecimal bytes");
      return Value(std::move(*bytes));
    }
  }
  return std::nullopt;
}

int Add(FileSystem& fs, const std::vector<std::string>& args) {
  if (args.empty()) throw std::invalid_argument("add");
  CloseOnExit close;
  WhileBusy([&] { Check(OpenDatabase(fs, PathArg(args[0]))); });
  DatabaseInfo info = *DescribeCurrentDatabase();
  const size_t given = args.size() - 1;
  if (given == 0 || given > info.fields.size()) {
    throw Failure{kDbValueKindMismatch, std::to_string(given) + " values for " +
                                            std::to_string(info.fields.size()) + " fields"};
  }
  std::vector<std::optional<Value>> values;
  for (size_t i = 1; i < args.size(); ++i) {
    values.push_back(
        ParseValue(info.fields[i - 1], InputText(args[i]), "value " + std::to_string(i)));
  }
  WhileBusy([&] { Check(AddRecord(values)); });
  return 0;
}

int ExportCsv(FileSystem& fs, const std::vector<std::string>& args, std::ostream& out) {
  if (args.size() != 1) throw std::invalid_argument("export-csv");
  CloseOnExit close;
  Check(OpenDatabase(fs, PathArg(args[0]), std::nullopt, true));
  DatabaseInfo info = *DescribeCurrentDatabase();
  std::ostringstream s;
  for (size_t i = 0; i < info.fields.size(); ++i) {
    s << (i ? "," : "") << Csv(info.fields[i].name.ToUtf8());
  }
  s << "\r\n";
  ForEachRecord(info, [&](int32_t, const std::vector<Value>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
      bool is_text = false;
      std::string plain;
      if (const float* f = std::get_if<float>(&values[i])) {
        plain = CsvNumber(*f);
      } else if (const double* d = std::get_if<double>(&values[i])) {
        plain = CsvNumber(*d);
      } else {
        plain = Plain(values[i], &is_text);
        if (plain == "null" && !is_text) plain.clear();
      }
      s << (i ? "," : "") << Csv(plain);
    }
    s << "\r\n";
  });
  out << s.str();
  return 0;
}

// One row of a CSV file and the line it starts on.
struct CsvRow {
  size_t line;
  std::vector<Text> cells;
};

// RFC 4180 rows over GBK bytes (no trail byte is a comma, quote or line break): a quote
// opens a quoted cell only at the start of the cell; there it may hold commas, doubled
// quotes and line breaks. Elsewhere a quote is an ordinary character. Blank lines, and rows
// of nothing but empty cells, are skipped.
std::vector<CsvRow> ParseCsv(const std::string& text) {
  std::vector<CsvRow> rows;
  CsvRow row{1, {}};
  std::string cell;
  size_t line = 1;
  bool at_cell_start = true;
  auto end_row = [&] {
    row.cells.emplace_back(std::move(cell));
    cell.clear();
    bool blank = std::all_of(row.cells.begin(), row.cells.end(),
                             [](const Text& c) { return c.empty(); });
    if (!blank) rows.push_back(std::move(row));
    row = CsvRow{line, {}};
    at_cell_start = true;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' && at_cell_start) {
      const size_t opened = line;
      for (++i;; ++i) {
        if (i >= text.size()) {
          throw Failure{kDbValueKindMismatch,
                        "line " + std::to_string(opened) + ": a quoted cell is never closed"};
        }
        if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
          cell.push_back('"');
          ++i;
        } else if (text[i] == '"') {
          break;
        } else {
          if (text[i] == '\n') ++line;
          cell.push_back(text[i]);
        }
      }
      // After the closing quote the cell must end.
      if (i + 1 < text.size() && text[i + 1] != ',' && text[i + 1] != '\r' && text[i + 1] != '\n') {
        throw Failure{kDbValueKindMismatch,
                      "line " + std::to_string(line) + ": text after a closing quote"};
      }
      at_cell_start = false;
      continue;
    }
    if (c == ',') {
      row.cells.emplace_back(std::move(cell));
      cell.clear();
      at_cell_start = true;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++line;
      end_row();
    } else {
      cell.push_back(c);
      at_cell_start = false;
    }
  }
  if (!cell.empty() || !row.cells.empty()) end_row();
  return rows;
}

std::string ReadCsvFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw Failure{kDbAccessDenied, "\"" + path + "\" is a folder"};
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure{kDbFileNotFound, "\"" + path + "\""};
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string text = buffer.str();
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);  // a byte-order mark
  return text;
}

int ImportCsv(FileSystem& fs, const std::vector<std::string>& args) {
  if (args.size() != 2) throw std::invalid_argument("import-csv");
  // The whole file is one encoding: UTF-8 when it is valid UTF-8, else GB18030.
  std::vector<CsvRow> rows = ParseCsv(InputText(ReadCsvFile(args[1])).bytes());
  CloseOnExit close;
  WhileBusy([&] { Check(OpenDatabase(fs, PathArg(args[0]))); });
  DatabaseInfo info = *DescribeCurrentDatabase();
  if (rows.empty()) return 0;
  // The header row names the column of each field; columns may come in any order.
  std::vector<size_t> field_of_column;
  for (size_t c = 0; c < rows[0].cells.size(); ++c) {
    const Text& name = rows[0].cells[c];
    const std::string column = "column " + std::to_string(c + 1) + " " + Quoted(name);
    auto found = std::find_if(info.fields.begin(), info.fields.end(),
                              [&](const FieldInfo& f) { return EqualsIgnoreCase(f.name, name); });
    if (found == info.fields.end()) throw Failure{kDbFieldNotFound, column + " names no field"};
    const auto f = static_cast<size_t>(found - info.fields.begin());
    if (std::find(field_of_column.begin(), field_of_column.end(), f) != field_of_column.end()) {
      throw Failure{kDbDuplicateFieldName, column + " names a field a second time"};
    }
    field_of_column.push_back(f);
  }
  // Every row is checked before the first is added, so that a fixed file can be imported
  // again without adding its first rows twice.
  std::vector<std::vector<std::optional<Value>>> records;
  for (size_t r = 1; r < rows.size(); ++r) {
    const CsvRow& row = rows[r];
    if (row.cells.size() > field_of_column.size()) {
      throw Failure{kDbValueKindMismatch,
                    "line " + std::to_string(row.line) + ": " + std::to_string(row.cells.size()) +
                        " cells for " + std::to_string(field_of_column.size()) + " columns"};
    }
    std::vector<std::optional<Value>> values(info.fields.size());
    for (size_t c = 0; c < row.cells.size(); ++c) {
      const size_t f = field_of_column[c];
      const std::string where =
          "line " + std::to_string(row.line) + ", column " + std::to_string(c + 1);
      values[f] = ParseValue(info.fields[f], row.cells[c], where);
    }
    records.push_back(std::move(values));
  }
  for (const auto& values : records) WhileBusy([&] { Check(AddRecord(values)); });
  return 0;
}

}  // namespace

int RunEdbtool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return RunEdbtool(args, out, err, DefaultFileSystem());
}

int RunEdbtool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               FileSystem& fs) {
  if (args.empty()) {
    err << kUsage;
    return 1;
  }
  const std::string& command = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  try {
    if (command == "dump") return WhileBusy([&] { return Dump(fs, rest, out); });
    if (command == "create") return Create(fs, rest);
    if (command == "add") return Add(fs, rest);
    if (command == "export-csv") return WhileBusy([&] { return ExportCsv(fs, rest, out); });
    if (command == "import-csv") return ImportCsv(fs, rest);
    err << kUsage;
    return 1;
  } catch (const Failure& f) {
    err << f.code << " " << DbErrorText(f.code).ToUtf8()
        << (f.detail.empty() ? "" : ": " + f.detail) << "\n";
    return 1;
  } catch (const std::invalid_argument&) {
    err << kUsage;
    return 1;
  }
}

}  // namespace rc
