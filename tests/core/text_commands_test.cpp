#include "core/text_commands.h"

#include <gtest/gtest.h>

namespace rc {
namespace {

std::vector<std::string> Bytes(const std::vector<Text>& texts) {
  std::vector<std::string> out;
  for (const Text& t : texts) out.push_back(t.bytes());
  return out;
}

using Pieces = std::vector<std::string>;

TEST(SplitTextTest, EmptyPiecesAndTrailingSeparator) {
  EXPECT_EQ(Bytes(SplitText(Text("a,,b,"))), (Pieces{"a", "", "b"}));
  EXPECT_EQ(Bytes(SplitText(Text(",a"))), (Pieces{"", "a"}));
  EXPECT_EQ(Bytes(SplitText(Text("a,b,c"), std::nullopt, 2)), (Pieces{"a", "b"}));
  EXPECT_EQ(Bytes(SplitText(Text("a,b,c"), std::nullopt, -1)), Pieces{});
  EXPECT_EQ(Bytes(SplitText(Text("a,b,c"), std::nullopt, 5)), (Pieces{"a", "b", "c"}));
  EXPECT_TRUE(SplitText(Text()).empty());
  EXPECT_EQ(Bytes(SplitText(Text("abc"), Text())), (Pieces{"abc"}));
  EXPECT_EQ(Bytes(SplitText(Text(","))), (Pieces{""}));
}

TEST(SplitTextTest, PastedClassListSplitsAtCrLf) {
  Text list = "张三\r\n李四\r\n\r\n王五\r\n"_gbk;
  EXPECT_EQ(SplitText(list, Text("\r\n")),
            (std::vector<Text>{"张三"_gbk, "李四"_gbk, Text(), "王五"_gbk}));
}

TEST(SplitTextTest, TrailByteNeverMatches) {
  // 0xD5 0x5C is one two-byte character whose trail byte is a backslash.
  Text text(std::string("a\xD5\x5C" "b\\c"));
  EXPECT_EQ(Bytes(SplitText(text, Text("\\"))), (Pieces{"a\xD5\x5C" "b", "c"}));
  // A lead byte at the very end is not followed by a trail byte: the scan stops there.
  EXPECT_EQ(Bytes(SplitText(Text(std::string("x,\xD5")))), (Pieces{"x", "\xD5"}));
}

TEST(FindTextTest, PositionsAndStart) {
  EXPECT_EQ(FindText(Text("abcabc"), Text("c")), 3);
  EXPECT_EQ(FindText(Text("abcabc"), Text("c"), 4), 6);
  EXPECT_EQ(FindText(Text("abcabc"), Text("c"), 7), -1);
  EXPECT_EQ(FindText(Text("abcabc"), Text("a"), -5), 1);
  EXPECT_EQ(FindText(Text("ABC"), Text("b")), -1);
  EXPECT_EQ(FindText(Text("ABC"), Text("b"), std::nullopt, true), 2);
  EXPECT_EQ(FindText(Text("abc"), Text()), 1);
  EXPECT_EQ(FindText(Text(), Text()), -1);
  EXPECT_EQ(FindText(Text("abc"), Text(), 4), -1);
  EXPECT_EQ(FindText(Text("ab"), Text("abc")), -1);
}

TEST(FindTextTest, MatchesOnlyAtCharacterBoundaries) {
  Text text(std::string("\xD5\x5C\\"));
  EXPECT_EQ(FindText(text, Text("\\")), 3);
  // Ignore-case folds ASCII only: the trail byte 0x61 ('a') of a character is not 'A'.
  Text chinese(std::string("\x81\x61" "A"));
  EXPECT_EQ(FindText(chinese, Text("a"), std::nullopt, true), 3);
  EXPECT_EQ(FindText("学生名单"_gbk, "名单"_gbk), 5);
}

TEST(ByteCommandsTest, CutBytesNotCharacters) {
  EXPECT_EQ(MiddleText(Text("abcdef"), 5, 10), Text("ef"));
  EXPECT_EQ(MiddleText(Text("abcdef"), 0, 2), Text());
  EXPECT_EQ(MiddleText(Text("abcdef"), 7, 1), Text());
  EXPECT_EQ(MiddleText(Text("abcdef"), 2, 0), Text());
  EXPECT_EQ(RightText(Text("abc"), 5), Text("abc"));
  EXPECT_EQ(RightText(Text("abc"), 2), Text("bc"));
  EXPECT_EQ(RightText(Text("abc"), 0), Text());
  EXPECT_EQ(TextLength("张三"_gbk), 4);
  EXPECT_EQ(RightText("张三"_gbk, 1).size(), 1u);
  EXPECT_EQ(CharFromCode(0), Text());
  EXPECT_EQ(CharFromCode(0x41), Text("A"));
  EXPECT_EQ(BlankText(3), Text("   "));
  EXPECT_EQ(BlankText(0), Text());
}

}  // namespace
}  // namespace rc
