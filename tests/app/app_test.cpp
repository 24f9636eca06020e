// The application's handlers on the offscreen platform, against real class files in the data
// folder beside the test program: the parts whose faults would hide from the end-to-end
// scenarios (the roll's exact tick sequence, the countdown's blinking, the class-name checks
// and what creating a class does to files that exist).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "app/app_state.h"
#include "app/class_store.h"
#include "app/main_window.h"
#include "app/roll.h"
#include "core/paths.h"
#include "core/program_location.h"
#include "edb/database.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"

namespace rc::app {
namespace {

namespace fs = std::filesystem;
using forms::kMainWindow;

// One class file per test, named after the test: ctest runs the tests of this binary as
// parallel processes sharing the data folder.
class AppTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitProgramLocation();
    fs::create_directories(fs::path(ProgramFolder().bytes()) / "date");
  }

  void SetUp() override {
    name_ = Text::FromUtf8(testing::UnitTest::GetInstance()->current_test_info()->name());
  }

  void TearDown() override {
    CloseAllDatabases();
    for (forms::WindowId window : {forms::kClassWindow, kMainWindow}) {
      if (forms::IsWindowLoaded(window)) {
        EXPECT_TRUE(forms::CloseWindow(window));
      }
    }
    RemoveFile(ClassPath());
  }

  Text ClassPath() const { return DataFolder() + name_ + ".EDB"_gbk; }

  void MakeClass(const std::vector<std::string>& students) {
    ASSERT_TRUE(CreateClassFile(name_));
    ASSERT_TRUE(OpenDatabase(ClassPath(), "fill"_gbk));
    for (const std::string& s : students) AddRecord({Value(name_), Value(Text::FromUtf8(s))});
    CloseDatabase("fill"_gbk);
  }

  // (name, answers, wrong answers) of every record, in file order. A file is opened once
  // per process, so the roll's class is closed first.
  std::vector<std::tuple<std::string, int64_t, int64_t>> Records() {
    CloseDatabase(RollAlias());
    std::vector<std::tuple<std::string, int64_t, int64_t>> out;
    if (!OpenDatabase(ClassPath(), "check"_gbk, true)) return out;
    GoToFirstRecord();
    for (int32_t i = RecordCount(); i > 0; --i, SkipRecords()) {
      out.emplace_back(AsText(ReadField("姓名"_gbk)).ToUtf8(), AsInteger(ReadField("回答次数"_gbk)),
                       AsInteger(ReadField("错误次数"_gbk)));
    }
    CloseDatabase("check"_gbk);
    return out;
  }

  // The main window with the handlers of the countdown and the roll only: no notice, no
  // single instance, no hot keys.
  void LoadMainWindow() {
    ASSERT_TRUE(BindMainWindowHandlers());
    ASSERT_TRUE(forms::BindHandler(kMainWindow, forms::kMainWindowItem, forms::kEventCreated,
                                   [](int32_t, int32_t) { return 0; }));
    ASSERT_TRUE(forms::LoadWindow(kMainWindow, std::nullopt, false));
  }

  std::string Caption(forms::ControlId control) {
    return forms::ReadText(kMainWindow, control, forms::kPropLabelCaption).ToUtf8();
  }

  Text name_;
};

// Answers message boxes as they come up, with the given buttons in turn, and keeps their texts.
class MessageBoxAnswers {
 public:
  explicit MessageBoxAnswers(std::deque<QMessageBox::StandardButton> answers)
      : answers_(std::move(answers)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      texts.push_back(box->text().toStdString());
      QMessageBox::StandardButton answer = QMessageBox::Ok;
      if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
      }
      defaults.push_back(box->defaultButton() ? box->standardButton(box->defaultButton())
                                              : QMessageBox::NoButton);
      box->button(answer)->click();
    });
    timer_.start();
  }
  std::vector<std::string> texts;
  std::vector<QMessageBox::StandardButton> defaults;

 private:
  std::deque<QMessageBox::StandardButton> answers_;
  QTimer timer_;
};

TEST_F(AppTest, ClassNamesNeverLeadOutOfTheDataFolder) {
  for (const char* good : {"九（1）班", "a.b", "Class 3", "高一(2)"}) {
    EXPECT_TRUE(IsValidClassName(Text::FromUtf8(good))) << good;
  }
  // 0x5C as the trail byte of a two-byte character is no backslash.
  EXPECT_TRUE(IsValidClassName(Text(std::string("\x95\x5C", 2))));
  for (const char* bad : {"", ".", "..", "../x", "a/b", "a\\b", "C:x", "a*", "a?", "a\"b", "<a",
                          "a>", "a|b", "a\tb", "a\nb"}) {
    EXPECT_FALSE(IsValidClassName(Text::FromUtf8(bad))) << bad;
  }
  EXPECT_EQ(ClassNameFromPath(DataFolder() + "\\九（1）班.edb"_gbk), "九（1）班"_gbk);
}

TEST_F(AppTest, RollTicksTwentyTimesFasterAndFasterAndCountsOnlyThePick) {
  MakeClass({"张三", "李四", "王五"});
  LoadMainWindow();
  std::mutex mutex;
  std::condition_variable spoke;
  std::vector<std::pair<std::string, int32_t>> spoken;
  SetPickSpeaker([&](const Text& text, int32_t rate) {
    std::lock_guard<std::mutex> lock(mutex);
    spoken.emplace_back(text.ToUtf8(), rate);
    spoke.notify_all();
    return Handle();
  });
  ASSERT_TRUE(OpenDatabase(ClassPath(), RollAlias()));
  ASSERT_TRUE(RollClassReady());
  StartRoll();
  // The statistics window may leave another database current between ticks: an empty one
  // here, which the roll must not draw from.
  const Text other = name_ + "-other"_gbk;
  ASSERT_TRUE(CreateClassFile(other));
  ASSERT_TRUE(OpenDatabase(DataFolder() + other + ".EDB"_gbk, "other"_gbk));

  std::vector<int32_t> periods;
  int32_t period = forms::ReadInt(kMainWindow, forms::kMainTimer1, forms::kPropTimerInterval);
  while (period != 0 && periods.size() < 30) {
    periods.push_back(period);
    forms::RaiseEvent(kMainWindow, forms::kMainTimer1, forms::kEventTick);
    period = forms::ReadInt(kMainWindow, forms::kMainTimer1, forms::kPropTimerInterval);
  }
  std::vector<int32_t> expected;
  for (int32_t p = 100; p >= 5; p -= 5) expected.push_back(p);
  EXPECT_EQ(periods, expected);
  CloseDatabase("other"_gbk);
  RemoveFile(DataFolder() + other + ".EDB"_gbk);

  const std::string picked = Caption(forms::kMainLabel1);
  int counted = 0;
  for (const auto& [name, answers, wrong] : Records()) {
    EXPECT_EQ(answers, name == picked ? 1 : 0) << name;
    counted += answers;
  }
  EXPECT_EQ(counted, 1);
  EXPECT_EQ(Caption(forms::kMainLabel2), "回答：1 次");
  EXPECT_EQ(Caption(forms::kMainLabel3), "错误：0 次");
  // The name is read on a thread of its own.
  std::unique_lock<std::mutex> lock(mutex);
  ASSERT_TRUE(spoke.wait_for(lock, std::chrono::seconds(30), [&] { return !spoken.empty(); }))
      << "the pick was not read aloud";
  EXPECT_EQ(spoken, (std::vector<std::pair<std::string, int32_t>>{{picked, 55}}));
}

TEST_F(AppTest, WrongAnswerGoesToTheFirstStudentOfThatNameAndNeedsAClass) {
  MakeClass({"李四", "张三", "张三"});
  LoadMainWindow();
  forms::WriteProperty(kMainWindow, forms::kMainLabel1, forms::kPropLabelCaption, "张三"_gbk);
  // No class open: nothing happens, nothing is fatal.
  AddWrongAnswer();
  EXPECT_FALSE(RollClassReady());

  ASSERT_TRUE(OpenDatabase(ClassPath(), RollAlias()));
  AddWrongAnswer();
  AddWrongAnswer();
  EXPECT_EQ(Caption(forms::kMainLabel3), "错误：2 次");
  forms::WriteProperty(kMainWindow, forms::kMainLabel1, forms::kPropLabelCaption, "无此人"_gbk);
  AddWrongAnswer();
  EXPECT_EQ(Records(), (std::vector<std::tuple<std::string, int64_t, int64_t>>{
                           {"李四", 0, 0}, {"张三", 0, 2}, {"张三", 0, 0}}));
  EXPECT_EQ(Caption(forms::kMainLabel3), "错误：2 次");
}

TEST_F(AppTest, CountdownHidesAfterSevenAndAHalfSecondsBlinkingAndEndsBlack) {
  LoadMainWindow();
  HideCountdown = kStartupCountdown;
  std::string colours;  // per tick while shown: '.' plain, 'R' red, 'B' black after blinking
  int hidden_at = 0;
  for (int tick = 1; tick <= 100 && hidden_at == 0; ++tick) {
    CountdownTick();
    if (!forms::ReadLogical(kMainWindow, forms::kWindowItself, forms::kPropVisible)) {
      hidden_at = tick;
      break;
    }
    const int32_t colour =
        forms::ReadInt(kMainWindow, forms::kMainLabel1, forms::kPropLabelTextColour);
    colours += tick <= 60 ? '.' : (colour == 255 ? 'R' : 'B');
  }
  EXPECT_EQ(hidden_at, 75);
  EXPECT_EQ(colours, std::string(60, '.') + "RBRBRBRBRBRBRB");
  EXPECT_EQ(forms::ReadInt(kMainWindow, forms::kMainLabel1, forms::kPropLabelTextColour), 0);
  // Hidden it stays, tick after tick, until C sets the countdown again.
  for (int tick = 0; tick < 50; ++tick) CountdownTick();
  EXPECT_FALSE(forms::ReadLogical(kMainWindow, forms::kWindowItself, forms::kPropVisible));
  HideCountdown = kHotKeyCountdown;
  CountdownTick();
  EXPECT_TRUE(forms::ReadLogical(kMainWindow, forms::kWindowItself, forms::kPropVisible));

  // C again while the name shows red: from red, the fourteen blinks would end red, and the
  // name ends black all the same.
  auto colour = [] {
    return forms::ReadInt(kMainWindow, forms::kMainLabel1, forms::kPropLabelTextColour);
  };
  for (int tick = 0; colour() != 255; ++tick) {
    ASSERT_LT(tick, kHotKeyCountdown) << "never red";
    CountdownTick();
  }
  HideCountdown = kHotKeyCountdown;
  for (int tick = 0; forms::ReadLogical(kMainWindow, forms::kWindowItself, forms::kPropVisible);
       ++tick) {
    ASSERT_LT(tick, kHotKeyCountdown) << "never hidden";
    CountdownTick();
  }
  EXPECT_EQ(colour(), 0);
}

// Set for the run of the test below in a program folder of its own.
constexpr char kOwnFolderVariable[] = "ROLLCALL_APP_TEST_IN_OWN_FOLDER";

TEST_F(AppTest, CreatingAClassAsksBeforeReplacingAndRefusesHostileNames) {
  ASSERT_TRUE(forms::LoadWindow(forms::kClassWindow, std::nullopt, false));
  auto create = [&](const Text& name, const char* pasted) {
    forms::WriteProperty(forms::kClassWindow, forms::kClassEdit2, forms::kPropEditContent, name);
    forms::WriteProperty(forms::kClassWindow, forms::kClassEdit1, forms::kPropEditContent,
                         Text::FromUtf8(pasted));
    CreateClassFromPaste();
  };
  const Text open_failed = "打开数据库失败，可能你正在使用该班级的数据库"_gbk;
  const std::vector<const char*> hostile_names = {"../escaped", "..", "a/b", "..\\up", "x:y"};
  if (std::getenv(kOwnFolderVariable) != nullptr) {
    // In a folder of its own (see the end): only the names that would lead out of it.
    MessageBoxAnswers answers({});
    for (const char* hostile : hostile_names) create(Text::FromUtf8(hostile), "张三\r\n");
    EXPECT_EQ(answers.texts, std::vector<std::string>(hostile_names.size(), open_failed.ToUtf8()));
    return;
  }

  {
    // A new class: one record per line, an empty line an empty record.
    MessageBoxAnswers answers({});
    create(name_, "张三\r\n\r\n李四\r\n");
    EXPECT_TRUE(answers.texts.empty());
  }
  using Rows = std::vector<std::tuple<std::string, int64_t, int64_t>>;
  EXPECT_EQ(Records(), (Rows{{"张三", 0, 0}, {"", 0, 0}, {"李四", 0, 0}}));
  {
    // It exists: No, the default, keeps it; Yes replaces it.
    MessageBoxAnswers answers({QMessageBox::No, QMessageBox::Yes});
    create(name_, "王五\r\n");
    EXPECT_EQ(Records(), (Rows{{"张三", 0, 0}, {"", 0, 0}, {"李四", 0, 0}}));
    create(name_, "王五\r\n");
    EXPECT_EQ(Records(), (Rows{{"王五", 0, 0}}));
    ASSERT_EQ(answers.texts.size(), 2u);
    EXPECT_EQ(answers.texts[0], "班级“" + name_.ToUtf8() +
                                    "”已存在，重新创建将清除原有学生和统计，是否继续？");
    EXPECT_EQ(answers.defaults[0], QMessageBox::No);
  }
  {
    // Open for the roll: refused without a question, the students kept.
    ASSERT_TRUE(OpenDatabase(ClassPath(), RollAlias()));
    MessageBoxAnswers answers({});
    create(name_, "赵六\r\n");
    EXPECT_EQ(answers.texts, std::vector<std::string>{open_failed.ToUtf8()});
    CloseDatabase(RollAlias());
    EXPECT_EQ(Records(), (Rows{{"王五", 0, 0}}));
  }
  {
    // Names that would lead out of the data folder create nothing, anywhere. Other tests
    // write beside this program meanwhile, so this test tries them again in a copy of the
    // program two folders deep in a folder of its own, which must stay as it was.
    const fs::path own = fs::path(ProgramFolder().bytes()) / ("own-folder-" + name_.ToUtf8());
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path copy = own / "program" / self.filename();
    fs::remove_all(own);
    fs::create_directories(copy.parent_path() / "date");
    std::error_code not_linked;
    fs::create_hard_link(self, copy, not_linked);
    if (not_linked) fs::copy_file(self, copy);
    auto snapshot = [&] {
      std::vector<std::string> names;
      for (const fs::directory_entry& e : fs::recursive_directory_iterator(own))
        names.push_back(e.path().string());
      std::sort(names.begin(), names.end());
      return names;
    };
    const std::vector<std::string> before = snapshot();
    const std::string run = std::string(kOwnFolderVariable) + "=1 '" + copy.string() +
                            "' --gtest_filter=AppTest." + name_.ToUtf8();
    EXPECT_EQ(std::system(run.c_str()), 0);
    EXPECT_EQ(snapshot(), before);
    fs::remove_all(own);
  }
}

}  // namespace
}  // namespace rc::app
