// The commands as the application uses them: the open-database list, the cursor, adding,
// reading, writing and searching, their results and last errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "core/paths.h"
#include "edb/database.h"
#include "edb/errors.h"
#include "tests/edb/edb_test_util.h"

namespace rc {
namespace {

class CommandsTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseAllDatabases(); }

  // Creates a roster with the given student names and opens it under "数据库".
  void OpenRoster(const std::vector<std::string>& names, const std::string& file = "class") {
    ASSERT_TRUE(CreateDatabase(dir_.Path(file), test::RosterFields()));
    ASSERT_TRUE(OpenDatabase(dir_.Path(file), "数据库"_gbk));
    for (const std::string& n : names) ASSERT_TRUE(AddRecord({"一班"_gbk, Text(n)}));
    GoToFirstRecord();
  }
  std::string Name() { return AsText(ReadField("姓名"_gbk)).bytes(); }
  int64_t Counter(const char* utf8) { return AsInteger(ReadField(Text::FromUtf8(utf8))); }

  test::TempDir dir_;
};

TEST_F(CommandsTest, NewClassDatabaseIsEmpty) {
  OpenRoster({});
  EXPECT_EQ(RecordCount(), 0);
  EXPECT_EQ(LastDbError(), kDbOk);
  GoToFirstRecord();
  EXPECT_EQ(ReadField("姓名"_gbk), Value(Text()));
  EXPECT_EQ(LastDbError(), kDbSeekFailed);
  EXPECT_FALSE(SkipRecords());
  EXPECT_EQ(LastDbError(), kDbAfterLast);
  EXPECT_FALSE(SkipRecords(-1));
  EXPECT_EQ(LastDbError(), kDbBeforeFirst);
}

TEST_F(CommandsTest, SkippingIsClampedToBeforeFirstAndAfterLast) {
  OpenRoster({"a", "b", "c"});
  EXPECT_EQ(Name(), "a");
  EXPECT_TRUE(SkipRecords());
  EXPECT_TRUE(SkipRecords());
  EXPECT_EQ(Name(), "c");
  EXPECT_TRUE(SkipRecords());
  EXPECT_EQ(Name(), "");  // after the last record
  EXPECT_EQ(LastDbError(), kDbSeekFailed);
  EXPECT_FALSE(SkipRecords());
  EXPECT_EQ(LastDbError(), kDbAfterLast);
  EXPECT_TRUE(SkipRecords(0));
  EXPECT_TRUE(SkipRecords(-10));
  EXPECT_EQ(Name(), "");  // before the first record
  EXPECT_EQ(LastDbError(), kDbNoCurrentRecord);
  EXPECT_FALSE(SkipRecords(-1));
  EXPECT_EQ(LastDbError(), kDbBeforeFirst);
  EXPECT_TRUE(SkipRecords(2));
  EXPECT_EQ(Name(), "b");
  EXPECT_TRUE(SkipRecords(std::numeric_limits<int32_t>::max()));
  EXPECT_FALSE(SkipRecords());
}

TEST_F(CommandsTest, AddRecordAppendsAndBecomesCurrent) {
  OpenRoster({"a", "b"});
  ASSERT_TRUE(AddRecord({"一班"_gbk, "张三"_gbk}));
  EXPECT_EQ(RecordCount(), 3);
  EXPECT_EQ(Name(), "张三"_gbk.bytes());
  EXPECT_EQ(ReadField("回答次数"_gbk), Value(int32_t{0}));
  EXPECT_EQ(ReadField("错误次数"_gbk), Value(int32_t{0}));
  EXPECT_EQ(CurrentRecordIdentifier(), 3);
  // Omitted values stay zero; extra values are ignored; numbers convert.
  ASSERT_TRUE(AddRecord({std::nullopt, "李四"_gbk, int64_t{7}, uint8_t{2}, int32_t{99}}));
  EXPECT_EQ(AsText(ReadField(1)), Text());
  EXPECT_EQ(Counter("回答次数"), 7);
  EXPECT_EQ(ReadField(4), Value(int32_t{2}));
  // A value of the wrong kind writes nothing.
  const auto before = test::ReadBytes(dir_.Native("class.EDB"));
  EXPECT_FALSE(AddRecord({"一班"_gbk, int32_t{5}}));
  EXPECT_EQ(LastDbError(), kDbValueKindMismatch);
  EXPECT_EQ(test::ReadBytes(dir_.Native("class.EDB")), before);
  EXPECT_EQ(CurrentRecordIdentifier(), 4);
}

TEST_F(CommandsTest, WriteFieldsChangesOnlyTheNamedFieldsOfTheCurrentRecord) {
  OpenRoster({"a", "b"});
  ASSERT_TRUE(SkipRecords());
  ASSERT_TRUE(WriteFields(std::nullopt, {{"回答次数"_gbk, int32_t{5}}, {"错误次数"_gbk, int32_t{2}}}));
  const auto written = test::ReadBytes(dir_.Native("class.EDB"));
  ASSERT_TRUE(WriteFields(std::nullopt, {{"没有"_gbk, int32_t{1}}}));  // no such field: skipped
  EXPECT_EQ(test::ReadBytes(dir_.Native("class.EDB")), written);
  EXPECT_FALSE(WriteFields(std::nullopt, {{"回答次数"_gbk, "x"_gbk}}));
  EXPECT_EQ(LastDbError(), kDbValueKindMismatch);
  EXPECT_EQ(test::ReadBytes(dir_.Native("class.EDB")), written);
  ASSERT_TRUE(WriteFields(std::nullopt, {{"回答次数"_gbk, int32_t{0}}, {"错误次数"_gbk, int32_t{0}}}));
  EXPECT_EQ(Counter("回答次数"), 0);
  GoToFirstRecord();
  EXPECT_EQ(Name(), "a");
  EXPECT_EQ(CurrentRecordIdentifier(), 1);
  // Field names ignore case.
  ASSERT_TRUE(CreateDatabase(dir_.Path("ci"), {{"Name"_gbk, 10, 4}}));
  ASSERT_TRUE(OpenDatabase(dir_.Path("ci")));
  ASSERT_TRUE(AddRecord({"x"_gbk}));
  ASSERT_TRUE(WriteFields(std::nullopt, {{"nAME"_gbk, "y"_gbk}}));
  EXPECT_EQ(AsText(ReadField("NAME"_gbk)).bytes(), "y");
}

TEST_F(CommandsTest, WriteFieldsNeedsACurrentRecordInTheFile) {
  OpenRoster({"a"});
  ASSERT_TRUE(SkipRecords());
  EXPECT_FALSE(WriteFields(std::nullopt, {{"回答次数"_gbk, int32_t{1}}}));
  EXPECT_EQ(LastDbError(), kDbNoCurrentRecord);
  ASSERT_TRUE(SkipRecords(-2));
  EXPECT_FALSE(WriteFields(std::nullopt, {{"回答次数"_gbk, int32_t{1}}}));
  EXPECT_EQ(LastDbError(), kDbNoCurrentRecord);
  // The missing record is reported before the pairs are checked.
  EXPECT_FALSE(WriteFields(std::nullopt, {{"回答次数"_gbk, "text"_gbk}}));
  EXPECT_EQ(LastDbError(), kDbNoCurrentRecord);
  CloseDatabase();
  EXPECT_FALSE(WriteFields(std::nullopt, {{"回答次数"_gbk, int32_t{1}}}));
  EXPECT_EQ(LastDbError(), kDbNoCurrentDatabase);
}

TEST_F(CommandsTest, ConditionalWriteChangesEveryMatchingRecordAndKeepsTheCursor) {
  std::vector<std::string> names;
  // Several batches of records; every third one matches.
  for (int i = 0; i < 7000; ++i) names.push_back((i % 3 == 0 ? "x" : "y") + std::to_string(i));
  OpenRoster(names);
  ASSERT_TRUE(SkipRecords(5));
  int calls = 0;
  // The expression reads the record under test: its number from the name.
  ASSERT_TRUE(WriteFields([&] { ++calls; return Name()[0] == 'x'; },
                          {{"回答次数"_gbk, int32_t{9}},
                           {"错误次数"_gbk, Expression([&] {
                              return Value(static_cast<int32_t>(std::stoi(Name().substr(1))));
                            })}}));
  EXPECT_EQ(calls, 7000);
  EXPECT_EQ(CurrentRecordIdentifier(), 6);
  GoToFirstRecord();
  EXPECT_EQ(Counter("回答次数"), 9);
  EXPECT_EQ(Counter("错误次数"), 0);
  ASSERT_TRUE(SkipRecords(6999));
  EXPECT_EQ(Counter("回答次数"), 9);
  EXPECT_EQ(Counter("错误次数"), 6999);
  ASSERT_TRUE(SkipRecords(-1));
  EXPECT_EQ(Counter("回答次数"), 0);
  // An expression of the wrong kind stops with kDbExpressionKind.
  EXPECT_FALSE(WriteFields([] { return true; },
                           {{"回答次数"_gbk, Expression([] { return Value("t"_gbk); })}}));
  EXPECT_EQ(LastDbError(), kDbExpressionKind);
}

TEST_F(CommandsTest, FindRecordSearchesFromTheCurrentRecord) {
  OpenRoster({"a", "b", "c", "b"});
  std::vector<int32_t> seen;
  auto is_b = [&] {
    seen.push_back(*CurrentRecordIdentifier());
    return Name() == "b";
  };
  ASSERT_TRUE(FindRecord(is_b));
  EXPECT_EQ(LastDbError(), kDbOk);
  EXPECT_EQ(CurrentRecordIdentifier(), 2);
  ASSERT_TRUE(FindRecord(is_b));  // the current record itself is tested first
  EXPECT_EQ(CurrentRecordIdentifier(), 2);
  ASSERT_TRUE(SkipRecords());
  ASSERT_TRUE(FindRecord(is_b));
  EXPECT_EQ(CurrentRecordIdentifier(), 4);
  EXPECT_EQ(seen, (std::vector<int32_t>{1, 2, 2, 3, 4}));
  // Not found: the cursor goes back where it was.
  GoToFirstRecord();
  ASSERT_TRUE(SkipRecords());
  EXPECT_FALSE(FindRecord([&] { return Name() == "z"; }));
  EXPECT_EQ(LastDbError(), kDbOk);
  EXPECT_EQ(CurrentRecordIdentifier(), 2);
  // After the last record: false, error 0, the cursor stays after the last record.
  ASSERT_TRUE(SkipRecords(10));
  EXPECT_EQ(CurrentRecordIdentifier(), std::nullopt);
  EXPECT_FALSE(FindRecord([] { return true; }));
  EXPECT_EQ(LastDbError(), kDbOk);
  EXPECT_FALSE(SkipRecords());
  EXPECT_EQ(LastDbError(), kDbAfterLast);
  // Before the first record: the search starts at the first one.
  ASSERT_TRUE(SkipRecords(-10));
  EXPECT_TRUE(FindRecord([&] { return Name() == "a"; }));
  EXPECT_EQ(CurrentRecordIdentifier(), 1);
}

TEST_F(CommandsTest, DatabasesAreFoundByAliasTitleAndPath) {
  OpenRoster({"a"}, "one");
  ASSERT_TRUE(CreateDatabase(dir_.Path("two"), test::RosterFields()));
  ASSERT_TRUE(OpenDatabase(dir_.Path("two"), "数据库1"_gbk));
  EXPECT_EQ(RecordCount(), 0);
  ASSERT_TRUE(SetCurrentDatabase("数据库"_gbk));
  EXPECT_EQ(RecordCount(), 1);
  ASSERT_TRUE(SetCurrentDatabase("TWO"_gbk));  // title, ignoring case
  EXPECT_EQ(RecordCount(), 0);
  ASSERT_TRUE(SetCurrentDatabase(TextFromNativePath(dir_.Native("ONE.edb"))));
  EXPECT_EQ(RecordCount(), 1);
  EXPECT_FALSE(SetCurrentDatabase("three"_gbk));
  EXPECT_EQ(LastDbError(), kDbNotOpen);
  EXPECT_FALSE(SetCurrentDatabase(Text()));
  EXPECT_EQ(RecordCount(), 1);  // a failed change keeps the current database

  // The same file under another alias, or spelt differently, is already open.
  EXPECT_FALSE(OpenDatabase(dir_.Path("one"), "别名"_gbk));
  EXPECT_EQ(LastDbError(), kDbAlreadyOpen);
  EXPECT_FALSE(OpenDatabase(TextFromNativePath(dir_.Native("./x/../ONE.EDB"))));
  EXPECT_EQ(LastDbError(), kDbAlreadyOpen);
  EXPECT_FALSE(OpenDatabase(dir_.Path("missing")));
  EXPECT_EQ(LastDbError(), kDbFileNotFound);
  EXPECT_FALSE(OpenDatabase(Text()));
  EXPECT_EQ(LastDbError(), kDbFileNotFound);
  EXPECT_EQ(RecordCount(), 1);
}

TEST_F(CommandsTest, ClosingTheCurrentDatabaseLeavesNoneCurrent) {
  for (const char* file : {"date1", "date2", "class"}) {
    ASSERT_TRUE(CreateDatabase(dir_.Path(file), test::RosterFields()));
  }
  ASSERT_TRUE(OpenDatabase(dir_.Path("date1"), "数据库1"_gbk));
  ASSERT_TRUE(OpenDatabase(dir_.Path("class"), "数据库"_gbk));
  ASSERT_TRUE(OpenDatabase(dir_.Path("date2"), "数据库2"_gbk));
  ASSERT_TRUE(AddRecord({"x"_gbk}));
  ASSERT_TRUE(SetCurrentDatabase("数据库"_gbk));
  CloseDatabase("数据库1"_gbk);  // before the current one: the current one stays current
  EXPECT_EQ(RecordCount(), 0);
  EXPECT_EQ(LastDbError(), kDbOk);
  CloseDatabase();
  EXPECT_EQ(RecordCount(), 0);
  EXPECT_EQ(LastDbError(), kDbNoCurrentDatabase);
  GoToFirstRecord();
  EXPECT_EQ(LastDbError(), kDbNoCurrentDatabase);
  EXPECT_FALSE(SkipRecords());
  EXPECT_FALSE(AddRecord({}));
  EXPECT_FALSE(FindRecord([] { return true; }));
  EXPECT_EQ(LastDbError(), kDbNoCurrentDatabase);
  CloseDatabase("nothing"_gbk);  // nothing happens
  ASSERT_TRUE(SetCurrentDatabase("数据库2"_gbk));
  EXPECT_EQ(RecordCount(), 1);
  // The closed file can be opened again.
  ASSERT_TRUE(OpenDatabase(dir_.Path("class"), "数据库"_gbk));
}

TEST_F(CommandsTest, OpenArgumentChecks) {
  ASSERT_TRUE(CreateDatabase(dir_.Path("c"), test::RosterFields()));
  for (const char* alias : {"1abc", "a_b", "a b", "１号"}) {
    EXPECT_FALSE(OpenDatabase(dir_.Path("c"), Text::FromUtf8(alias))) << alias;
    EXPECT_EQ(LastDbError(), kDbBadAlias);
  }
  EXPECT_FALSE(OpenDatabase(dir_.Path("c"), std::nullopt, false, 5));
  std::vector<Text> indexes(11, "i.enx"_gbk);
  EXPECT_FALSE(OpenDatabase(dir_.Path("c"), std::nullopt, {}, {}, {}, indexes));
  EXPECT_EQ(LastDbError(), kDbTooManyIndexFiles);
  indexes.resize(10);
  EXPECT_TRUE(OpenDatabase(dir_.Path("c"), "Ａ数据库１b2"_gbk, {}, {}, {}, indexes));
  CloseDatabase();
  // A plain file opened with a password is refused.
  EXPECT_FALSE(OpenDatabase(dir_.Path("c"), std::nullopt, {}, {}, "pw"_gbk));
  EXPECT_EQ(LastDbError(), kDbBadPassword);
}

TEST_F(CommandsTest, CreateChecksItsFieldsInOrder) {
  const Text path = dir_.Path("v");
  EXPECT_FALSE(CreateDatabase(Text(), test::RosterFields()));
  EXPECT_EQ(LastDbError(), kDbFileNotFound);
  EXPECT_FALSE(CreateDatabase(path, {}));
  EXPECT_EQ(LastDbError(), kDbNoFields);
  EXPECT_FALSE(CreateDatabase(path, {{Text(), 3, 0}, {"a"_gbk, 3, 0}}));
  EXPECT_EQ(LastDbError(), kDbNoFields);
  EXPECT_FALSE(CreateDatabase(path, {{"a"_gbk, 13, 0}, {"1"_gbk, 3, 0}}));
  EXPECT_EQ(LastDbError(), kDbBadFieldType);  // the first bad definition decides
  EXPECT_FALSE(CreateDatabase(path, {{"a"_gbk, 3, 0}, {"1"_gbk, 99, 0}}));
  EXPECT_EQ(LastDbError(), kDbBadFieldName);
  EXPECT_FALSE(CreateDatabase(path, {{Text(std::string(17, 'a')), 3, 0}}));
  EXPECT_EQ(LastDbError(), kDbBadFieldName);
  EXPECT_FALSE(CreateDatabase(path, {{"t"_gbk, 10, 0}}));
  EXPECT_EQ(LastDbError(), kDbBadFieldWidth);
  EXPECT_FALSE(CreateDatabase(path, {{"t"_gbk, 10, 1025}}));
  EXPECT_EQ(LastDbError(), kDbBadFieldWidth);
  EXPECT_FALSE(CreateDatabase(path, {{"Ab"_gbk, 3, 0}, {"x"_gbk, 3, 0}, {"aB"_gbk, 3, 0}}));
  EXPECT_EQ(LastDbError(), kDbDuplicateFieldName);
  EXPECT_FALSE(std::filesystem::exists(dir_.Native("v.EDB")));
  // An empty name ends the list; the rest is not looked at.
  ASSERT_TRUE(CreateDatabase(path, {{Text(std::string(16, 'a')), 10, 1024}, {Text(), 0, 0},
                                    {"!"_gbk, 99, 0}}));
  ASSERT_TRUE(OpenDatabase(path));
  EXPECT_EQ(DescribeCurrentDatabase()->fields.size(), 1u);
  EXPECT_EQ(DescribeCurrentDatabase()->record_length, 1028);
}

TEST_F(CommandsTest, DefaultExtension) {
  ASSERT_TRUE(CreateDatabase(dir_.Path("a."), test::RosterFields()));
  EXPECT_TRUE(std::filesystem::exists(dir_.Native("a.EDB")));
  ASSERT_TRUE(CreateDatabase(dir_.Path("b.dat"), test::RosterFields()));
  EXPECT_TRUE(std::filesystem::exists(dir_.Native("b.dat")));
  std::filesystem::create_directory(dir_.Native("d.x"));
  ASSERT_TRUE(CreateDatabase(TextFromNativePath(dir_.Native("d.x\\c")), test::RosterFields()));
  EXPECT_TRUE(std::filesystem::exists(dir_.Native("d.x/c.EDB")));
  // The application opens "name.edb"; the path layer finds "name.EDB".
  EXPECT_TRUE(OpenDatabase(dir_.Path("a.edb")));
  // An existing file that is not open is replaced.
  ASSERT_TRUE(AddRecord({"x"_gbk}));
  CloseDatabase();
  ASSERT_TRUE(CreateDatabase(dir_.Path("a"), test::RosterFields()));
  EXPECT_EQ(test::FileSize(dir_.Native("a.EDB")), 404);
}

TEST_F(CommandsTest, TheLastErrorBelongsToEachThread) {
  OpenRoster({});
  EXPECT_FALSE(SkipRecords());
  int32_t other = 1;
  std::thread([&] { other = LastDbError(); }).join();
  EXPECT_EQ(other, kDbOk);
  EXPECT_EQ(LastDbError(), kDbAfterLast);
  EXPECT_EQ(DbErrorText(-26), "已经越过数据库的末记录"_gbk);
  EXPECT_EQ(DbErrorText(-77), "未知错误"_gbk);
  EXPECT_EQ(DbErrorText(0), Text());
}

using CommandsDeathTest = CommandsTest;

TEST_F(CommandsDeathTest, FieldMisuseStopsTheProgram) {
  EXPECT_EXIT(ReadField("姓名"_gbk), ::testing::ExitedWithCode(255),
              "未指定当前数据库或者指定数据库未打开");
  OpenRoster({"a"});
  EXPECT_EXIT(ReadField("年龄"_gbk), ::testing::ExitedWithCode(255), "指定字段不存在");
  EXPECT_EXIT(ReadField(int32_t{5}), ::testing::ExitedWithCode(255), "指定字段不存在");
  EXPECT_EXIT(ReadField(Logical(true)), ::testing::ExitedWithCode(255),
              "所提供参数的数据类型不符合要求");
  EXPECT_EXIT(WriteFields(std::nullopt, {{int32_t{1}, int32_t{1}}}),
              ::testing::ExitedWithCode(255), "所提供参数的数据类型不符合要求");
  EXPECT_EQ(ReadField(2.7), Value(Text("a")));  // a real number names field 2
}

}  // namespace
}  // namespace rc
