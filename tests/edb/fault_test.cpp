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
  EXPECT_FALSE(CreateDatabase(fs, dir_.Path("a"), test::RosterFields()));
  EXPECT_EQ(LastDbError(), kDbCreateFailed);

  fs.faults() = {".EDT", true};
  EXPECT_FALSE(CreateDatabase(fs, dir_.Path("b"), {{"m"_gbk, 12, 0}}));
  EXPECT_EQ(LastDbError(), kDbBlobCreateFailed);
  EXPECT_EQ(test::FileSize(dir_.Native("b.EDB")), 116 + 72);  // the main file stays written

  fs.faults() = {".EDT", false, 10};
  EXPECT_FALSE(CreateDatabase(fs, dir_.Path("c"), {{"m"_gbk, 12, 0}}));
  EXPECT_EQ(LastDbError(), kDbBlobCreateFailed);

  fs.faults() = {"a.EDB", true};
  EXPECT_FALSE(CreateDatabase(fs, dir_.Path("a"), test::RosterFields()));
  EXPECT_EQ(LastDbError(), kDbAccessDenied);
  EXPECT_FALSE(CreateDatabase(fs, dir_.Path("nofolder/x"), test::RosterFields()));
  EXPECT_EQ(LastDbError(), kDbFileNotFound);
}

TEST_F(FaultTest, FailedAddLeavesTheMainFileAsItWas) {
  ASSERT_TRUE(CreateDatabase(dir_.Path("m"), {{"k"_gbk, 3, 0}, {"备注"_gbk, 12, 0}}));
  test::FaultFileSystem fs;
  fs.faults() = {".EDT", false, 700};
  ASSERT_TRUE(OpenDatabase(fs, dir_.Path("m")));
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
    ASSERT_TRUE(OpenDatabase(fs, dir_.Path("r")));
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
  ASSERT_TRUE(OpenDatabase(fs, dir_.Path("r")));
  fs.faults().fail_reads = true;
  EXPECT_EQ(RecordCount(), 0);
  EXPECT_EQ(LastDbError(), kDbRecordCountFailed);
  EXPECT_EQ(ReadField("姓名"_gbk), Value(Text()));
  EXPECT_EQ(LastDbError(), kDbHardwareFault);
  EXPECT_FALSE(FindRecord([] { return true; }));
  EXPECT_EQ(LastDbError(), kDbRecordCountFailed);
  CloseAllDatabases();
  EXPECT_FALSE(OpenDatabase(fs, dir_.Path("r")));
  EXPECT_EQ(LastDbError(), kDbNotDatabase);
}

TEST_F(FaultTest, AChainIsNeverLetGoOfWhileItIsWalked) {
  ASSERT_TRUE(CreateDatabase(dir_.Path("m"), {{"备注"_gbk, 12, 0}}));
  test::FaultFileSystem fs;
  fs.faults() = {".EDT"};
  ASSERT_TRUE(OpenDatabase(fs, dir_.Path("m")));
  ASSERT_TRUE(AddRecord({Text(std::string(1500, 'a'))}));  // blocks 1, 2, 3
  // Read, then rewritten shorter: block 1 kept, blocks 2 and 3 freed.
  for (bool write : {false, true}) {
    fs.faults().lock_log.clear();
    if (write) {
      ASSERT_TRUE(WriteFields(std::nullopt, {{"备注"_gbk, Text("b")}})) << LastDbError();
    } else {
      ASSERT_EQ(AsText(ReadField(1)).size(), 1500u);
    }
    // From the first block's lock until the last block's, some block of the chain is held.
    int held = 0;
    bool started = false, reached_end = false;
    for (const auto& [lock, offset] : fs.faults().lock_log) {
      if (offset != 512 && offset != 1024 && offset != 1536) continue;
      held += lock ? 1 : -1;
      started = started || (lock && offset == 512);
      reached_end = reached_end || (lock && offset == 1536);
      if (started && !reached_end) {
        EXPECT_GT(held, 0) << "write " << write;
      }
    }
    EXPECT_TRUE(reached_end);
    EXPECT_EQ(held, 0);
  }
}

}  // namespace
}  // namespace rc
