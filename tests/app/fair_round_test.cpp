// A round without repeats through the roll itself, against real class files and the real
// settings file. This binary has a program folder of its own, and its tests never run at the
// same time (see CMakeLists.txt): they all write the one settings file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/class_store.h"
#include "app/fair_round.h"
#include "app/main_window.h"
#include "app/roll.h"
#include "app/roll_class.h"
#include "app/windows.h"
#include "core/paths.h"
#include "core/program_location.h"
#include "core/settings.h"
#include "edb/database.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"

namespace rc::app {
namespace {

namespace fs = std::filesystem;

class FairRoundTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitProgramLocation();
    fs::create_directories(fs::path(ProgramFolder().bytes()) / "date");
  }

  void SetUp() override {
    RemoveFile(SettingsPath());
    ASSERT_TRUE(SetPickMode(PickMode::kNoRepeat));
    ASSERT_TRUE(BindMainWindowHandlers());
    ASSERT_TRUE(forms::BindHandler(kMainWindow, app::kMainWindowItem, forms::kEventCreated,
                                   [](int32_t, int32_t) { return 0; }));
    ASSERT_TRUE(forms::LoadWindow(kMainWindow, std::nullopt, false));
  }

  void TearDown() override {
    CloseAllDatabases();
    if (forms::IsWindowLoaded(kMainWindow)) {
      EXPECT_TRUE(forms::CloseWindow(kMainWindow));
    }
    for (const Text& name : made_) RemoveFile(ClassPath(name));
    RemoveFile(SettingsPath());
  }

  void MakeClass(const Text& name, int students) {
    RemoveFile(ClassPath(name));
    ASSERT_TRUE(CreateClassFile(ClassPath(name)));
    ASSERT_TRUE(OpenDatabase(ClassPath(name), "fill"_gbk));
    for (int i = 1; i <= students; ++i) {
      AddRecord({Value(name), Value("学生"_gbk + Text(std::to_string(i)))});
    }
    CloseDatabase("fill"_gbk);
    made_.insert(name);
  }

  // Rolls `name` once, as C and 时钟1 would, and returns the record counted.
  int32_t Roll(const Text& name) {
    const std::vector<int64_t> before = Answers(name);
    OpenRollClass(name);
    StartRoll();
    while (forms::ReadInt(kMainWindow, app::kRollTimer, forms::kPropTimerInterval) != 0) {
      forms::RaiseEvent(kMainWindow, app::kRollTimer, forms::kEventTick);
    }
    const std::vector<int64_t> after = Answers(name);
    int32_t picked = 0;
    for (size_t i = 0; i < after.size(); ++i) {
      EXPECT_EQ(after[i], before[i] + (after[i] != before[i] ? 1 : 0));
      if (after[i] != before[i]) picked = static_cast<int32_t>(i) + 1;
    }
    return picked;
  }

  // 回答次数 of every record; the roll's class is closed, since a file opens once.
  std::vector<int64_t> Answers(const Text& name) {
    CloseRollClass();
    std::vector<int64_t> out;
    if (!OpenDatabase(ClassPath(name), "check"_gbk, true)) return out;
    GoToFirstRecord();
    for (int32_t i = RecordCount(); i > 0; --i, SkipRecords()) {
      out.push_back(AsInteger(ReadField(AnswersField())));
    }
    CloseDatabase("check"_gbk);
    return out;
  }

  // The picks of the class's round as stored, in order; empty when there is none.
  std::vector<int32_t> StoredPicks(const Text& name) {
    std::vector<int32_t> picks;
    const std::optional<std::string> stored = ReadSetting(RoundSettingKey(name));
    if (!stored) return picks;
    std::istringstream rest(stored->substr(stored->rfind(' ') + 1));
    for (std::string pick; std::getline(rest, pick, ',');) picks.push_back(std::stoi(pick));
    return picks;
  }

  std::set<Text> made_;
};

TEST_F(FairRoundTest, SixRollsPickSixStudentsThenANewRoundBeginsWithAnother) {
  const Text six = "六人班"_gbk;
  const Text three = "Three"_gbk;
  MakeClass(six, 6);
  MakeClass(three, 3);
  std::vector<int32_t> picks;
  for (int i = 0; i < 3; ++i) picks.push_back(Roll(six));
  // Another class between rolls, and a restart: the window and the class closed and loaded
  // anew. The round lives in the settings file alone.
  EXPECT_NE(Roll(three), 0);
  CloseRollClass();
  ASSERT_TRUE(forms::CloseWindow(kMainWindow));
  ASSERT_TRUE(forms::LoadWindow(kMainWindow, std::nullopt, false));
  for (int i = 0; i < 3; ++i) picks.push_back(Roll(six));
  EXPECT_EQ(std::set<int32_t>(picks.begin(), picks.end()), (std::set<int32_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(StoredPicks(six), picks);
  EXPECT_EQ(StoredPicks(three).size(), 1u);
  // The names differ in case only: one class, one round.
  EXPECT_EQ(RoundSettingKey("three"_gbk), RoundSettingKey(three));

  const int32_t seventh = Roll(six);
  EXPECT_NE(seventh, picks.back());
  EXPECT_EQ(StoredPicks(six), std::vector<int32_t>{seventh});
  std::vector<int64_t> counted(6, 1);
  counted[static_cast<size_t>(seventh - 1)] = 2;
  EXPECT_EQ(Answers(six), counted);
}

TEST_F(FairRoundTest, DamagedOrStaleRoundsBeginAnewAndDamageNothing) {
  const Text name = "五人班"_gbk;
  MakeClass(name, 5);
  Roll(name);
  Roll(name);
  const std::string key = RoundSettingKey(name);
  const std::string good = *ReadSetting(key);
  const std::string head = good.substr(0, good.rfind(' ') + 1);  // students and roster
  const std::string junk = "\x01\xff\xfe junk line\nsize=200\n";
  for (const std::string& damaged :
       {std::string("\xff\x00garbage"), head + "9", head + "1,1", head + "1,x", head + "0",
        "4" + good.substr(1), head.substr(0, head.size() - 3) + "zz " + "1", std::string()}) {
    SCOPED_TRACE(damaged);
    {
      std::ofstream out(NativePath(SettingsPath()), std::ios::binary);
      out << junk << "pick_mode=no-repeat\n" << key << "=" << damaged << "\n";
    }
    int64_t total = 0;
    for (int64_t a : Answers(name)) total -= a;
    const int32_t pick = Roll(name);
    for (int64_t a : Answers(name)) total += a;
    EXPECT_EQ(total, 1);
    EXPECT_EQ(StoredPicks(name), std::vector<int32_t>{pick});
    EXPECT_EQ(ReadSetting(key)->substr(0, head.size()), head);
    EXPECT_EQ(ReadSetting("size"), "200");
  }

  // Made anew with a sixth student: a new round, for the six.
  Roll(name);
  MakeClass(name, 6);
  const int32_t pick = Roll(name);
  EXPECT_EQ(StoredPicks(name), std::vector<int32_t>{pick});
  EXPECT_EQ(ReadSetting(key)->rfind("6 ", 0), 0u);

  // 完全随机, the default, neither reads nor writes a round.
  ASSERT_TRUE(SetPickMode(PickMode::kFullyRandom));
  WriteSetting(key, "damaged");
  Roll(name);
  EXPECT_EQ(ReadSetting(key), "damaged");
}

}  // namespace
}  // namespace rc::app
