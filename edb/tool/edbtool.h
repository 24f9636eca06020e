// edbtool: the record database on the command line.
//
//   edbtool dump [--password P] FILE       the whole database as one JSON object
//   edbtool create FILE NAME:TYPE[:WIDTH]... a new database (TYPE a code 1..12 or a name)
//   edbtool add FILE VALUE...                one record, one value per field in order
//   edbtool export-csv FILE                  UTF-8 CSV with a header row of field names
//   edbtool import-csv FILE CSV              one record per row of such a CSV file
//
// Texts on the command line and in the output are UTF-8; the files hold GBK. A failure
// prints its code and text ("-22 指定文件不是数据库文件") and gives exit status 1.
#ifndef ROLLCALL_EDB_TOOL_EDBTOOL_H_
#define ROLLCALL_EDB_TOOL_EDBTOOL_H_

#include <ostream>
#include <string>
#include <vector>

namespace rc {

// Runs one edbtool command (`args` without the program name). Returns the exit status.
int RunEdbtool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace rc

#endif  // ROLLCALL_EDB_TOOL_EDBTOOL_H_
