// Taking the statistics out of the program: the list's right-click menu copies every row, the
// header first, to the clipboard as tab-separated text (a spreadsheet puts it in columns), or
// exports it as a CSV file (UTF-8 with a byte-order mark, so that spreadsheets read the Chinese
// names; RFC 4180 quoting). The file is written whole or not at all.
//
// User-interface thread only.
#ifndef ROLLCALL_APP_STATISTICS_EXPORT_H_
#define ROLLCALL_APP_STATISTICS_EXPORT_H_

#include <vector>

#include "core/text.h"

namespace rc::app {

// Binds the list's right click and the menu's entries. Returns whether the definitions bind
// all of them; all are bound that can be.
[[nodiscard]] bool BindStatisticsMenuHandlers();

// The rows as text, each ended by CR LF, cells apart by `separator`. A cell holding the
// separator, a quote or a line break is quoted, its quotes doubled (RFC 4180; spreadsheets
// read pasted text the same way).
Text FormatTable(const std::vector<std::vector<Text>>& rows, char separator);

// Writes what the statistics list shows to the CSV file at `path`. On failure, one message
// that says where and why, and the file as it was.
bool WriteStatisticsCsv(const Text& path);

}  // namespace rc::app

#endif  // ROLLCALL_APP_STATISTICS_EXPORT_H_
