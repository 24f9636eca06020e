// Failing disks: what each command reports and what it leaves in the files.
#include <gtest/gtest.h>

#include "edb/database.h"
#include "edb/errors.h"
#include "tests/edb/edb_test_util.h"
#include "tests/edb/fault_file.h"

namespace rc {
namespace {

class FaultTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseAllDatabases(); }
  test::TempDir dir_;
};

TEST_F(FaultTest, CreateReportsTheFileThatFailed) {
  test::FaultFileSystem fs;
  fs.faults() = {".EDB", false, 100, false};
  EXPECT_FALSE(CreateDatabase(dir_.Path("a"), test::RosterFields()));
  EXPECT_EQ(LastDbError(), kDbCreateFailed);

  fs.faults() = {".EDT", true};
  EXPECT_FALSE(CreateDatabase(dir_.Path("b"), {{"m"_gbk, 12, 0}}));
  EXPECT_EQ(LastDbError(), kDbBlobCreateFailed);
  EXPECT_EQ(test::FileSize(dir_.Native("b.EDB")), 116 + 72);  // the main file stays written

  fs.faults() = {".EDT", false, 10};
  EXPECT_FALSE(CreateDatabase(dir_.Path("c"), {{"m"_gbk, 12, 0}}));
  EXPECT_EQ(LastDbError(), kDbBlobCreateFailed);

  fs.faults() = {"a.EDB", true};
  EXPECT_FALSE(CreateDatabase(dir_.Path("a"), test::RosterFields()));
  EXPECT_EQ(LastDbError(), kDbAccessDenied);
  EXPECT_FALSE(CreateDatabase(dir_.Path("nofolder/x"), test::RosterFields()));
  EXPECT_EQ(LastDbError(), kDbFileNotFound);
}

TEST_F(FaultTest, FailedAddLeavesTheMainFileAsItWas) {
  ASSERT_TRUE(CreateDatabase(dir_.Path("m"), {{"k"_gbk, 3, 0}, {"备注"_gbk, 12, 0}}));
  test::FaultFileSystem fs;
  fs.faults() = {".EDT", false, 700};
  ASSERT_TRUE(OpenDatabase(dir_.Path("m")));
  ASSERT_TRUE(AddRecord({int32_t{1}, Text("first")}));
  const auto before = test::ReadBytes(dir_.Native("m.EDB"));
  EXPECT_FALSE(AddRecord({int32_t{2}, Text(std::string(2000, 'x'))}));
  EXPECT_EQ(LastDbError(), kDbBlobAccessFailed);
  EXPECT_EQ(test::ReadBytes(dir_.Native("m.EDB")), before);
  EXPECT_EQ(RecordCount(), 1);
  // The companion file is still usable for what fits.
  fs.faults().write_budget = 1 << 20;
  ASSERT_TRUE(AddRecord({int32_t{3}, Text("third")}));
  EXPECT_EQ(AsText(ReadField(2)).bytes(), "third");
  GoToFirstRecord();
  EXPECT_EQ(AsText(ReadField(2)).bytes(), "first");
}

TEST_F(FaultTest, RecordCutShortByAFullDiskIsDroppedOnTheNextOpen) {
  ASSERT_TRUE(CreateDatabase(dir_.Path("r"), test::RosterFields()));
  {
    test::FaultFileSystem fs;
    fs.faults() = {".EDB", false, 52 * 2 + 8 * 2 + 30};
    ASSERT_TRUE(OpenDatabase(dir_.Path("r")));
    ASSERT_TRUE(AddRecord({"a"_gbk, "b"_gbk}));
    ASSERT_TRUE(AddRecord({"a"_gbk, "c"_gbk}));
    EXPECT_FALSE(AddRecord({"a"_gbk, "d"_gbk}));
    EXPECT_EQ(LastDbError(), kDbDiskFull);
    EXPECT_EQ(RecordCount(), 2);
    EXPECT_FALSE(WriteFields(std::nullopt, {{"回答次数"_gbk, int32_t{1}}}));
    EXPECT_EQ(LastDbError(), kDbRecordWriteFailed);
    CloseAllDatabases();
  }
  EXPECT_EQ(test::FileSize(dir_.Native("r.EDB")), 404 + 52 * 2 + 30);
  ASSERT_TRUE(OpenDatabase(dir_.Path("r")));
  EXPECT_EQ(RecordCount(), 2);
  EXPECT_EQ(test::FileSize(dir_.Native("r.EDB")), 404 + 52 * 2);
}

TEST_F(FaultTest, ReadErrorsAreReportedNotInvented) {
  ASSERT_TRUE(CreateDatabase(dir_.Path("r"), test::RosterFields()));
  ASSERT_TRUE(OpenDatabase(dir_.Path("r")));
  ASSERT_TRUE(AddRecord({"a"_gbk, "b"_gbk}));
  CloseAllDatabases();
  test::FaultFileSystem fs;
  fs.faults() = {".EDB", false};
  ASSERT_TRUE(OpenDatabase(dir_.Path("r")));
  fs.faults().fail_reads = true;
  EXPECT_EQ(RecordCount(), 0);
  EXPECT_EQ(LastDbError(), kDbRecordCountFailed);
  EXPECT_EQ(ReadField("姓名"_gbk), Value(Text()));
  EXPECT_EQ(LastDbError(), kDbHardwareFault);
  EXPECT_FALSE(FindRecord([] { return true; }));
  EXPECT_EQ(LastDbError(), kDbRecordCountFailed);
  CloseAllDatabases();
  EXPECT_FALSE(OpenDatabase(dir_.Path("r")));
  EXPECT_EQ(LastDbError(), kDbNotDatabase);
}

}  // namespace
}  // namespace rc
