// The class rosters as the application drives them: creating a class from pasted names,
// the roll's walk, counter and search, the statistics window's fixed files and its reset,
// and deleting a class, with the aliases and file names the application uses.
#include <gtest/gtest.h>

#include <filesystem>

#include "edb/database.h"
#include "edb/errors.h"
#include "tests/edb/edb_test_util.h"

namespace rc {
namespace {

class RosterFlowTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directory(dir_.Native("date")); }
  void TearDown() override { CloseAllDatabases(); }

  // The class file as the application names it, without and with its extension.
  Text ClassBase(const std::string& utf8) { return dir_.Path("date/" + utf8); }
  Text ClassFile(const std::string& utf8) { return dir_.Path("date/" + utf8 + ".edb"); }

  // Creates a class as the class management window does; false when the open fails.
  bool CreateClass(const std::string& utf8, const std::vector<Text>& names) {
    // The width 20 is given for the counters too; the database ignores it there.
    CreateDatabase(ClassBase(utf8), {{"班级"_gbk, 10, 20},
                                     {"姓名"_gbk, 10, 20},
                                     {"回答次数"_gbk, 3, 20},
                                     {"错误次数"_gbk, 3, 20}});
    if (!OpenDatabase(ClassBase(utf8), "创建库"_gbk)) {
      CloseDatabase("创建库"_gbk);
      return false;
    }
    EXPECT_TRUE(SetCurrentDatabase("创建库"_gbk));
    GoToFirstRecord();
    for (const Text& n : names) EXPECT_TRUE(AddRecord({Text::FromUtf8(utf8), n}));
    CloseDatabase("创建库"_gbk);
    return true;
  }

  std::vector<std::string> Names() {
    std::vector<std::string> names;
    GoToFirstRecord();
    const int32_t n = RecordCount();
    for (int32_t i = 0; i < n; ++i) {
      names.push_back(AsText(ReadField("姓名"_gbk)).ToUtf8());
      SkipRecords();
    }
    return names;
  }

  test::TempDir dir_;
};

TEST_F(RosterFlowTest, CreateOpenRollAndFind) {
  ASSERT_TRUE(CreateClass("一班", {"张三"_gbk, Text(), "李四"_gbk}));
  // Created as ".EDB", opened as ".edb".
  EXPECT_TRUE(std::filesystem::exists(dir_.Native("date/一班.EDB")));
  const std::vector<uint8_t> bytes = test::ReadBytes(dir_.Native("date/一班.EDB"));
  EXPECT_EQ(test::Int32At(bytes, 116 + 72 * 2 + 28), 0);  // no width stored for counters
  EXPECT_EQ(test::Int32At(bytes, 116 + 72 * 3 + 28), 0);
  EXPECT_EQ(bytes.size(), 404u + 3 * 52);
  ASSERT_TRUE(OpenDatabase(ClassFile("一班"), "数据库"_gbk)) << LastDbError();
  EXPECT_EQ(Names(), (std::vector<std::string>{"张三", "", "李四"}));

  // The roll: make the class current, move to a drawn record, count it.
  ASSERT_TRUE(SetCurrentDatabase("数据库"_gbk));
  GoToFirstRecord();
  ASSERT_TRUE(SkipRecords(2));
  const int64_t asked = AsInteger(ReadField("回答次数"_gbk));
  ASSERT_TRUE(WriteFields(std::nullopt, {{"回答次数"_gbk, int32_t(asked + 1)}}));
  EXPECT_EQ(ReadField("回答次数"_gbk), Value(int32_t{1}));

  // X: the first student whose name is the one on screen.
  const Text on_screen = "李四"_gbk;
  GoToFirstRecord();
  ASSERT_TRUE(FindRecord([&] { return AsText(ReadField("姓名"_gbk)) == on_screen; }));
  const int64_t wrong = AsInteger(ReadField("错误次数"_gbk));
  ASSERT_TRUE(WriteFields(std::nullopt, {{"错误次数"_gbk, int32_t(wrong + 1)}}));
  EXPECT_EQ(ReadField("错误次数"_gbk), Value(int32_t{1}));
  EXPECT_EQ(ReadField("回答次数"_gbk), Value(int32_t{1}));
}

TEST_F(RosterFlowTest, CreatingAClassThatIsOpenFailsAndAddsNothing) {
  ASSERT_TRUE(CreateClass("一班", {"张三"_gbk}));
  ASSERT_TRUE(OpenDatabase(ClassFile("一班"), "数据库"_gbk));
  EXPECT_FALSE(CreateClass("一班", {"王五"_gbk}));
  ASSERT_TRUE(SetCurrentDatabase("数据库"_gbk));
  EXPECT_EQ(Names(), std::vector<std::string>{"张三"});
}

TEST_F(RosterFlowTest, StatisticsFilesAreListedAndReset) {
  for (const char* file : {"date1", "date2"}) {
    ASSERT_TRUE(CreateDatabase(dir_.Path(file), test::RosterFields()));
    ASSERT_TRUE(OpenDatabase(dir_.Path(file)));
    ASSERT_TRUE(AddRecord({"一班"_gbk, Text(file), int32_t{5}, int32_t{2}}));
    ASSERT_TRUE(AddRecord({"一班"_gbk, "乙"_gbk, int32_t{7}, int32_t{1}}));
  }
  CloseAllDatabases();
  ASSERT_TRUE(CreateClass("一班", {"张三"_gbk}));
  ASSERT_TRUE(OpenDatabase(ClassFile("一班"), "数据库"_gbk));

  ASSERT_TRUE(OpenDatabase(dir_.Path("date2.edb"), "数据库2"_gbk));
  ASSERT_TRUE(OpenDatabase(dir_.Path("date1.edb"), "数据库1"_gbk));
  ASSERT_TRUE(SetCurrentDatabase("数据库1"_gbk));
  GoToFirstRecord();
  const int32_t n = RecordCount();
  ASSERT_EQ(n, 2);
  for (int32_t i = 0; i < n; ++i) {
    ASSERT_TRUE(WriteFields(std::nullopt, {{"回答次数"_gbk, int32_t{0}}, {"错误次数"_gbk, int32_t{0}}}));
    SkipRecords();
  }
  GoToFirstRecord();
  for (int32_t i = 0; i < n; ++i) {
    EXPECT_EQ(ReadField("回答次数"_gbk), Value(int32_t{0}));
    EXPECT_EQ(ReadField("错误次数"_gbk), Value(int32_t{0}));
    SkipRecords();
  }
  // The other file is untouched; a second opening of the window reuses the open files.
  EXPECT_FALSE(OpenDatabase(dir_.Path("date2.edb"), "数据库2"_gbk));
  EXPECT_EQ(LastDbError(), kDbAlreadyOpen);
  ASSERT_TRUE(SetCurrentDatabase("数据库2"_gbk));
  EXPECT_EQ(ReadField("回答次数"_gbk), Value(int32_t{5}));

  // C makes the class current again.
  ASSERT_TRUE(SetCurrentDatabase("数据库"_gbk));
  EXPECT_EQ(Names(), std::vector<std::string>{"张三"});
}

TEST_F(RosterFlowTest, MissingStatisticsFileLeavesTheClassCurrent) {
  ASSERT_TRUE(CreateClass("一班", {"张三"_gbk}));
  ASSERT_TRUE(OpenDatabase(ClassFile("一班"), "数据库"_gbk));
  EXPECT_FALSE(OpenDatabase(dir_.Path("date1.edb"), "数据库1"_gbk));
  EXPECT_EQ(LastDbError(), kDbFileNotFound);
  EXPECT_FALSE(SetCurrentDatabase("数据库1"_gbk));
  EXPECT_EQ(LastDbError(), kDbNotOpen);
  EXPECT_EQ(RecordCount(), 1);  // still the class
}

TEST_F(RosterFlowTest, DeletingAClassThatIsOpenIsRefused) {
  ASSERT_TRUE(CreateClass("一班", {"张三"_gbk}));
  ASSERT_TRUE(CreateClass("二班", {"李四"_gbk}));
  ASSERT_TRUE(OpenDatabase(ClassFile("一班"), "数据库"_gbk));
  ASSERT_TRUE(OpenDatabase(ClassFile("二班"), "数据库1"_gbk));

  // Open under another alias: refused, and the open database keeps working.
  CloseDatabase("数据库"_gbk);
  EXPECT_FALSE(RemoveDatabaseFile(ClassFile("二班")));
  EXPECT_EQ(LastDbError(), kDbSharingViolation);
  ASSERT_TRUE(SetCurrentDatabase("数据库1"_gbk));
  EXPECT_EQ(RecordCount(), 1);

  // Closed: deleted, whatever the case of its extension on disk.
  EXPECT_TRUE(RemoveDatabaseFile(ClassFile("一班")));
  EXPECT_FALSE(std::filesystem::exists(dir_.Native("date/一班.EDB")));
  EXPECT_FALSE(RemoveDatabaseFile(ClassFile("一班")));
  EXPECT_EQ(LastDbError(), kDbFileNotFound);

  CloseDatabase("数据库1"_gbk);
  EXPECT_TRUE(RemoveDatabaseFile(ClassFile("二班")));
}

TEST_F(RosterFlowTest, DeletingRemovesTheCompanionFileToo) {
  ASSERT_TRUE(CreateDatabase(dir_.Path("m"), {{"备注"_gbk, 12, 0}}));
  EXPECT_TRUE(std::filesystem::exists(dir_.Native("m.EDT")));
  EXPECT_TRUE(RemoveDatabaseFile(dir_.Path("m.EDB")));
  EXPECT_FALSE(std::filesystem::exists(dir_.Native("m.EDB")));
  EXPECT_FALSE(std::filesystem::exists(dir_.Native("m.EDT")));
}

}  // namespace
}  // namespace rc
