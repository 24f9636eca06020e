#include "core/text.h"

#include <gtest/gtest.h>

namespace rc {
namespace {

TEST(TextTest, GbkBytesOfChineseLiterals) {
  EXPECT_EQ("数据库"_gbk.bytes(), "\xCA\xFD\xBE\xDD\xBF\xE2");
  EXPECT_EQ("数据库"_gbk.ToUtf8(), "数据库");
  EXPECT_EQ("abc"_gbk, Text("abc"));
}

TEST(TextTest, UndecodableBytesShowAsReplacementAndStayStored) {
  Text broken(std::string("A\xFF" "B\x81"));
  EXPECT_EQ(broken.ToUtf8(), "A\xEF\xBF\xBD" "B\xEF\xBF\xBD");
  EXPECT_EQ(broken.ToUtf16(), u"A\uFFFDB\uFFFD");
  EXPECT_EQ(broken.bytes(), "A\xFF" "B\x81");  // displaying changed nothing
}

TEST(TextTest, CharactersOutsideGbkSurvive) {
  // U+4DB6 lies outside GBK; GB18030 keeps it as a four-byte sequence.
  std::string rare = "\xE4\xB6\xB6";
  Text t = Text::FromUtf8(rare);
  EXPECT_NE(t.bytes(), "?");
  EXPECT_EQ(t.size(), 4u);
  EXPECT_EQ(t.ToUtf8(), rare);
  EXPECT_EQ(Text::FromUtf16(u"\U0002A6A5").ToUtf16(), u"\U0002A6A5");
  EXPECT_EQ(Text::FromUtf16(u"王五").bytes(), "王五"_gbk.bytes());
}

TEST(TextTest, EqualsIgnoreCaseFoldsAsciiOnly) {
  EXPECT_TRUE(EqualsIgnoreCase(Text("Class.EDB"), Text("class.edb")));
  EXPECT_TRUE(EqualsIgnoreCase("数据库"_gbk, "数据库"_gbk));
  // The trail byte 0x41 of a two-byte character is not folded to 0x61.
  EXPECT_FALSE(EqualsIgnoreCase(Text(std::string("\x81\x41")), Text(std::string("\x81\x61"))));
  EXPECT_FALSE(EqualsIgnoreCase(Text("ab"), Text("abc")));
}

}  // namespace
}  // namespace rc
