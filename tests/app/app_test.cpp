// The application's handlers on the offscreen platform, against real class files in the data
// folder beside the test program: the parts whose faults would hide from the end-to-end
// scenarios (the roll's exact tick sequence, the countdown's blinking, the class-name checks
// and what creating a class does to files that exist).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "app/app_state.h"
#include "app/class_creation.h"
#include "app/class_store.h"
#include "app/main_window.h"
#include "app/roll.h"
#include "app/roll_class.h"
#include "app/windows.h"
#include "core/paths.h"
#include "core/program_location.h"
#include "edb/database.h"
#include "edb/format.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"

namespace rc::app {
namespace {

namespace fs = std::filesystem;

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
    RemoveFile(ClassPath());  // left behind by a run that was killed
  }

  void TearDown() override {
    // The roll's class and the speaker outlive the test otherwise: the next test in this
    // process would be told that the class went missing, and its picks read aloud by a
    // speaker that refers to this test's locals.
    CloseRollClass();
    SetPickSpeaker(nullptr);
    CloseAllDatabases();
    for (forms::WindowId window : {kClassWindow, kMainWindow}) {
      if (forms::IsWindowLoaded(window)) {
        EXPECT_TRUE(forms::CloseWindow(window));
      }
    }
    RemoveFile(ClassPath());
  }

  Text ClassPath() const { return rc::app::ClassPath(name_); }

  void MakeClass(const std::vector<std::string>& students) {
    ASSERT_TRUE(CreateClassFile(ClassPath()));
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
    ASSERT_TRUE(forms::BindHandler(kMainWindow, kMainWindowItem, forms::kEventCreated,
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
      if (QAbstractButton* button = box->button(answer)) {
        button->click();
      } else {
        ADD_FAILURE() << "a box without the answer's button: " << texts.back();
        box->reject();
      }
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
  OpenRollClass(name_);
  ASSERT_TRUE(RollClassReady());
  StartRoll();
  // The statistics window may leave another database current between ticks: an empty one
  // here, which the roll must not draw from.
  const Text other = name_ + "-other"_gbk;
  ASSERT_TRUE(CreateClassFile(rc::app::ClassPath(other)));
  ASSERT_TRUE(OpenDatabase(rc::app::ClassPath(other), "other"_gbk));

  std::vector<int32_t> periods;
  int32_t period = forms::ReadInt(kMainWindow, kRollTimer, forms::kPropTimerInterval);
  while (period != 0 && periods.size() < 30) {
    periods.push_back(period);
    forms::RaiseEvent(kMainWindow, kRollTimer, forms::kEventTick);
    period = forms::ReadInt(kMainWindow, kRollTimer, forms::kPropTimerInterval);
  }
  std::vector<int32_t> expected;
  for (int32_t p = 100; p >= 5; p -= 5) expected.push_back(p);
  EXPECT_EQ(periods, expected);
  CloseDatabase("other"_gbk);
  RemoveFile(rc::app::ClassPath(other));

  const std::string picked = Caption(kNameLabel);
  int counted = 0;
  for (const auto& [name, answers, wrong] : Records()) {
    EXPECT_EQ(answers, name == picked ? 1 : 0) << name;
    counted += answers;
  }
  EXPECT_EQ(counted, 1);
  EXPECT_EQ(Caption(kAskedLabel), "回答：1 次");
  EXPECT_EQ(Caption(kWrongLabel), "错误：0 次");
  // The name is read on a thread of its own.
  std::unique_lock<std::mutex> lock(mutex);
  ASSERT_TRUE(spoke.wait_for(lock, std::chrono::seconds(30), [&] { return !spoken.empty(); }))
      << "the pick was not read aloud";
  EXPECT_EQ(spoken, (std::vector<std::pair<std::string, int32_t>>{{picked, 55}}));
}

// Runs one roll to its end, as the roll timer would.
void RunRoll() {
  StartRoll();
  while (forms::ReadInt(kMainWindow, kRollTimer, forms::kPropTimerInterval) != 0) {
    forms::RaiseEvent(kMainWindow, kRollTimer, forms::kEventTick);
  }
}

TEST_F(AppTest, WrongAnswerGoesToThePickedStudentEvenWhenOthersShareTheName) {
  using Rows = std::vector<std::tuple<std::string, int64_t, int64_t>>;
  MakeClass({"张伟", "张伟", "李娜"});
  LoadMainWindow();
  // No class yet: nothing happens, nothing is fatal.
  AddWrongAnswer();
  EXPECT_FALSE(RollClassReady());

  OpenRollClass(name_);
  AddWrongAnswer();  // no pick yet
  EXPECT_EQ(Records(), (Rows{{"张伟", 0, 0}, {"张伟", 0, 0}, {"李娜", 0, 0}}));
  // Until the second 张伟 has been picked (each roll picks it one time in three).
  Rows before = Records();
  for (int roll = 0; roll < 100 && std::get<1>(before[1]) == 0; ++roll) {
    OpenRollClass(name_);  // Records() closed it
    RunRoll();
    AddWrongAnswer();
    const Rows after = Records();
    int picked = -1;
    for (int i = 0; i < 3; ++i) {
      if (std::get<1>(after[i]) != std::get<1>(before[i])) picked = i;
    }
    ASSERT_NE(picked, -1);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(std::get<2>(after[i]), std::get<2>(before[i]) + (i == picked ? 1 : 0)) << i;
    }
    before = after;
  }
  EXPECT_GT(std::get<1>(before[1]), 0);

  // A new class choice, or a roll under way, leaves nobody to count against.
  OpenRollClass(name_);
  RunRoll();
  OpenRollClass(name_);
  AddWrongAnswer();
  OpenRollClass(name_);
  RunRoll();
  StartRoll();
  AddWrongAnswer();
  const Rows after = Records();
  int64_t wrong_before = 0, wrong_after = 0;
  for (int i = 0; i < 3; ++i) {
    wrong_before += std::get<2>(before[i]);
    wrong_after += std::get<2>(after[i]);
  }
  EXPECT_EQ(wrong_after, wrong_before);
}

TEST_F(AppTest, ACountThatCannotBeWrittenIsNotShownAndIsSaidOnce) {
  MakeClass({"独一"});
  LoadMainWindow();
  OpenRollClass(name_);
  // Another program holds the only record, as it does for the moment it writes it.
  const int fd = open(NativePath(ClassPath()).c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kFieldDescStart + 4 * kFieldDescSize;  // the first record
  lock.l_len = 1;
  ASSERT_EQ(fcntl(fd, F_OFD_SETLK, &lock), 0);
  {
    MessageBoxAnswers answers({});
    RunRoll();
    RunRoll();
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_NE(answers.texts[0].find("这一次没有记录"), std::string::npos) << answers.texts[0];
  }
  EXPECT_NE(Caption(kAskedLabel), "回答：1 次");
  close(fd);
  OpenRollClass(name_);
  RunRoll();
  EXPECT_EQ(Caption(kAskedLabel), "回答：1 次");
  EXPECT_EQ(Records(), (std::vector<std::tuple<std::string, int64_t, int64_t>>{{"独一", 1, 0}}));
}

TEST_F(AppTest, PastedNamesAreOnePerLineWithoutBlanksControlsOrSecondColumns) {
  auto names = [](const char* pasted) {
    std::vector<std::string> out;
    for (const Text& n : ReadPastedNames(Text::FromUtf8(pasted)).names) out.push_back(n.ToUtf8());
    return out;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(names("张三\r\n\r\n  \r\n李四\r\n"), (Names{"张三", "李四"}));
  EXPECT_EQ(names(" 王五 \r\n\u3000赵六\u3000\r\n"), (Names{"王五", "赵六"}));
  EXPECT_EQ(names("孙\x01七\x7f\r\n\x1b\r\n"), (Names{"孙七"}));
  EXPECT_TRUE(ReadPastedNames("张三\t1001\r\n李四\t1002\r\n"_gbk).several_columns);
  EXPECT_TRUE(ReadPastedNames("张三\r\n李四\t\r\n"_gbk).names.empty());
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
        forms::ReadInt(kMainWindow, kNameLabel, forms::kPropLabelTextColour);
    colours += tick <= 60 ? '.' : (colour == 255 ? 'R' : 'B');
  }
  EXPECT_EQ(hidden_at, 75);
  EXPECT_EQ(colours, std::string(60, '.') + "RBRBRBRBRBRBRB");
  EXPECT_EQ(forms::ReadInt(kMainWindow, kNameLabel, forms::kPropLabelTextColour), 0);
  // Hidden it stays, tick after tick, until C sets the countdown again.
  for (int tick = 0; tick < 50; ++tick) CountdownTick();
  EXPECT_FALSE(forms::ReadLogical(kMainWindow, forms::kWindowItself, forms::kPropVisible));
  HideCountdown = kHotKeyCountdown;
  CountdownTick();
  EXPECT_TRUE(forms::ReadLogical(kMainWindow, forms::kWindowItself, forms::kPropVisible));

  // C again while the name shows red: from red, the fourteen blinks would end red, and the
  // name ends black all the same.
  auto colour = [] {
    return forms::ReadInt(kMainWindow, kNameLabel, forms::kPropLabelTextColour);
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

TEST_F(AppTest, CreatingAClassAsksBeforeCuttingOrReplacingAndRefusesHostileNames) {
  ASSERT_TRUE(forms::LoadWindow(kClassWindow, std::nullopt, false));
  auto create = [&](const Text& name, const char* pasted) {
    forms::WriteProperty(kClassWindow, kClassNameBox, forms::kPropEditContent, name);
    forms::WriteProperty(kClassWindow, kPasteBox, forms::kPropEditContent,
                         Text::FromUtf8(pasted));
    CreateClassFromPaste();
  };
  const std::string open_failed = "打开数据库失败，可能你正在使用该班级的数据库";
  using Rows = std::vector<std::tuple<std::string, int64_t, int64_t>>;
  if (std::getenv(kOwnFolderVariable) != nullptr) {
    // In a folder of its own (see the end): only the names that would lead out of it.
    MessageBoxAnswers answers({});
    for (const char* hostile : {"../escaped", "..", "a/b", "..\\up", "x:y"}) {
      create(Text::FromUtf8(hostile), "张三\r\n");
    }
    ASSERT_EQ(answers.texts.size(), 5u);
    for (const std::string& text : answers.texts) EXPECT_EQ(text.rfind("班级名称不能", 0), 0u);
    return;
  }

  {
    // A new class: one record per name, the count said.
    MessageBoxAnswers answers({});
    create(name_, "张三\r\n\r\n李四\r\n");
    EXPECT_EQ(answers.texts, std::vector<std::string>{"班级“" + name_.ToUtf8() +
                                                      "”创建成功，共 2 名学生。"});
  }
  EXPECT_EQ(Records(), (Rows{{"张三", 0, 0}, {"李四", 0, 0}}));
  {
    // Names the field will cut: listed, two that become one said, No the default.
    MessageBoxAnswers answers({QMessageBox::No});
    create(name_, "古丽娜扎尔·艾尼瓦尔江\r\n古丽娜扎尔·艾尼瓦尔古丽\r\n");
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_NE(answers.texts[0].find("古丽娜扎尔·艾尼瓦尔江 → 古丽娜扎尔·艾尼瓦尔"),
              std::string::npos) << answers.texts[0];
    EXPECT_NE(answers.texts[0].find("截短后有学生同名：古丽娜扎尔·艾尼瓦尔"), std::string::npos);
    EXPECT_EQ(answers.defaults[0], QMessageBox::No);
    EXPECT_EQ(Records(), (Rows{{"张三", 0, 0}, {"李四", 0, 0}}));
  }
  {
    // It exists: No, the default, keeps it; Yes replaces it.
    MessageBoxAnswers answers({QMessageBox::No, QMessageBox::Yes});
    create(name_, "王五\r\n");
    EXPECT_EQ(Records(), (Rows{{"张三", 0, 0}, {"李四", 0, 0}}));
    create(name_, "王五\r\n");
    EXPECT_EQ(Records(), (Rows{{"王五", 0, 0}}));
    ASSERT_EQ(answers.texts.size(), 3u);
    EXPECT_EQ(answers.texts[0], "班级“" + name_.ToUtf8() +
                                    "”已存在，重新创建将清除原有学生和统计，是否继续？");
    EXPECT_EQ(answers.defaults[0], QMessageBox::No);
  }
  {
    // The roll's own class is made anew and rolled from afterwards; the class the class
    // window lists is open, and refused without a question.
    OpenRollClass(name_);
    MessageBoxAnswers answers({QMessageBox::Yes});
    create(name_, "钱八\r\n");
    EXPECT_EQ(RollClassName(), name_);
    EXPECT_TRUE(RollClassReady());
    CloseRollClass();
    ASSERT_TRUE(OpenDatabase(ClassPath(), ClassListAlias()));
    create(name_, "赵六\r\n");
    EXPECT_EQ(answers.texts.back(), open_failed);
    CloseDatabase(ClassListAlias());
    EXPECT_EQ(Records(), (Rows{{"钱八", 0, 0}}));
  }
  {
    // A full stop in the name is part of it: the file is still a listed class.
    const Text dotted = name_ + ".2班"_gbk;
    MessageBoxAnswers answers({});
    create(dotted, "孙七\r\n");
    const std::vector<Text> listed = ListClassNames();
    EXPECT_NE(std::find(listed.begin(), listed.end(), dotted), listed.end());
    EXPECT_TRUE(RemoveFile(rc::app::ClassPath(dotted)));
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


// The runtime's pop-up menus as the main window's right-click menu uses them: the click on a
// label reaches the window, an item with items of its own is a submenu, and the check marks
// are the application's to set and take away.
TEST(MainWindowMenu, ARightClickOnALabelBringsUpTheMenuWithSubmenusAndCheckMarks) {
  int menus = 0;
  ASSERT_TRUE(forms::BindHandler(kMainWindow, kMainWindowItem, forms::kEventContextMenu,
                                 [&](int32_t, int32_t) { return ++menus, 0; }));
  ASSERT_TRUE(forms::LoadWindow(kMainWindow, std::nullopt, false));
  QWidget* label = forms::ControlWidget(kMainWindow, kNameLabel);
  ASSERT_NE(label, nullptr);
  QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), label->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(label, &click);
  EXPECT_EQ(menus, 1);

  EXPECT_FALSE(forms::SetMenuItemChecked(kStatsWindow, kCopyAllItem, true));  // not loaded
  ASSERT_TRUE(forms::SetMenuItemChecked(kMainWindow, kNoRepeatItem, true));
  std::unique_ptr<QMenu> menu = forms::CreatePopupMenu(kMainWindow, kMainMenu);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 2);  // 点名方式 and 大小
  QMenu* modes = menu->actions()[0]->menu();
  ASSERT_NE(modes, nullptr);
  ASSERT_EQ(modes->actions().size(), 2);
  EXPECT_EQ(modes->actions()[1]->text(), QString::fromUtf8("一轮不重复"));
  EXPECT_FALSE(modes->actions()[0]->isChecked());
  EXPECT_TRUE(modes->actions()[1]->isChecked());
  ASSERT_TRUE(forms::SetMenuItemChecked(kMainWindow, kNoRepeatItem, false));
  EXPECT_FALSE(forms::CreatePopupMenu(kMainWindow, kMainMenu)->actions()[0]->menu()->actions()[1]
                   ->isChecked());
}

}  // namespace
}  // namespace rc::app
