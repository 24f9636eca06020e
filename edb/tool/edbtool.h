// edbtool: the record database on the command line.
//
//   edbtool dump [--password P] FILE       the whole database as one JSON object
//   edbtool create FILE NAME:TYPE[:WIDTH]... a new database (TYPE a code 1..12 or a name)
//   edbtool add FILE VALUE...                one record, one value per field in order
//   edbtool export-csv FILE                  UTF-8 CSV with a header row of field names
//   edbtool import-csv FILE CSV              one record per row of such a CSV file
//
// Texts in the output are UTF-8; the files hold GBK. Arguments and CSV files are read as
// UTF-8 when they are valid UTF-8 (a CSV file may start with a byte-order mark) and as GBK
// otherwise; the folder of a FILE is found as the bytes given. Values must fit their
// fields: a number outside its field's range, a value beyond the last field or a CSV cell
// that does not parse is refused, and an import adds nothing unless every row is good.
// Export writes reals as import reads them back ("1e-45", "inf", "nan"). A failure prints
// its code and text ("-22 指定文件不是数据库文件"), then for refused input what was wrong
// and where, and gives exit status 1.
#ifndef ROLLCALL_EDB_TOOL_EDBTOOL_H_
#define ROLLCALL_EDB_TOOL_EDBTOOL_H_

#include <ostream>
#include <string>
#include <vector>

#include "edb/file.h"

namespace rc {

// Runs one edbtool command (`args` without the program name). Returns the exit status.
int RunEdbtool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The same on the files of `fs` (the fuzzers keep theirs in memory).
int RunEdbtool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               FileSystem& fs);

}  // namespace rc

#endif  // ROLLCALL_EDB_TOOL_EDBTOOL_H_
