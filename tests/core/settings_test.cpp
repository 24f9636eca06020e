#include "core/settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/paths.h"
#include "core/program_location.h"

namespace rc {
namespace {

std::string FileText() {
  std::ifstream in(NativePath(SettingsPath()), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void SetFileText(const std::string& text) {
  std::ofstream(NativePath(SettingsPath()), std::ios::binary) << text;
}

TEST(SettingsTest, ChoicesSurviveDamagedLinesAndAreWrittenWhole) {
  ASSERT_TRUE(InitProgramLocation());
  RemoveFile(SettingsPath());
  EXPECT_EQ(ReadSetting("size"), std::nullopt);

  // A hand-edited file: junk lines, CRLF endings, a key given twice (the last one wins).
  SetFileText("size=150\r\n\x01\xff junk\n=x\nmode=round\nsize=200\n");
  EXPECT_EQ(ReadSetting("size"), "200");
  EXPECT_EQ(ReadSetting("mode"), "round");
  EXPECT_EQ(ReadSetting("siz"), std::nullopt);

  // Changing one choice keeps the others, and leaves no copy behind.
  ASSERT_TRUE(WriteSetting("size", "300"));
  EXPECT_EQ(ReadSetting("size"), "300");
  EXPECT_EQ(ReadSetting("mode"), "round");
  EXPECT_EQ(FileText().find("size=200"), std::string::npos);
  EXPECT_EQ(ListFolder(ProgramFolder(), "rollcall.ini*"_gbk).size(), 1u);
  // GBK bytes in a value are kept as they are; a line break or a bad key is refused.
  ASSERT_TRUE(WriteSetting("round", "\xbe\xc5 1,2"));
  EXPECT_EQ(ReadSetting("round"), "\xbe\xc5 1,2");
  EXPECT_FALSE(WriteSetting("mode", "a\nsize=100"));
  EXPECT_FALSE(WriteSetting("a=b", "x"));
  EXPECT_EQ(ReadSetting("size"), "300");
  // An empty value removes the key.
  ASSERT_TRUE(WriteSetting("mode", ""));
  EXPECT_EQ(ReadSetting("mode"), std::nullopt);
  RemoveFile(SettingsPath());
}

}  // namespace
}  // namespace rc
