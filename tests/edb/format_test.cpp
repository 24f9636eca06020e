// The files byte by byte: what creating and adding write, what opening accepts, repairs
// and refuses, and the companion file's block heap.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "edb/database.h"
#include "edb/errors.h"
#include "tests/edb/edb_test_util.h"
#include "tests/edb/memo_db_fixture.h"

namespace rc {
namespace {

using test::Int32At;
using test::PutInt32;
using test::ReadBytes;
using test::WriteBytes;

class FormatTest : public test::MemoDbTest {
 protected:
  // A roster file with `n` students, closed again.
  std::string MakeRoster(int n, const std::string& name = "class") {
    EXPECT_TRUE(CreateDatabase(dir_.Path(name), test::RosterFields()));
    EXPECT_TRUE(OpenDatabase(dir_.Path(name)));
    for (int i = 0; i < n; ++i) {
      EXPECT_TRUE(AddRecord({"一班"_gbk, Text("s" + std::to_string(i))}));
    }
    CloseDatabase();
    return dir_.Native(name + ".EDB");
  }
};

TEST_F(FormatTest, RosterFileHasTheDocumentedLayout) {
  std::string path = MakeRoster(3);
  std::vector<uint8_t> b = ReadBytes(path);
  ASSERT_EQ(b.size(), 404u + 52u * 3);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "WEDB");
  EXPECT_EQ(Int32At(b, 4), 0x00010000);
  double created;
  std::memcpy(&created, &b[8], 8);
  EXPECT_GT(created, 40000.0);  // after 2009
  const double seconds = created * 86400.0;
  EXPECT_NEAR(seconds, std::round(seconds), 1e-3) << "whole seconds";
  EXPECT_EQ(Int32At(b, 16), 3);
  EXPECT_EQ(Int32At(b, 20), 4);
  EXPECT_EQ(Int32At(b, 24), 52);
  for (size_t i = 28; i < 112; ++i) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(Int32At(b, 112), 4);
  const char* names[] = {"班级", "姓名", "回答次数", "错误次数"};
  const int32_t types[] = {10, 10, 3, 3}, offsets[] = {4, 24, 44, 48}, widths[] = {20, 20, 0, 0};
  for (int f = 0; f < 4; ++f) {
    const size_t d = 116 + 72 * f;
    Text name = Text::FromUtf8(names[f]);
    EXPECT_EQ(std::string(b.begin() + d, b.begin() + d + name.size()), name.bytes());
    for (size_t i = d + name.size(); i < d + 20; ++i) EXPECT_EQ(b[i], 0);
    EXPECT_EQ(Int32At(b, d + 20), types[f]);
    EXPECT_EQ(Int32At(b, d + 24), offsets[f]);
    EXPECT_EQ(Int32At(b, d + 28), widths[f]);
    for (size_t i = d + 32; i < d + 72; ++i) EXPECT_EQ(b[i], 0);
  }
  // Record 1: identifier 2, "一班", "s1", zero counters, zero everywhere else.
  const size_t r = 404 + 52;
  EXPECT_EQ(Int32At(b, r), 2);
  EXPECT_EQ(std::string(b.begin() + r + 4, b.begin() + r + 8), "一班"_gbk.bytes());
  EXPECT_EQ(b[r + 8], 0);
  EXPECT_EQ(std::string(b.begin() + r + 24, b.begin() + r + 26), "s1");
  EXPECT_EQ(Int32At(b, r + 44), 0);
  EXPECT_EQ(Int32At(b, r + 48), 0);
  EXPECT_FALSE(std::filesystem::exists(dir_.Native("class.EDT")));
}

TEST_F(FormatTest, EveryTypeRoundTripsWithItsKindAndWidth) {
  ASSERT_TRUE(CreateDatabase(dir_.Path("all"),
                             {{"a"_gbk, 1, 0}, {"b"_gbk, 2, 0}, {"c"_gbk, 3, 0}, {"d"_gbk, 4, 0},
                              {"e"_gbk, 5, 0}, {"f"_gbk, 6, 0}, {"g"_gbk, 7, 0}, {"h"_gbk, 8, 0},
                              {"i"_gbk, 9, 0}, {"j"_gbk, 10, 5}, {"k"_gbk, 11, 0}, {"l"_gbk, 12, 0}}));
  EXPECT_EQ(test::FileSize(dir_.Native("all.EDT")), 512);
  ASSERT_TRUE(OpenDatabase(dir_.Path("all")));
  ASSERT_TRUE(AddRecord({uint8_t{200}, int16_t{-3}, int32_t{-70000}, int64_t{1} << 40, 1.5f, 2.25,
                         Logical(true), DateTime{45000.5}, SubroutinePtr{0xDEADBEEF},
                         Text("abcdefg"), ByteSet{0, 1, 2}, Text("memo")}));
  EXPECT_EQ(ReadField(1), Value(uint8_t{200}));
  EXPECT_EQ(ReadField(2), Value(int16_t{-3}));
  EXPECT_EQ(ReadField(3), Value(int32_t{-70000}));
  EXPECT_EQ(ReadField(4), Value(int64_t{1} << 40));
  EXPECT_EQ(ReadField(5), Value(1.5f));
  EXPECT_EQ(ReadField(6), Value(2.25));
  EXPECT_EQ(ReadField(7), Value(Logical(true)));
  EXPECT_EQ(ReadField(8), Value(DateTime{45000.5}));
  EXPECT_EQ(ReadField(9), Value(SubroutinePtr{0xDEADBEEF}));
  EXPECT_EQ(ReadField(10), Value(Text("abcde")));
  EXPECT_EQ(ReadField(11), Value(ByteSet{0, 1, 2}));
  EXPECT_EQ(ReadField(12), Value(Text("memo")));
  std::vector<uint8_t> b = ReadBytes(dir_.Native("all.EDB"));
  const size_t data = 116 + 72 * 12;
  EXPECT_EQ(Int32At(b, 24), 4 + 1 + 2 + 4 + 8 + 4 + 8 + 1 + 8 + 4 + 5 + 4 + 4);
  EXPECT_EQ(b.size(), data + static_cast<size_t>(Int32At(b, 24)));
  // Offsets run without gaps from 4.
  const int32_t expected_offsets[] = {4, 5, 7, 11, 19, 23, 31, 32, 40, 44, 49, 53};
  for (int f = 0; f < 12; ++f) EXPECT_EQ(Int32At(b, 116 + 72 * f + 24), expected_offsets[f]);
  EXPECT_EQ(b[data + 31], 1);  // logical stored as one byte 1
}

TEST_F(FormatTest, NumbersConvertToTheFieldType) {
  ASSERT_TRUE(CreateDatabase(dir_.Path("n"), {{"b"_gbk, 1, 0}, {"s"_gbk, 2, 0}, {"i"_gbk, 3, 0},
                                              {"f"_gbk, 5, 0}, {"d"_gbk, 6, 0}, {"l"_gbk, 4, 0}}));
  ASSERT_TRUE(OpenDatabase(dir_.Path("n")));
  ASSERT_TRUE(AddRecord({int32_t{0x1FF}, int32_t{-1}, -2.9, int32_t{3}, 0.1f, uint8_t{255}}));
  EXPECT_EQ(ReadField(1), Value(uint8_t{0xFF}));   // low byte kept
  EXPECT_EQ(ReadField(2), Value(int16_t{-1}));
  EXPECT_EQ(ReadField(3), Value(int32_t{-2}));     // truncation toward zero
  EXPECT_EQ(ReadField(4), Value(3.0f));
  EXPECT_EQ(ReadField(5), Value(static_cast<double>(0.1f)));
  EXPECT_EQ(ReadField(6), Value(int64_t{255}));    // a byte is unsigned
  // Reals without a 64-bit integer, and doubles beyond the float range, never misbehave.
  ASSERT_TRUE(WriteFields(std::nullopt, {{"i"_gbk, 1e300}, {"f"_gbk, -1e300}, {"l"_gbk, 1e19}}));
  EXPECT_EQ(ReadField(3), Value(int32_t{0}));
  EXPECT_EQ(ReadField(4), Value(-std::numeric_limits<float>::infinity()));
  EXPECT_EQ(ReadField(6), Value(std::numeric_limits<int64_t>::min()));
}

TEST_F(FormatTest, TextIsCutToItsWidth) {
  MakeRoster(0);
  ASSERT_TRUE(OpenDatabase(dir_.Path("class")));
  const std::string t20(20, 'a'), t25(25, 'b'), t19(19, 'c');
  ASSERT_TRUE(AddRecord({Text(t20), Text(t25)}));
  EXPECT_EQ(AsText(ReadField("班级"_gbk)).bytes(), t20);
  EXPECT_EQ(AsText(ReadField("姓名"_gbk)).bytes(), std::string(20, 'b'));
  ASSERT_TRUE(AddRecord({Text(t19)}));
  std::vector<uint8_t> b = ReadBytes(dir_.Native("class.EDB"));
  EXPECT_EQ(b[404 + 4 + 19], 'a');   // no terminator in a full field
  EXPECT_EQ(b[404 + 52 + 4 + 19], 0);  // terminator after 19 bytes
  // Overwriting with a shorter text keeps the bytes after the new terminator.
  ASSERT_TRUE(WriteFields(std::nullopt, {{"班级"_gbk, Text("xy")}}));
  b = ReadBytes(dir_.Native("class.EDB"));
  EXPECT_EQ(std::string(b.begin() + 404 + 52 + 4, b.begin() + 404 + 52 + 10),
            std::string("xy\0ccc", 6));
  EXPECT_EQ(AsText(ReadField("班级"_gbk)).bytes(), "xy");
}

TEST_F(FormatTest, MemoBlocksFor0_500_501And5000Bytes) {
  OpenMemoDb();
  ASSERT_TRUE(AddRecord({Text("x"), Text()}));
  EXPECT_EQ(Blob().size(), 512u);
  EXPECT_EQ(ReadMemo(), "");

  WriteMemo(std::string(500, 'a'));
  std::vector<uint8_t> blob = Blob();
  ASSERT_EQ(blob.size(), 1024u);
  EXPECT_EQ(Links(blob, 1), (std::vector<int32_t>{0, 0, 500}));
  EXPECT_EQ(ReadMemo(), std::string(500, 'a'));

  WriteMemo(std::string(500, 'b') + "c");
  blob = Blob();
  ASSERT_EQ(blob.size(), 1536u);
  EXPECT_EQ(Links(blob, 1), (std::vector<int32_t>{0, 2, 500}));
  EXPECT_EQ(Links(blob, 2), (std::vector<int32_t>{1, 0, 1}));
  EXPECT_EQ(blob[1024 + 12], 'c');
  for (size_t i = 1024 + 13; i < 1536; ++i) ASSERT_EQ(blob[i], 0);
  EXPECT_EQ(Int32At(blob, 16), 3);  // block count

  std::string big;
  for (int i = 0; i < 5000; ++i) big.push_back(static_cast<char>('a' + i % 26));
  WriteMemo(big);
  blob = Blob();
  EXPECT_EQ(blob.size(), 11u * 512);
  EXPECT_EQ(ReadMemo(), big);
  EXPECT_EQ(Int32At(ReadBytes(dir_.Native("m.EDB")), 116 + 72 * 2 + 4 + 8), 1);

  // Emptying frees every block; they were the last ones, so the file shrinks back.
  WriteMemo("");
  blob = Blob();
  EXPECT_EQ(blob.size(), 512u);
  EXPECT_EQ(Int32At(blob, 16), 1);
  EXPECT_EQ(Int32At(blob, 20), 0);
  EXPECT_EQ(Int32At(blob, 24), 0);
  EXPECT_EQ(Int32At(ReadBytes(dir_.Native("m.EDB")), 116 + 72 * 2 + 4 + 8), 0);
}

TEST_F(FormatTest, OpeningCutsAPartialRecordAndLowersTheCount) {
  std::string path = MakeRoster(3);
  std::vector<uint8_t> b = ReadBytes(path);
  b.resize(b.size() + 20, 0x55);  // half a record, as an interrupted add leaves it
  PutInt32(&b, 16, 5);
  WriteBytes(path, b);

  // Read-only: the file stays as it is and the count does not fit.
  EXPECT_FALSE(OpenDatabase(dir_.Path("class"), std::nullopt, true));
  EXPECT_EQ(LastDbError(), kDbWrongFileSize);
  EXPECT_EQ(test::FileSize(path), 404 + 52 * 3 + 20);

  ASSERT_TRUE(OpenDatabase(dir_.Path("class")));
  EXPECT_EQ(RecordCount(), 3);
  b = ReadBytes(path);
  EXPECT_EQ(b.size(), 404u + 52 * 3);
  EXPECT_EQ(Int32At(b, 16), 3);
  CloseDatabase();

  // Only a partial record: read-only keeps the length and opens.
  b.resize(b.size() + 7);
  WriteBytes(path, b);
  ASSERT_TRUE(OpenDatabase(dir_.Path("class"), std::nullopt, true));
  EXPECT_EQ(RecordCount(), 3);
  EXPECT_EQ(test::FileSize(path), 404 + 52 * 3 + 7);
}

struct Damage {
  const char* what;
  size_t offset;
  int32_t value;
  int32_t error;
};

class DamagedHeaderTest : public FormatTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedHeaderTest, IsRefusedWithItsCode) {
  std::string path = MakeRoster(2);
  std::vector<uint8_t> b = ReadBytes(path);
  PutInt32(&b, GetParam().offset, GetParam().value);
  WriteBytes(path, b);
  EXPECT_FALSE(OpenDatabase(dir_.Path("class")));
  EXPECT_EQ(LastDbError(), GetParam().error) << GetParam().what;
  EXPECT_EQ(RecordCount(), 0);  // nothing was opened
  EXPECT_EQ(LastDbError(), kDbNoCurrentDatabase);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedHeaderTest,
    ::testing::Values(Damage{"version too new", 4, 0x00010001, kDbVersionTooNew},
                      Damage{"magic", 0, 0x41424344, kDbNotDatabase},
                      Damage{"negative count", 16, -1, kDbNotDatabase},
                      Damage{"next id 0", 20, 0, kDbNotDatabase},
                      Damage{"record length 0", 24, 0, kDbNotDatabase},
                      Damage{"record length longer than the fields", 24, 0x7FFFFFFF,
                             kDbNotDatabase},
                      Damage{"no fields", 112, 0, kDbNotDatabase},
                      Damage{"more fields than the file holds", 112, 0x10000000, kDbNotDatabase},
                      Damage{"type 13", 116 + 20, 13, kDbNotDatabase},
                      Damage{"negative offset", 116 + 24, -4, kDbNotDatabase},
                      Damage{"field past the record", 116 + 72 * 3 + 24, 50, kDbNotDatabase},
                      Damage{"text width 0", 116 + 28, 0, kDbNotDatabase},
                      Damage{"text width past the record", 116 + 72 + 28, 4000, kDbNotDatabase}));

TEST_F(FormatTest, FieldNameWithoutTerminatorIsRefused) {
  std::string path = MakeRoster(1);
  std::vector<uint8_t> b = ReadBytes(path);
  for (size_t i = 116; i < 116 + 17; ++i) b[i] = 'A';
  WriteBytes(path, b);
  EXPECT_FALSE(OpenDatabase(dir_.Path("class")));
  EXPECT_EQ(LastDbError(), kDbNotDatabase);
}

TEST_F(FormatTest, ShortFilesAreNotDatabases) {
  std::string path = MakeRoster(1);
  std::vector<uint8_t> b = ReadBytes(path);
  for (size_t size : {0u, 4u, 111u, 112u, 115u, 116u, 300u}) {
    WriteBytes(path, std::vector<uint8_t>(b.begin(), b.begin() + size));
    EXPECT_FALSE(OpenDatabase(dir_.Path("class")));
    EXPECT_EQ(LastDbError(), kDbNotDatabase) << size;
  }
}

TEST_F(FormatTest, CompanionFileChecksAndRepair) {
  OpenMemoDb();
  ASSERT_TRUE(AddRecord({Text("a"), Text(std::string(700, 'q'))}));
  CloseDatabase();
  const std::string edt = dir_.Native("m.EDT");
  const std::vector<uint8_t> good = ReadBytes(edt);

  std::vector<uint8_t> b = good;
  PutInt32(&b, 4, 0x00010001);
  WriteBytes(edt, b);
  EXPECT_FALSE(OpenDatabase(dir_.Path("m")));
  EXPECT_EQ(LastDbError(), kDbBlobVersionMismatch);

  for (auto [offset, value] : {std::pair{0, 0x12345678}, {16, 0}, {20, 3}, {24, -1}}) {
    b = good;
    PutInt32(&b, offset, value);
    WriteBytes(edt, b);
    EXPECT_FALSE(OpenDatabase(dir_.Path("m")));
    EXPECT_EQ(LastDbError(), kDbBlobReadFailed) << offset;
  }
  WriteBytes(edt, std::vector<uint8_t>(good.begin(), good.begin() + 20));
  EXPECT_FALSE(OpenDatabase(dir_.Path("m")));
  EXPECT_EQ(LastDbError(), kDbBlobReadFailed);
  std::filesystem::remove(edt);
  EXPECT_FALSE(OpenDatabase(dir_.Path("m")));
  EXPECT_EQ(LastDbError(), kDbBlobReadFailed);

  // Cut inside the value's second block: the value reaches past the end, so both opens
  // refuse and nothing is changed (a lowered count would hand the lost block out again).
  const std::vector<uint8_t> cut(good.begin(), good.begin() + 1024 + 100);
  WriteBytes(edt, cut);
  for (bool read_only : {true, false}) {
    EXPECT_FALSE(OpenDatabase(dir_.Path("m"), std::nullopt, read_only));
    EXPECT_EQ(LastDbError(), kDbBlobDamaged);
  }
  EXPECT_EQ(ReadBytes(edt), cut);
}

// Only free blocks were lost (the end of a file shrinking when a crash came before its
// header was rewritten): the count is lowered and the file is used as before.
TEST_F(FormatTest, CompanionThatLostOnlyFreeBlocksIsRepaired) {
  OpenMemoDb();
  ASSERT_TRUE(AddRecord({Text("a"), Text(std::string(700, 'q'))}));  // blocks 1, 2
  CloseDatabase();
  const std::string edt = dir_.Native("m.EDT");
  std::vector<uint8_t> b = ReadBytes(edt);
  PutInt32(&b, 16, 4);  // two more blocks than the file holds
  WriteBytes(edt, b);
  ASSERT_TRUE(OpenDatabase(dir_.Path("m")));
  EXPECT_EQ(Int32At(ReadBytes(edt), 16), 3);
  EXPECT_EQ(ReadMemo(), std::string(700, 'q'));
}

// Three students' memos (blocks 1-3, block 4, none) and a companion cut short. Repairing it
// by lowering the block count would hand blocks that records still name to the next value,
// and two records would share a chain.
class ShortCompanionTest : public FormatTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(ShortCompanionTest, RefusesToOpenAndChangesNothing) {
  OpenMemoDb();
  ASSERT_TRUE(AddRecord({Text("a"), Text(std::string(1200, 'a'))}));
  ASSERT_TRUE(AddRecord({Text("b"), Text("short")}));
  ASSERT_TRUE(AddRecord({Text("c"), Text()}));
  CloseDatabase();
  const std::string edt = dir_.Native("m.EDT");
  std::vector<uint8_t> b = ReadBytes(edt);
  ASSERT_EQ(b.size(), 2560u);
  b.resize(GetParam());
  WriteBytes(edt, b);
  EXPECT_FALSE(OpenDatabase(dir_.Path("m")));
  EXPECT_EQ(LastDbError(), kDbBlobDamaged);
  EXPECT_EQ(ReadBytes(edt), b);
}

INSTANTIATE_TEST_SUITE_P(Cuts, ShortCompanionTest,
                         ::testing::Values(2048, 2047, 1536, 1535, 1024, 512));

TEST_F(FormatTest, LoopingOrStrayChainsFailInsteadOfHanging) {
  OpenMemoDb();
  ASSERT_TRUE(AddRecord({Text("a"), Text(std::string(1200, 'q'))}));  // blocks 1, 2, 3
  CloseDatabase();
  const std::string edt = dir_.Native("m.EDT");
  const std::vector<uint8_t> good = ReadBytes(edt);
  struct Case {
    size_t offset;
    int32_t value;
    bool links_broken;
  } cases[] = {{3 * 512 + 4, 1, true},    // last block points back to the first
               {1 * 512 + 4, 1, true},    // block points to itself
               {2 * 512 + 4, 99, true},   // past the block count
               {2 * 512 + 8, 501, false}, // more used bytes than a block holds
               {2 * 512 + 8, -7, false}};
  for (const Case& c : cases) {
    std::vector<uint8_t> b = good;
    PutInt32(&b, c.offset, c.value);
    WriteBytes(edt, b);
    ASSERT_TRUE(OpenDatabase(dir_.Path("m")));
    EXPECT_EQ(ReadMemo(), "") << c.offset;
    EXPECT_EQ(LastDbError(), kDbBlobAccessFailed) << c.offset;
    // Rewriting a value whose links are broken fails the same way, without hanging or
    // spreading; one whose links hold is simply written over.
    const std::string fresh(2000, 'r');
    EXPECT_EQ(WriteFields(std::nullopt, {{"备注"_gbk, Text(fresh)}}), !c.links_broken);
    if (c.links_broken) {
      EXPECT_EQ(LastDbError(), kDbBlobAccessFailed) << c.offset;
    } else {
      EXPECT_EQ(ReadMemo(), fresh);
    }
    CloseDatabase();
  }
  // A block with nothing used inside a chain adds nothing; the rest is read.
  std::vector<uint8_t> b = good;
  PutInt32(&b, 2 * 512 + 8, 0);
  WriteBytes(edt, b);
  ASSERT_TRUE(OpenDatabase(dir_.Path("m")));
  EXPECT_EQ(ReadMemo(), std::string(700, 'q'));
  EXPECT_EQ(LastDbError(), kDbOk);
}

TEST_F(FormatTest, RecordPointingPastTheCompanionFails) {
  OpenMemoDb();
  ASSERT_TRUE(AddRecord({Text("a"), Text("x")}));
  CloseDatabase();
  std::vector<uint8_t> b = ReadBytes(dir_.Native("m.EDB"));
  PutInt32(&b, 116 + 72 * 2 + 4 + 8, 0x7FFFFFFF);
  WriteBytes(dir_.Native("m.EDB"), b);
  ASSERT_TRUE(OpenDatabase(dir_.Path("m")));
  EXPECT_EQ(ReadMemo(), "");
  EXPECT_EQ(LastDbError(), kDbBlobAccessFailed);
}

}  // namespace
}  // namespace rc
