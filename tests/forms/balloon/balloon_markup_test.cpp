#include "forms/balloon/balloon_markup.h"

#include <gtest/gtest.h>

namespace rc {
namespace {

using Kind = MarkupTokenKind;

// A compact picture of a token list: text as is, tags as <name> or </name>, "LF" "CR" "TAB".
std::string Describe(const std::vector<MarkupToken>& tokens) {
  std::string out;
  for (const MarkupToken& t : tokens) {
    if (!out.empty()) out += "|";
    switch (t.kind) {
      case Kind::kText: out += t.text.ToUtf8(); break;
      case Kind::kTag: out += std::string(t.closing ? "</" : "<") + t.name.ToUtf8() + ">"; break;
      case Kind::kLineFeed: out += "LF"; break;
      case Kind::kCarriageReturn: out += "CR"; break;
      case Kind::kTab: out += "TAB"; break;
    }
  }
  return out;
}

std::string Tokens(const char* utf8) { return Describe(TokenizeMarkup(Text::FromUtf8(utf8))); }

TEST(BalloonMarkupTest, BrInEveryForm) {
  EXPECT_EQ(Tokens("一</br>二"), "一|</br>|二");
  EXPECT_EQ(Tokens("一<br>二"), "一|<br>|二");
  EXPECT_EQ(Tokens("一<br/>二<BR />三"), "一|<br>|二|<BR>|三");
  auto tokens = TokenizeMarkup(Text::FromUtf8("a</br>b<Br>c"));
  ASSERT_EQ(tokens.size(), 5u);
  EXPECT_TRUE(tokens[1].Is("br"));
  EXPECT_TRUE(tokens[1].closing);
  EXPECT_TRUE(tokens[3].Is("br"));
  EXPECT_FALSE(tokens[3].closing);
}

TEST(BalloonMarkupTest, DoubledLessThanIsALiteralCharacter) {
  EXPECT_EQ(Tokens("a<<b"), "a<b");
  EXPECT_EQ(Tokens("<<b>x</b>"), "<b>x|</b>");
  EXPECT_EQ(Tokens("1<<<b>2"), "1<|<b>|2");
}

TEST(BalloonMarkupTest, UnclosedLessThanKeepsTheRestOfTheText) {
  EXPECT_EQ(Tokens("a < b"), "a < b");
  EXPECT_EQ(Tokens("一<二\n三"), "一<二|LF|三");
  EXPECT_EQ(Tokens("<b>x<"), "<b>|x<");
}

TEST(BalloonMarkupTest, NestedTagsWithAttributes) {
  auto tokens = TokenizeMarkup(Text::FromUtf8(
      R"(<font color="#ff0000" size=3 face='宋体'><b>粗</b></font>)"));
  EXPECT_EQ(Describe(tokens), "<font>|<b>|粗|</b>|</font>");
  EXPECT_EQ(tokens[0].Attribute("COLOR"), Text("#ff0000"));
  EXPECT_EQ(tokens[0].Attribute("size"), Text("3"));
  EXPECT_EQ(tokens[0].Attribute("face"), "宋体"_gbk);
  EXPECT_EQ(tokens[0].Attribute("weight"), std::nullopt);
  // An attribute without a value is still there, with an empty value.
  auto td = TokenizeMarkup(Text("<td nowrap colspan = 2>"));
  ASSERT_EQ(td.size(), 1u);
  EXPECT_EQ(td[0].Attribute("nowrap"), Text());
  EXPECT_EQ(td[0].Attribute("colspan"), Text("2"));
}

TEST(BalloonMarkupTest, UnknownTagsAreTokensLikeAnyOther) {
  EXPECT_EQ(Tokens("a<blink>b</blink><>c"), "a|<blink>|b|</blink>|<>|c");
  EXPECT_EQ(Tokens("<icon handle=0x1F>"), "<icon>");
}

TEST(BalloonMarkupTest, ControlCharactersAreTokensOfTheirOwn) {
  EXPECT_EQ(Tokens("a\r\nb\tc\n"), "a|CR|LF|b|TAB|c|LF");
  // Inside a tag they are part of the tag.
  EXPECT_EQ(Tokens("<font\ncolor=red>x"), "<font>|x");
}

TEST(BalloonMarkupTest, TwoByteCharactersAreUnits) {
  Text text = "按 C 键即可随机点名</br>按 X 键"_gbk;
  auto tokens = TokenizeMarkup(text);
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].text, "按 C 键即可随机点名"_gbk);
  EXPECT_EQ(tokens[2].text, "按 X 键"_gbk);
  EXPECT_TRUE(TokenizeMarkup(Text()).empty());
  // A stray lead byte (broken text) does not swallow the tag after it.
  auto broken = TokenizeMarkup(Text("\xB0<b>x"));
  ASSERT_EQ(broken.size(), 3u);
  EXPECT_TRUE(broken[1].Is("b"));
}

TEST(BalloonMarkupTest, IconWrapsTheTextInATableAndNoIconLeavesItAlone) {
  const Text text = "按 C 键</br>点名"_gbk;
  EXPECT_EQ(PopUpMarkup(text, std::nullopt), text);
  EXPECT_EQ(PopUpMarkup(text, 0x1A2B),
            Text("<table><tr><td><icon handle=0x1A2B></td><td>") + text +
                Text("</td></tr></table>"));
}

}  // namespace
}  // namespace rc
