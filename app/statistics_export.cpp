#include "app/statistics_export.h"

#include <cerrno>
#include <ctime>
#include <string>

#include "app/bind_routine.h"
#include "app/roll_class.h"
#include "app/windows.h"
#include "core/paths.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "services/windows/export_commands.h"
#include "services/windows/window_commands.h"

namespace rc::app {
namespace {

constexpr size_t kClassColumn = 1;

bool NeedsQuotes(const std::string& cell, char separator) {
  return cell.find_first_of(std::string{separator, '"', '\r', '\n'}) != std::string::npos;
}

// "<class> 统计 <yyyy-mm-dd>.csv", the class as the list's first row names it (the roll's
// class for an empty list); a separator in it would make it a path.
Text ProposedFileName(const std::vector<std::vector<Text>>& table) {
  Text name = table.size() > 1 && table[1].size() > kClassColumn ? table[1][kClassColumn]
                                                                 : RollClassName();
  std::string& bytes = name.bytes();
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (IsLeadByte(byte)) {
      ++i;  // a trail byte may be 0x5C and is no backslash
    } else if (byte < 0x20 || byte == '/' || byte == '\\') {
      bytes[i] = '_';
    }
  }
  char date[16] = "";
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local)) std::strftime(date, sizeof date, "%Y-%m-%d", &local);
  return name + " 统计 "_gbk + Text(date) + ".csv"_gbk;
}

Text FolderOf(const Text& path) {
  const size_t slash = path.bytes().find_last_of('/');
  return slash == std::string::npos ? path : Text(path.bytes().substr(0, slash));
}

Text WriteFailureReason(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return "这个文件夹不允许写入"_gbk;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return "磁盘已满"_gbk;
    case ENOENT:
    case ENOTDIR:
      return "文件夹不存在"_gbk;
    default:
      return "错误代码 "_gbk + Text(std::to_string(error));
  }
}

void ShowStatisticsMenu() { PopUpMenu(kStatsWindow, kCountsMenu); }

void CopyAllStatistics() { SetClipboardText(FormatTable(ListTable(kStatsWindow, kCountsList), '\t')); }

void ExportStatisticsCsv() {
  const std::optional<Text> path =
      AskSavePath(kStatsWindow, "导出为 CSV"_gbk,
                  ProposedFileName(ListTable(kStatsWindow, kCountsList)),
                  "CSV 文件 (*.csv)"_gbk);
  if (path) WriteStatisticsCsv(*path);
}

}  // namespace

Text FormatTable(const std::vector<std::vector<Text>>& rows, char separator) {
  Text out;
  for (const std::vector<Text>& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) out.bytes() += separator;
      const std::string& cell = row[i].bytes();
      if (!NeedsQuotes(cell, separator)) {
        out.bytes() += cell;
        continue;
      }
      out.bytes() += '"';
      for (char c : cell) {
        if (c == '"') out.bytes() += '"';
        out.bytes() += c;
      }
      out.bytes() += '"';
    }
    out.bytes() += "\r\n";
  }
  return out;
}

bool WriteStatisticsCsv(const Text& path) {
  const std::string csv =
      "\xEF\xBB\xBF" + FormatTable(ListTable(kStatsWindow, kCountsList), ',').ToUtf8();
  if (WriteFileWhole(path, csv)) return true;
  const int error = errno;
  ShowMessage("统计没有导出：不能在文件夹“"_gbk + FolderOf(path) + "”里写入文件（"_gbk +
                  WriteFailureReason(error) + "）。请换一个文件夹再试。"_gbk,
              kMbOk | kMbIconWarning);
  return false;
}

bool BindStatisticsMenuHandlers() {
  bool bound =
      BindRoutine(kStatsWindow, kCountsList, forms::kEventRightClicked, ShowStatisticsMenu);
  bound &= BindRoutine(kStatsWindow, kCopyAllItem, forms::kEventMenuChosen,
                       CopyAllStatistics);
  bound &= BindRoutine(kStatsWindow, kExportCsvItem, forms::kEventMenuChosen,
                       ExportStatisticsCsv);
  return bound;
}

}  // namespace rc::app
