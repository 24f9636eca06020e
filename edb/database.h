// The record database commands: one current database, one current record in it.
//
// Databases are opened under aliases and stay open until closed; the process-wide list of
// open databases (DbManager) and each Database carry no lock of their own, so the commands
// are issued from one thread at a time. Nothing read from a file is kept between commands:
// every command reads what it needs, so that other programs' changes are seen at once.
//
// No command throws. Each ends with its result and sets the calling thread's last error
// (LastDbError in edb/errors.h), 0 on success. The exceptions are the argument and field
// errors of ReadField and WriteFields, which stop the program through RaiseFatalError.
//
// Every file goes through a FileSystem: DefaultFileSystem() unless the overloads that take
// one are used (tests and fuzzers). An open database keeps the one it was opened with, which
// must outlive it.
//
// Typical use (the class roster):
//   OpenDatabase(path, "数据库"_gbk);
//   for (GoToFirstRecord(); ...; SkipRecords()) Text name = AsText(ReadField("姓名"_gbk));
//   WriteFields(std::nullopt, {{"回答次数"_gbk, count + 1}});
//   FindRecord([&] { return AsText(ReadField("姓名"_gbk)) == name; });
#ifndef ROLLCALL_EDB_DATABASE_H_
#define ROLLCALL_EDB_DATABASE_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

#include "core/text.h"
#include "core/value.h"
#include "edb/file.h"
#include "edb/format.h"

namespace rc {

// One field of CreateDatabase: name, type code (FieldType), text width (Text fields only).
struct FieldDefinition {
  Text name;
  int32_t type = 0;
  int32_t width = 0;
};

// Creates the main file (and the companion file when a field is a memo or byte set) and
// closes them; the database is not opened. A name without extension gets ".EDB". An existing
// file that is not open anywhere is overwritten; one that is open fails with
// kDbSharingViolation.
bool CreateDatabase(const Text& file_name, const std::vector<FieldDefinition>& fields);
bool CreateDatabase(FileSystem& fs, const Text& file_name,
                    const std::vector<FieldDefinition>& fields);

// Sharing modes of OpenDatabase.
enum SharingMode : int32_t {
  kShareAll = 1,
  kDenyRead = 2,
  kDenyWrite = 3,
  kExclusive = 4,
};

// Opens a database and makes it the current one, its current record 0. `alias` may be
// omitted; `read_only` defaults to false, `sharing` to kShareAll. A password of "?" asks the
// user through the password prompt. Index file names are accepted (at most 10) but unused.
bool OpenDatabase(const Text& file_name, std::optional<Text> alias = {},
                  std::optional<bool> read_only = {}, std::optional<int32_t> sharing = {},
                  std::optional<Text> password = {},
                  const std::vector<Text>& index_files = {});
bool OpenDatabase(FileSystem& fs, const Text& file_name, std::optional<Text> alias = {},
                  std::optional<bool> read_only = {}, std::optional<int32_t> sharing = {},
                  std::optional<Text> password = {},
                  const std::vector<Text>& index_files = {});

// Makes the database found by alias, title or full path current (kDbNotOpen when none
// matches).
bool SetCurrentDatabase(const Text& name);

// Closes the database found by alias, title or full path; the current one when the name is
// omitted or empty. Nothing happens when none is found.
void CloseDatabase(std::optional<Text> name = {});

// Number of records of the current database, read from the file; 0 on failure.
int32_t RecordCount();

void GoToFirstRecord();

// Moves the current record by n (omitted: 1), clamped to -1 .. record count.
bool SkipRecords(std::optional<int32_t> n = {});

// Appends a record with one value per field in field order; an omitted value (nullopt, or
// a list shorter than the fields) leaves the field zero. Extra values are ignored.
bool AddRecord(const std::vector<std::optional<Value>>& values);

// A condition routine: called with the record under test as the in-memory record, it
// usually reads fields with ReadField and answers whether the record qualifies.
using Condition = std::function<bool()>;
// A value given as an expression: evaluated for each record that is written, with that
// record as the in-memory record.
using Expression = std::function<Value()>;

// One (field name, value) pair of WriteFields. The name must be a text; a name that matches
// no field is skipped.
struct FieldAssignment {
  Value name;
  std::variant<Value, Expression> value;
};

// Without a condition, writes the pairs into the current record. With one, writes them
// into every record for which the condition holds. The current record is kept.
bool WriteFields(std::optional<Condition> condition, const std::vector<FieldAssignment>& pairs);

// Reads a field of the current record by name (a text, ignoring case) or by number (a
// numeric value, counted from 1). On a failed read the result is the field's empty value
// and LastDbError tells why.
Value ReadField(const Value& field);

// Searches from the current record (at least the first) for the first record that meets the
// condition and makes it current. Not found: the current record stays.
bool FindRecord(const Condition& condition);

// The "?" password: asks the user. `notice` is empty on the first try, then says how many
// tries are left. Returns false when the user cancels; otherwise the typed password is in
// `*password`, which the database wipes with spaces after use.
using PasswordPrompt = std::function<bool(const Text& notice, Text* password)>;
// Installs the prompt (the user interface does this at start-up); an empty function makes
// "?" fail with kDbBadPassword.
void SetPasswordPrompt(PasswordPrompt prompt);

// Convenience readers for ReadField's results: the text, or the number as a 64-bit integer
// (reals truncated); empty / 0 for other kinds.
Text AsText(const Value& value);
int64_t AsInteger(const Value& value);

// What the command-line tool shows about the current database: the header as read on
// opening, the field descriptors, and the identifier of the current record (read from the
// file). nullopt when no database is current or the record cannot be read.
struct FieldInfo {
  Text name;
  FieldType type;
  int32_t offset;
  int32_t width;  // declared text width (Text only), else 0
};
struct DatabaseInfo {
  uint32_t magic;
  int32_t version;
  double created;
  int32_t next_id;
  int32_t record_length;
  std::vector<FieldInfo> fields;
};
std::optional<DatabaseInfo> DescribeCurrentDatabase();
std::optional<int32_t> CurrentRecordIdentifier();

// Deletes a database's main file, named as given (no default extension), and its companion
// file when there is one. A file that is open anywhere, in this process under any alias or
// in another program, is not deleted (kDbSharingViolation), so that no program loses the file
// under it; kDbFileNotFound when it does not exist. Deleting a class goes through here rather
// than removing the file directly, which the file system would allow while the file is open.
bool RemoveDatabaseFile(const Text& file_name);
bool RemoveDatabaseFile(FileSystem& fs, const Text& file_name);

// What CreateDatabase would find at `file_name` (".EDB" added to a name without extension):
// no file, a file that no program has open, or a file open somewhere (in this process
// under any alias, or in another program), which CreateDatabase would refuse with
// kDbSharingViolation. Lets a caller ask before replacing a file. Changes nothing.
enum class DatabaseFileStatus { kMissing, kClosed, kOpen };
DatabaseFileStatus ProbeDatabaseFile(const Text& file_name);
DatabaseFileStatus ProbeDatabaseFile(FileSystem& fs, const Text& file_name);
// Whether the file an open database (found by alias, title or full path) was opened from is
// still the file its path names. A sync client or a backup restore puts a new file in place
// by renaming it over the old one, and a deleted file stays readable and writable through
// the open database: what is written then reaches no file anyone will see again. kSame also
// where the file system cannot tell. Changes nothing.
enum class DatabaseFileCheck { kSame, kReplaced, kGone, kNotOpen };
DatabaseFileCheck CheckDatabaseFile(const Text& name);

// Puts the database file `from` (complete, closed) in the place of `to`, in one step: a
// reader of `to` finds either the old file or the new one, never a part. Names are used as
// given (no default extension). Refused with kDbSharingViolation when either file is open
// anywhere, so no program loses the file under it. A companion file of `from` goes along;
// one of the old `to` is removed.
bool ReplaceDatabaseFile(const Text& from, const Text& to);
bool ReplaceDatabaseFile(FileSystem& fs, const Text& from, const Text& to);

// Closes every open database (tests and tools).
void CloseAllDatabases();

}  // namespace rc

#endif  // ROLLCALL_EDB_DATABASE_H_
