#include "edb/tool/edbtool.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

// A failure of a command: the database code and its text.
struct Failure {
  int32_t code;
};

// Closes whatever the command opened, also on failure.
struct CloseOnExit {
  ~CloseOnExit() { CloseAllDatabases(); }
};

Text PathArg(const std::string& arg) { return TextFromNativePath(arg); }

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

int Dump(const std::vector<std::string>& args, std::ostream& out) {
  std::optional<Text> password;
  std::optional<std::string> file;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--password" && i + 1 < args.size()) {
      password = Text::FromUtf8(args[++i]);
    } else if (!file) {
      file = args[i];
    } else {
      throw std::invalid_argument("dump");
    }
  }
  if (!file) throw std::invalid_argument("dump");
  CloseOnExit close;
  // A shared look: read-only, so that nothing is repaired or changed.
  Check(OpenDatabase(PathArg(*file), std::nullopt, true, kShareAll, password));
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

int Create(const std::vector<std::string>& args) {
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
    fields.push_back({Text::FromUtf8(field_arg.substr(0, colon)), *type, width});
  }
  Check(CreateDatabase(PathArg(args[0]), fields));
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

// A command-line or CSV value for a field of `type`; nullopt (omitted) for an empty value.
std::optional<Value> ParseValue(FieldType type, const std::string& s) {
  if (s.empty() && type != FieldType::kText && type != FieldType::kMemo) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  auto whole = [&](bool ok) {
    if (!ok || *end || errno || s.empty()) throw Failure{kDbValueKindMismatch};
  };
  switch (type) {
    case FieldType::kByte:
    case FieldType::kShort:
    case FieldType::kInt:
    case FieldType::kLong: {
      long long v = std::strtoll(s.c_str(), &end, 10);
      whole(true);
      return Value(static_cast<int64_t>(v));
    }
    case FieldType::kSubroutinePtr: {
      unsigned long long v = std::strtoull(s.c_str(), &end, 10);
      whole(v <= 0xFFFFFFFFull);
      return Value(SubroutinePtr{static_cast<uint32_t>(v)});
    }
    case FieldType::kFloat: {
      float v = std::strtof(s.c_str(), &end);
      whole(true);
      return Value(v);
    }
    case FieldType::kDouble:
    case FieldType::kDateTime: {
      double v = std::strtod(s.c_str(), &end);
      whole(true);
      if (type == FieldType::kDateTime) return Value(DateTime{v});
      return Value(v);
    }
    case FieldType::kLogical:
      if (s == "true" || s == "1" || s == "真") return Value(Logical(true));
      if (s == "false" || s == "0" || s == "假") return Value(Logical(false));
      throw Failure{kDbValueKindMismatch};
    case FieldType::kText:
    case FieldType::kMemo:
      return Value(Text::FromUtf8(s));
    case FieldType::kByteSet: {
      std::optional<ByteSet> bytes = ParseHex(s);
      if (!bytes) throw Failure{kDbValueKindMismatch};
      return Value(std::move(*bytes));
    }
  }
  return std::nullopt;
}

int Add(const std::vector<std::string>& args) {
  if (args.empty()) throw std::invalid_argument("add");
  CloseOnExit close;
  WhileBusy([&] { Check(OpenDatabase(PathArg(args[0]))); });
  DatabaseInfo info = *DescribeCurrentDatabase();
  std::vector<std::optional<Value>> values;
  for (size_t i = 1; i < args.size() && i - 1 < info.fields.size(); ++i) {
    values.push_back(ParseValue(info.fields[i - 1].type, args[i]));
  }
  WhileBusy([&] { Check(AddRecord(values)); });
  return 0;
}

int ExportCsv(const std::vector<std::string>& args, std::ostream& out) {
  if (args.size() != 1) throw std::invalid_argument("export-csv");
  CloseOnExit close;
  Check(OpenDatabase(PathArg(args[0]), std::nullopt, true));
  DatabaseInfo info = *DescribeCurrentDatabase();
  std::ostringstream s;
  for (size_t i = 0; i < info.fields.size(); ++i) {
    s << (i ? "," : "") << Csv(info.fields[i].name.ToUtf8());
  }
  s << "\r\n";
  ForEachRecord(info, [&](int32_t, const std::vector<Value>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
      bool is_text = false;
      std::string plain = Plain(values[i], &is_text);
      s << (i ? "," : "") << Csv(plain == "null" && !is_text ? "" : plain);
    }
    s << "\r\n";
  });
  out << s.str();
  return 0;
}

// RFC 4180 rows: quoted cells may hold commas, doubled quotes and line breaks.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string cell;
  bool quoted = false, any = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell.push_back('"');
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell.push_back(c);
      }
      continue;
    }
    any = true;
    if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(cell));
      cell.clear();
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      row.push_back(std::move(cell));
      cell.clear();
      rows.push_back(std::move(row));
      row.clear();
      any = false;
    } else {
      cell.push_back(c);
    }
  }
  if (any || !cell.empty() || !row.empty()) {
    row.push_back(std::move(cell));
    rows.push_back(std::move(row));
  }
  return rows;
}

int ImportCsv(const std::vector<std::string>& args) {
  if (args.size() != 2) throw std::invalid_argument("import-csv");
  std::ifstream in(args[1], std::ios::binary);
  if (!in) throw Failure{kDbFileNotFound};
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string text = buffer.str();
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);  // a byte-order mark
  std::vector<std::vector<std::string>> rows = ParseCsv(text);
  CloseOnExit close;
  WhileBusy([&] { Check(OpenDatabase(PathArg(args[0]))); });
  DatabaseInfo info = *DescribeCurrentDatabase();
  if (rows.empty()) return 0;
  // The header row names the column of each field; columns may come in any order.
  std::vector<int> field_of_column;
  for (const std::string& name : rows[0]) {
    int found = -1;
    for (size_t f = 0; f < info.fields.size(); ++f) {
      if (EqualsIgnoreCase(info.fields[f].name, Text::FromUtf8(name))) found = static_cast<int>(f);
    }
    if (found < 0) throw Failure{kDbValueKindMismatch};
    field_of_column.push_back(found);
  }
  for (size_t r = 1; r < rows.size(); ++r) {
    std::vector<std::optional<Value>> values(info.fields.size());
    for (size_t c = 0; c < rows[r].size() && c < field_of_column.size(); ++c) {
      const int f = field_of_column[c];
      values[f] = ParseValue(info.fields[f].type, rows[r][c]);
    }
    WhileBusy([&] { Check(AddRecord(values)); });
  }
  return 0;
}

}  // namespace

int RunEdbtool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return 1;
  }
  const std::string& command = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  try {
    if (command == "dump") return WhileBusy([&] { return Dump(rest, out); });
    if (command == "create") return Create(rest);
    if (command == "add") return Add(rest);
    if (command == "export-csv") return WhileBusy([&] { return ExportCsv(rest, out); });
    if (command == "import-csv") return ImportCsv(rest);
    err << kUsage;
    return 1;
  } catch (const Failure& f) {
    err << f.code << " " << DbErrorText(f.code).ToUtf8() << "\n";
    return 1;
  } catch (const std::invalid_argument&) {
    err << kUsage;
    return 1;
  }
}

}  // namespace rc
