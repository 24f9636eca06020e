#include "core/paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/program_location.h"
#include "tests/working_folder_guard.h"

namespace rc {
namespace {

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/rollcall-paths-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    ASSERT_EQ(mkdir((root_ + "/date").c_str(), 0755), 0);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  void Touch(const std::string& native) {
    int fd = open(native.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    close(fd);
  }
  bool Exists(const std::string& native) { return access(native.c_str(), F_OK) == 0; }
  Text Root() { return Text(root_); }

  std::string root_;
};

TEST_F(PathsTest, MixedAndDoubledSeparatorsResolve) {
  Touch(root_ + "/date/a.edb");
  EXPECT_EQ(NativePath(Root() + Text("/date/\\a.edb")), root_ + "/date/a.edb");
  EXPECT_EQ(NativePath(Root() + Text("\\\\date//a.edb")), root_ + "/date/a.edb");
}

TEST_F(PathsTest, UpperCaseFileIsFoundListedAndDeletedUnderLowerCaseName) {
  Touch(root_ + "/date/X.EDB");
  EXPECT_EQ(NativePath(Root() + Text("/date/x.edb")), root_ + "/date/X.EDB");
  EXPECT_EQ(NativePath(Root() + Text("/DATE/x.edb")), root_ + "/date/X.EDB");
  EXPECT_EQ(ListFolder(Root() + Text("/date"), Text("*.edb")), std::vector<Text>{Text("X.EDB")});
  EXPECT_TRUE(RemoveFile(Root() + Text("/date/\\x.edb")));
  EXPECT_FALSE(Exists(root_ + "/date/X.EDB"));
  EXPECT_FALSE(RemoveFile(Root() + Text("/date/x.edb")));
  EXPECT_FALSE(RemoveFile(Root() + Text("/date")));  // never a folder
}

TEST_F(PathsTest, ChineseClassNameRoundTripsThroughUtf8FileName) {
  Text name = "三年二班.edb"_gbk;
  std::string native = NativePath(Root() + Text("/date/") + name);
  EXPECT_EQ(native, root_ + "/date/三年二班.edb");
  Touch(native);
  EXPECT_TRUE(Exists(root_ + "/date/三年二班.edb"));
  EXPECT_EQ(ListFolder(Root() + Text("/date"), Text("*.EDB")), std::vector<Text>{name});
}

TEST_F(PathsTest, NameThatIsNotUtf8IsStillListedAndOpenable) {
  std::string gbk_name = "\xB0\xE0.edb";  // "班.edb" in GBK bytes, as an old archive left it
  Touch(root_ + "/date/" + gbk_name);
  std::vector<Text> listed = ListFolder(Root() + Text("/date"), Text("*.edb"));
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].bytes(), gbk_name);
  EXPECT_EQ(NativePath(Root() + Text("/date/") + listed[0]), root_ + "/date/" + gbk_name);
  EXPECT_TRUE(RemoveFile(Root() + Text("/date/") + listed[0]));
}

// A folder named on another system, kept as its bytes: one whose name ends in a byte that
// would start a two-byte character, inside one whose name holds a "\\" and one named in
// GBK. Paths inside it keep it whichever separators they are written with; the names after
// it are converted.
TEST_F(PathsTest, KeptFolderReachesTheFileSystemAsItsBytes) {
  const std::string kept = root_ + "/kejian\\beifen/\xBF\xCE/caf\xE9";
  std::filesystem::create_directories(kept + "/date");
  const Text folder = KeepNativeFolder(kept);
  EXPECT_EQ(folder, Root() + Text("/kejian\\beifen/\xBF\xCE/caf\xE9"));
  const std::string class_file = kept + "/date/三年二班.edb";
  EXPECT_EQ(NativePath(folder + Text("/date/\\") + "三年二班.edb"_gbk), class_file);
  EXPECT_EQ(NativePath(folder + Text("\\date/") + "三年二班.edb"_gbk), class_file);
  EXPECT_EQ(NativePath(Root() + Text("/kejian/beifen//\xBF\xCE/caf\xE9/date/") + "三年二班.edb"_gbk),
            class_file);
  EXPECT_EQ(NativePath(folder), kept);
  // A neighbour whose name only starts the same does not lie in it.
  EXPECT_NE(NativePath(folder + Text("x/a")).rfind(kept, 0), 0u);
}

TEST_F(PathsTest, PatternsIgnoreCaseAndCountCharacters) {
  EXPECT_TRUE(MatchesPattern(Text("A.EDB"), Text("*.edb")));
  EXPECT_FALSE(MatchesPattern(Text("a.edbx"), Text("*.edb")));
  EXPECT_TRUE(MatchesPattern("班.edb"_gbk, Text("?.edb")));
  EXPECT_FALSE(MatchesPattern("班级.edb"_gbk, Text("?.edb")));
  EXPECT_TRUE(MatchesPattern(Text("abc"), Text("*")));
  EXPECT_TRUE(MatchesPattern(Text("a.b.edb"), Text("*.*")));
  Touch(root_ + "/date/one.edb");
  Touch(root_ + "/date/notes.txt");
  EXPECT_EQ(ListFolder(Root() + Text("/date"), Text("*.edb")).size(), 1u);
  EXPECT_TRUE(ListFolder(Root() + Text("/missing"), Text("*")).empty());
}

TEST(ProgramLocationTest, InitFindsThisBinaryAndEntersItsFolder) {
  testing::WorkingFolderGuard restore_working_folder;
  ASSERT_TRUE(InitProgramLocation());
  EXPECT_EQ(ProgramFileName(), Text("core_tests"));
  EXPECT_EQ(std::filesystem::current_path().string(), ProgramFolder().ToUtf8());
}

}  // namespace
}  // namespace rc
