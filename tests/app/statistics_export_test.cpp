// The statistics as text: the quoting that keeps a spreadsheet's columns, and a CSV file that
// is written whole or not at all, with one message when it cannot be.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/statistics_export.h"
#include "app/windows.h"
#include "core/paths.h"
#include "core/program_location.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/windows/window_commands.h"

namespace rc::app {
namespace {

namespace fs = std::filesystem;

// Closes each message box as it comes up and keeps its text.
class MessageBoxes {
 public:
  MessageBoxes() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      texts.push_back(box->text().toStdString());
      box->accept();
    });
    timer_.start();
  }
  std::vector<std::string> texts;

 private:
  QTimer timer_;
};

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(StatisticsExportTest, CellsWithSeparatorsQuotesOrLineBreaksAreQuoted) {
  const std::vector<std::vector<Text>> rows = {
      {"姓名"_gbk, "n"_gbk},
      {"逗,号"_gbk, "A\"引\""_gbk},
      {"换\r\n行"_gbk, "制\t表"_gbk}};
  EXPECT_EQ(FormatTable(rows, ',').ToUtf8(),
            "姓名,n\r\n\"逗,号\",\"A\"\"引\"\"\"\r\n\"换\r\n行\",制\t表\r\n");
  EXPECT_EQ(FormatTable(rows, '\t').ToUtf8(),
            "姓名\tn\r\n逗,号\t\"A\"\"引\"\"\"\r\n\"换\r\n行\"\t\"制\t表\"\r\n");
}

TEST(StatisticsExportTest, AFileIsWrittenWholeOrNotAtAllWithOneMessage) {
  ASSERT_TRUE(InitProgramLocation());
  ASSERT_TRUE(forms::BindHandler(kStatsWindow, app::kStatsWindowItem, forms::kEventCreated,
                                 [](int32_t, int32_t) { return 0; }));
  ASSERT_TRUE(forms::LoadWindow(kStatsWindow, std::nullopt, false));
  ListInsertRow(kStatsWindow, kCountsList, std::nullopt, "1"_gbk);
  for (int32_t column = 1; column <= 4; ++column) {
    ListSetCellText(kStatsWindow, kCountsList, 0, column,
                    std::vector<Text>{"一班"_gbk, "张,三"_gbk, "2"_gbk, "1"_gbk}[column - 1]);
  }
  const fs::path folder = fs::path(ProgramFolder().bytes()) / "export-test";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const fs::path good = folder / "一班.csv";
  ASSERT_TRUE(WriteStatisticsCsv(TextFromNativePath(good.string())));
  EXPECT_EQ(FileBytes(good),
            "\xEF\xBB\xBFNum,班级,姓名,被点名次数,回答错误次数\r\n1,一班,\"张,三\",2,1\r\n");

  // A folder that cannot be made (its parent is a file), and a disk that fills up during the
  // write: one message each, the old file as it was, nothing left beside it.
  MessageBoxes boxes;
  EXPECT_FALSE(WriteStatisticsCsv(TextFromNativePath((good / "x.csv").string())));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_NE(boxes.texts[0].find("文件夹不存在"), std::string::npos) << boxes.texts[0];

  std::ofstream(good, std::ios::binary) << "old";
  rlimit before{};
  getrlimit(RLIMIT_FSIZE, &before);
  signal(SIGXFSZ, SIG_IGN);
  rlimit small = before;
  small.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = WriteStatisticsCsv(TextFromNativePath(good.string()));
  setrlimit(RLIMIT_FSIZE, &before);
  EXPECT_FALSE(written);
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_NE(boxes.texts[1].find("磁盘已满"), std::string::npos) << boxes.texts[1];
  EXPECT_EQ(FileBytes(good), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
  fs::remove_all(folder);
  EXPECT_TRUE(forms::CloseWindow(kStatsWindow));
}

}  // namespace
}  // namespace rc::app
