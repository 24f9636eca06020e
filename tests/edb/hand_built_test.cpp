// Files assembled byte by byte from the layout tables, independently of the library's own
// encoders: what teachers' existing files look like. The library must read them, change
// exactly the bytes an operation changes, and write new files that match such an image.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "edb/database.h"
#include "edb/errors.h"
#include "tests/edb/edb_test_util.h"
#include "tests/edb/memo_db_fixture.h"

namespace rc {
namespace {

using test::Int32At;
using test::ReadBytes;
using test::WriteBytes;

// A growing byte image with little-endian puts at absolute offsets.
class Image {
 public:
  explicit Image(size_t size = 0) : bytes_(size, 0) {}
  void I32(size_t at, int32_t v) {
    Fit(at + 4);
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
  }
  void I16(size_t at, int16_t v) {
    Fit(at + 2);
    bytes_[at] = static_cast<uint8_t>(v & 0xFF);
    bytes_[at + 1] = static_cast<uint8_t>((static_cast<uint16_t>(v) >> 8) & 0xFF);
  }
  void I64(size_t at, int64_t v) {
    Fit(at + 8);
    for (int i = 0; i < 8; ++i) bytes_[at + i] = static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i));
  }
  void F64(size_t at, double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    I64(at, static_cast<int64_t>(bits));
  }
  void F32(size_t at, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    I32(at, static_cast<int32_t>(bits));
  }
  void Put(size_t at, const std::string& s) {
    Fit(at + s.size());
    std::memcpy(bytes_.data() + at, s.data(), s.size());
  }
  void Byte(size_t at, uint8_t b) {
    Fit(at + 1);
    bytes_[at] = b;
  }
  void Resize(size_t size) { bytes_.resize(size); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  void Fit(size_t end) {
    if (bytes_.size() < end) bytes_.resize(end, 0);
  }
  std::vector<uint8_t> bytes_;
};

struct Desc {
  std::string name;  // GBK
  int32_t type;
  int32_t offset;
  int32_t width;
};

// DbHeader, field count and descriptors; records follow at 116 + 72 * n.
Image MainFile(double created, int32_t count, int32_t next_id, int32_t record_length,
               const std::vector<Desc>& descs) {
  Image m;
  m.Put(0, "WEDB");
  m.I32(4, 0x00010000);
  m.F64(8, created);
  m.I32(16, count);
  m.I32(20, next_id);
  m.I32(24, record_length);
  m.Resize(112);
  m.I32(112, static_cast<int32_t>(descs.size()));
  for (size_t i = 0; i < descs.size(); ++i) {
    const size_t d = 116 + 72 * i;
    m.Put(d, descs[i].name);
    m.I32(d + 20, descs[i].type);
    m.I32(d + 24, descs[i].offset);
    m.I32(d + 28, descs[i].width);
    m.Resize(d + 72);
  }
  return m;
}

// One companion block: previous, next, used, data zero-padded to 500.
void Block(Image* b, int k, int32_t prev, int32_t next, const std::string& data) {
  const size_t at = 512 * static_cast<size_t>(k);
  b->Resize(std::max(b->bytes().size(), at + 512));
  for (size_t i = 0; i < 512; ++i) b->Byte(at + i, 0);
  b->I32(at, prev);
  b->I32(at + 4, next);
  b->I32(at + 8, static_cast<int32_t>(data.size()));
  b->Put(at + 12, data);
}

void BlobHeader(Image* b, double created, int32_t blocks, int32_t free_count, int32_t free_head) {
  b->Resize(std::max<size_t>(b->bytes().size(), 512));
  b->Put(0, "WEDT");
  b->I32(4, 0x00010000);
  b->F64(8, created);
  b->I32(16, blocks);
  b->I32(20, free_count);
  b->I32(24, free_head);
}

constexpr double kCreated = 45123.5;  // some afternoon, whole seconds

std::vector<Desc> RosterDescs() {
  return {{"班级"_gbk.bytes(), 10, 4, 20},
          {"姓名"_gbk.bytes(), 10, 24, 20},
          {"回答次数"_gbk.bytes(), 3, 44, 0},
          {"错误次数"_gbk.bytes(), 3, 48, 0}};
}

void RosterRecord(Image* m, int r, int32_t id, const std::string& klass, const std::string& name,
                  int32_t asked, int32_t wrong) {
  const size_t at = 404 + 52 * static_cast<size_t>(r);
  m->Resize(at + 52);
  m->I32(at, id);
  m->Put(at + 4, klass.substr(0, 20));
  m->Put(at + 24, name.substr(0, 20));
  m->I32(at + 44, asked);
  m->I32(at + 48, wrong);
}

class HandBuiltTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseAllDatabases(); }
  test::TempDir dir_;
};

TEST_F(HandBuiltTest, RosterIsReadAndChangedInPlace) {
  Image m = MainFile(kCreated, 3, 9, 52, RosterDescs());
  RosterRecord(&m, 0, 5, "一班"_gbk.bytes(), "张三"_gbk.bytes(), 3, 1);
  // A name of exactly the width has no terminator.
  RosterRecord(&m, 1, 6, "一班"_gbk.bytes(), "abcdefghij0123456789", 0, 0);
  // A deleted mark is read like any other identifier.
  RosterRecord(&m, 2, -7, "一班"_gbk.bytes(), "李四"_gbk.bytes(), 7, 2);
  WriteBytes(dir_.Native("一班.edb"), m.bytes());

  ASSERT_TRUE(OpenDatabase(dir_.Path("一班.edb"), "数据库"_gbk)) << LastDbError();
  EXPECT_EQ(RecordCount(), 3);
  EXPECT_EQ(ReadField("姓名"_gbk), Value("张三"_gbk));
  EXPECT_EQ(ReadField("回答次数"_gbk), Value(int32_t{3}));
  EXPECT_TRUE(SkipRecords());
  EXPECT_EQ(ReadField(2), Value(Text("abcdefghij0123456789")));
  ASSERT_TRUE(FindRecord([] { return AsText(ReadField("姓名"_gbk)) == "李四"_gbk; }));
  EXPECT_EQ(CurrentRecordIdentifier(), -7);
  EXPECT_EQ(ReadField("错误次数"_gbk), Value(int32_t{2}));

  // A counter written back changes those four bytes only.
  ASSERT_TRUE(WriteFields(std::nullopt, {{"错误次数"_gbk, int32_t{3}}}));
  m.I32(404 + 52 * 2 + 48, 3);
  EXPECT_EQ(ReadBytes(dir_.Native("一班.edb")), m.bytes());

  // A shorter name overwrites with its terminator; the old bytes after it stay.
  GoToFirstRecord();
  ASSERT_TRUE(SkipRecords());
  ASSERT_TRUE(WriteFields(std::nullopt, {{"姓名"_gbk, Text("xy")}}));
  m.Put(404 + 52 + 24, std::string("xy\0", 3));
  EXPECT_EQ(ReadBytes(dir_.Native("一班.edb")), m.bytes());

  // An added record takes the next identifier; the header counts move on.
  ASSERT_TRUE(AddRecord({"一班"_gbk, "王五"_gbk}));
  RosterRecord(&m, 3, 9, "一班"_gbk.bytes(), "王五"_gbk.bytes(), 0, 0);
  m.I32(16, 4);
  m.I32(20, 10);
  EXPECT_EQ(ReadBytes(dir_.Native("一班.edb")), m.bytes());
}

TEST_F(HandBuiltTest, LibraryWritesTheSameRosterImage) {
  ASSERT_TRUE(CreateDatabase(dir_.Path("c"), test::RosterFields()));
  ASSERT_TRUE(OpenDatabase(dir_.Path("c")));
  ASSERT_TRUE(AddRecord({"一班"_gbk, "张三"_gbk}));
  ASSERT_TRUE(AddRecord({"一班"_gbk, Text("a name longer than twenty bytes")}));
  ASSERT_TRUE(WriteFields(std::nullopt, {{"回答次数"_gbk, uint8_t{200}}, {"错误次数"_gbk, -1.9}}));
  CloseDatabase();

  std::vector<uint8_t> written = ReadBytes(dir_.Native("c.EDB"));
  ASSERT_GE(written.size(), 16u);
  double created;
  std::memcpy(&created, written.data() + 8, 8);
  Image m = MainFile(created, 2, 3, 52, RosterDescs());
  RosterRecord(&m, 0, 1, "一班"_gbk.bytes(), "张三"_gbk.bytes(), 0, 0);
  // A byte widens unsigned; a real is cut toward zero.
  RosterRecord(&m, 1, 2, "一班"_gbk.bytes(), "a name longer than twenty bytes", 200, -1);
  EXPECT_EQ(written, m.bytes());
}

// Every field type in its stored form, with a companion file holding a two-block memo, a
// byte set, and two free blocks.
class AllTypesTest : public HandBuiltTest {
 protected:
  static constexpr size_t kData = 116 + 72 * 12;
  static constexpr int32_t kLength = 4 + 1 + 2 + 4 + 8 + 4 + 8 + 1 + 8 + 4 + 5 + 4 + 4;
  static constexpr size_t kByteSetField = kData + 49;
  static constexpr size_t kMemoField = kData + 53;

  void SetUp() override {
    main_ = MainFile(kCreated, 1, 2, kLength,
                     {{"a", 1, 4, 0},  {"b", 2, 5, 0},  {"c", 3, 7, 0},  {"d", 4, 11, 0},
                      {"e", 5, 19, 0}, {"f", 6, 23, 0}, {"g", 7, 31, 0}, {"h", 8, 32, 0},
                      {"i", 9, 40, 0}, {"j", 10, 44, 5}, {"k", 11, 49, 0}, {"l", 12, 53, 0}});
    main_.Resize(kData + kLength);
    main_.I32(kData, 1);
    main_.Byte(kData + 4, 250);
    main_.I16(kData + 5, -2);
    main_.I32(kData + 7, -100000);
    main_.I64(kData + 11, int64_t{-1} << 40);
    main_.F32(kData + 19, 0.5f);
    main_.F64(kData + 23, -3.75);
    main_.Byte(kData + 31, 2);       // any non-zero byte reads true
    main_.F64(kData + 32, -1.0e7);   // before the year 100: clamped
    main_.I32(kData + 40, static_cast<int32_t>(0xCAFEF00D));
    main_.Put(kData + 44, "hi");     // width 5, terminated, zero after
    main_.I32(kByteSetField, 5);     // byte set in block 5
    main_.I32(kMemoField, 1);        // memo chain 1 -> 3

    BlobHeader(&blob_, kCreated, 6, 2, 2);
    Block(&blob_, 1, 0, 3, std::string(500, 'a'));
    Block(&blob_, 2, 0, 4, "");  // free-list head
    Block(&blob_, 3, 1, 0, "b");
    Block(&blob_, 4, 2, 0, "");  // free
    Block(&blob_, 5, 0, 0, std::string("\x00\x01\xFF", 3));
    WriteBytes(dir_.Native("t.EDB"), main_.bytes());
    WriteBytes(dir_.Native("t.EDT"), blob_.bytes());
  }

  Image main_, blob_;
};

TEST_F(AllTypesTest, EveryStoredFormReadsAsItsValueKind) {
  ASSERT_TRUE(OpenDatabase(dir_.Path("t"), std::nullopt, true)) << LastDbError();
  EXPECT_EQ(ReadField("A"_gbk), Value(uint8_t{250}));
  EXPECT_EQ(ReadField("b"_gbk), Value(int16_t{-2}));
  EXPECT_EQ(ReadField("c"_gbk), Value(int32_t{-100000}));
  EXPECT_EQ(ReadField("d"_gbk), Value(int64_t{-1} << 40));
  EXPECT_EQ(ReadField("e"_gbk), Value(0.5f));
  EXPECT_EQ(ReadField("f"_gbk), Value(-3.75));
  EXPECT_EQ(ReadField("g"_gbk), Value(Logical(true)));
  EXPECT_EQ(ReadField("h"_gbk), Value(DateTime{-657434.0}));
  EXPECT_EQ(ReadField("i"_gbk), Value(SubroutinePtr{0xCAFEF00D}));
  EXPECT_EQ(ReadField("j"_gbk), Value(Text("hi")));
  EXPECT_EQ(ReadField("k"_gbk), Value(ByteSet{0x00, 0x01, 0xFF}));
  EXPECT_EQ(ReadField("l"_gbk), Value(Text(std::string(500, 'a') + "b")));
  EXPECT_EQ(LastDbError(), kDbOk);
  // Read-only: nothing was touched.
  CloseDatabase();
  EXPECT_EQ(ReadBytes(dir_.Native("t.EDB")), main_.bytes());
  EXPECT_EQ(ReadBytes(dir_.Native("t.EDT")), blob_.bytes());
}

TEST_F(AllTypesTest, CompanionHeapReusesTheChainThenTheFreeListAndTrimsTheEnd) {
  ASSERT_TRUE(OpenDatabase(dir_.Path("t")));

  // 1200 bytes: the old chain's blocks 1 and 3 in place, then the free head 2, after which
  // block 4 heads the free list.
  const std::string memo = std::string(500, 'x') + std::string(500, 'y') + std::string(200, 'z');
  ASSERT_TRUE(WriteFields(std::nullopt, {{"l"_gbk, Text(memo)}})) << LastDbError();
  Block(&blob_, 1, 0, 3, std::string(500, 'x'));
  Block(&blob_, 3, 1, 2, std::string(500, 'y'));
  Block(&blob_, 2, 3, 0, std::string(200, 'z'));
  Block(&blob_, 4, 0, 0, "");
  blob_.I32(20, 1);
  blob_.I32(24, 4);
  EXPECT_EQ(ReadBytes(dir_.Native("t.EDT")), blob_.bytes());
  EXPECT_EQ(ReadBytes(dir_.Native("t.EDB")), main_.bytes());  // first block still 1
  EXPECT_EQ(AsText(ReadField("l"_gbk)).bytes(), memo);

  // Emptying the byte set frees the last block: it and the free block before it are cut
  // off, the file shrinks to four blocks and the free list is empty.
  ASSERT_TRUE(WriteFields(std::nullopt, {{"k"_gbk, ByteSet()}})) << LastDbError();
  main_.I32(kByteSetField, 0);
  blob_.Resize(4 * 512);
  blob_.I32(16, 4);
  blob_.I32(20, 0);
  blob_.I32(24, 0);
  EXPECT_EQ(ReadBytes(dir_.Native("t.EDB")), main_.bytes());
  EXPECT_EQ(ReadBytes(dir_.Native("t.EDT")), blob_.bytes());

  // Emptying the memo frees its chain, in chain order, onto the free list; block 2 was the
  // last block, so the whole heap goes back to the header block.
  ASSERT_TRUE(WriteFields(std::nullopt, {{"l"_gbk, Text()}})) << LastDbError();
  main_.I32(kMemoField, 0);
  EXPECT_EQ(ReadBytes(dir_.Native("t.EDB")), main_.bytes());
  Image header_only;
  BlobHeader(&header_only, kCreated, 1, 0, 0);
  EXPECT_EQ(ReadBytes(dir_.Native("t.EDT")), header_only.bytes());
}

TEST_F(AllTypesTest, FreedChainGoesToTheFrontOfTheFreeList) {
  ASSERT_TRUE(OpenDatabase(dir_.Path("t")));
  // A one-byte memo keeps block 1 and frees block 3, which joins the list before block 2.
  ASSERT_TRUE(WriteFields(std::nullopt, {{"l"_gbk, Text("q")}})) << LastDbError();
  Block(&blob_, 1, 0, 0, "q");
  Block(&blob_, 3, 0, 2, "");
  Block(&blob_, 2, 3, 4, "");
  blob_.I32(20, 3);
  blob_.I32(24, 3);
  EXPECT_EQ(ReadBytes(dir_.Native("t.EDT")), blob_.bytes());

  // A new record's memo of 501 bytes takes the free head 3, then 2.
  ASSERT_TRUE(AddRecord({std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                         std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                         std::nullopt, Text(std::string(501, 'm'))}))
      << LastDbError();
  Block(&blob_, 3, 0, 2, std::string(500, 'm'));
  Block(&blob_, 2, 3, 0, "m");
  Block(&blob_, 4, 0, 0, "");
  blob_.I32(20, 1);
  blob_.I32(24, 4);
  EXPECT_EQ(ReadBytes(dir_.Native("t.EDT")), blob_.bytes());
  main_.Resize(kData + 2 * kLength);
  main_.I32(kData + kLength, 2);
  main_.I32(kData + kLength + 53, 3);
  main_.I32(16, 2);
  main_.I32(20, 3);
  EXPECT_EQ(ReadBytes(dir_.Native("t.EDB")), main_.bytes());
}

// The same heap on a database the library made: one text field and one memo field. The
// free-list cases of the companion file all live here, next to the hand-built ones above.
class MemoHeapTest : public test::MemoDbTest {};

TEST_F(MemoHeapTest, FreedBlocksAreReusedBeforeTheFileGrows) {
  OpenMemoDb();
  ASSERT_TRUE(AddRecord({Text("a"), Text(std::string(600, 'a'))}));  // blocks 1, 2
  ASSERT_TRUE(AddRecord({Text("b"), Text("b")}));                    // block 3
  GoToFirstRecord();
  WriteMemo("");
  std::vector<uint8_t> blob = Blob();
  ASSERT_EQ(blob.size(), 4u * 512);  // block 3 is in use, nothing to trim
  EXPECT_EQ(Int32At(blob, 20), 2);
  EXPECT_EQ(Int32At(blob, 24), 1);
  EXPECT_EQ(Links(blob, 1), (std::vector<int32_t>{0, 2, 0}));
  EXPECT_EQ(Links(blob, 2), (std::vector<int32_t>{1, 0, 0}));
  for (size_t i = 512 + 12; i < 1024; ++i) ASSERT_EQ(blob[i], 0);

  WriteMemo(std::string(550, 'z'));
  blob = Blob();
  EXPECT_EQ(blob.size(), 4u * 512);
  EXPECT_EQ(Int32At(blob, 20), 0);
  EXPECT_EQ(Int32At(blob, 24), 0);
  EXPECT_EQ(Links(blob, 1), (std::vector<int32_t>{0, 2, 500}));
  EXPECT_EQ(Links(blob, 2), (std::vector<int32_t>{1, 0, 50}));
  EXPECT_EQ(ReadMemo(), std::string(550, 'z'));
  ASSERT_TRUE(SkipRecords());
  EXPECT_EQ(ReadMemo(), "b");

  // A shorter value is rewritten in place; the rest of its chain joins the free list in
  // front of the blocks already there.
  ASSERT_TRUE(AddRecord({Text("c"), Text(std::string(1400, 'c'))}));  // blocks 4, 5, 6
  ASSERT_TRUE(AddRecord({Text("d"), Text("d")}));                     // block 7
  ASSERT_TRUE(SkipRecords(-1));
  WriteMemo("short");
  blob = Blob();
  EXPECT_EQ(Links(blob, 4), (std::vector<int32_t>{0, 0, 5}));
  EXPECT_EQ(Int32At(blob, 24), 5);
  EXPECT_EQ(Int32At(blob, 20), 2);
  EXPECT_EQ(Links(blob, 5), (std::vector<int32_t>{0, 6, 0}));
  EXPECT_EQ(Links(blob, 6), (std::vector<int32_t>{5, 0, 0}));
}

TEST_F(HandBuiltTest, AFreeListHeadInUseIsDroppedNotReused) {
  // What a crash leaves when a chain was written from the free list but the companion
  // header was not: the header still names block 2 as free, though record 2 uses it.
  const std::vector<Desc> descs = {{"n", 10, 4, 4}, {"memo", 12, 8, 0}};
  Image m = MainFile(kCreated, 2, 3, 12, descs);
  m.Resize(116 + 72 * 2 + 24);
  m.I32(260, 1);
  m.I32(268, 1);
  m.I32(272, 2);
  m.I32(280, 2);
  Image b;
  BlobHeader(&b, kCreated, 3, 1, 2);
  Block(&b, 1, 0, 0, "first");
  Block(&b, 2, 0, 0, "second");
  WriteBytes(dir_.Native("k.EDB"), m.bytes());
  WriteBytes(dir_.Native("k.EDT"), b.bytes());

  ASSERT_TRUE(OpenDatabase(dir_.Path("k")));
  ASSERT_TRUE(AddRecord({Text("c"), Text("third")})) << LastDbError();
  EXPECT_EQ(ReadField("memo"_gbk), Value(Text("third")));
  GoToFirstRecord();
  ASSERT_TRUE(SkipRecords());
  EXPECT_EQ(ReadField("memo"_gbk), Value(Text("second")));

  Block(&b, 3, 0, 0, "third");
  b.I32(16, 4);
  b.I32(20, 0);
  b.I32(24, 0);
  EXPECT_EQ(ReadBytes(dir_.Native("k.EDT")), b.bytes());
}

TEST_F(HandBuiltTest, AChainBlockWithNothingUsedAddsNothing) {
  // The record still names block 1, whose chain was freed just before a crash.
  const std::vector<Desc> descs = {{"memo", 12, 4, 0}};
  Image m = MainFile(kCreated, 1, 2, 8, descs);
  m.Resize(116 + 72 + 8);
  m.I32(188, 1);
  m.I32(192, 1);
  Image b;
  BlobHeader(&b, kCreated, 3, 2, 1);
  Block(&b, 1, 0, 2, "");
  Block(&b, 2, 1, 0, "");
  WriteBytes(dir_.Native("f.EDB"), m.bytes());
  WriteBytes(dir_.Native("f.EDT"), b.bytes());
  ASSERT_TRUE(OpenDatabase(dir_.Path("f"), std::nullopt, true));
  EXPECT_EQ(ReadField(1), Value(Text()));
  EXPECT_EQ(LastDbError(), kDbOk);
}

// A text longer than its field is cut after its last whole character (two-byte GBK or
// four-byte GB18030) and the rest of the field is zero, so no name ends in half a
// character. Texts that fit are stored as before: after a shorter one the old bytes stay.
struct TextCut {
  std::string name;
  std::string text;  // GBK
  std::string expected;  // the field's 5 bytes afterwards
};

class TextCutTest : public HandBuiltTest, public ::testing::WithParamInterface<TextCut> {};

TEST_P(TextCutTest, OverwritesAFullField) {
  Image m = MainFile(kCreated, 1, 2, 9, {{"n", 10, 4, 5}});
  m.I32(188, 1);
  m.Put(192, "XXXXX");
  WriteBytes(dir_.Native("t.EDB"), m.bytes());
  ASSERT_TRUE(OpenDatabase(dir_.Path("t")));
  ASSERT_TRUE(WriteFields(std::nullopt, {{Text("n"), Text(GetParam().text)}}));
  std::vector<uint8_t> b = ReadBytes(dir_.Native("t.EDB"));
  EXPECT_EQ(std::string(b.begin() + 192, b.end()), GetParam().expected);
  // Adding cuts the same way, into a record that starts as zero bytes.
  ASSERT_TRUE(AddRecord({Text(GetParam().text)}));
  std::string fresh = GetParam().expected;
  if (size_t zero = fresh.find('\0'); zero != std::string::npos) {
    std::fill(fresh.begin() + static_cast<std::ptrdiff_t>(zero), fresh.end(), '\0');
  }
  b = ReadBytes(dir_.Native("t.EDB"));
  EXPECT_EQ(std::string(b.begin() + 201, b.end()), fresh);
}

INSTANTIATE_TEST_SUITE_P(
    Widths, TextCutTest,
    ::testing::Values(
        TextCut{"AfterTwoByteCharacter", "\xD2\xBB\xB6\xFE\xC8\xFD",
                std::string("\xD2\xBB\xB6\xFE\0", 5)},
        TextCut{"BeforeFourByteCharacter", "ab\x81\x30\x81\x30", std::string("ab\0\0\0", 5)},
        TextCut{"AfterFourByteCharacter", "a\x81\x30\x81\x30z", "a\x81\x30\x81\x30"},
        TextCut{"ExactWidth", "\xD2\xBB\xB6\xFEx", "\xD2\xBB\xB6\xFEx"},
        TextCut{"Ascii", "abcdefg", "abcde"},
        TextCut{"ShortKeepsOldBytes", "ab", std::string("ab\0XX", 5)}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace rc
