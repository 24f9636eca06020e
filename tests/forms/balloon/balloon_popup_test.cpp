// The balloon tip control's pop-up method through the form runtime.
#include <gtest/gtest.h>

#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "app/help_tips.h"
#include "forms/balloon/balloon_window.h"
#include "forms/fatal_error_box.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"

namespace rc::forms {
namespace {

BalloonWindow* BalloonOf(WindowId window_id, ControlId control_id) {
  QWidget* control = ControlWidget(window_id, control_id);
  if (!control) return nullptr;
  return dynamic_cast<BalloonWindow*>(
      control->findChild<QWidget*>(QStringLiteral("balloon_tip"), Qt::FindDirectChildrenOnly));
}

bool WaitForState(BalloonWindow* balloon, BalloonState state) {
  return QTest::qWaitFor([&] { return balloon->CurrentState() == state; }, 20000);
}

class BalloonPopUpTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LoadWindow(kMainWindow, std::nullopt, false)); }
  void TearDown() override {
    if (BalloonWindow* balloon = BalloonOf(kMainWindow, kMainBalloonTip1)) balloon->TakeDown();
  }
};

TEST_F(BalloonPopUpTest, MainWindowTipIsAStayingLightYellowBalloonAtTheAnchor) {
  const Text help = "开启软件10秒后界面将隐藏（避免遮挡幻灯片）！</br>按 C 键即可随机点名"_gbk;
  EXPECT_TRUE(PopUpBalloonTipControl(kMainWindow, kMainBalloonTip1, 300, 200, help, -1));
  BalloonWindow* balloon = BalloonOf(kMainWindow, kMainBalloonTip1);
  ASSERT_NE(balloon, nullptr);
  EXPECT_EQ(balloon->Markup(), help);  // icon -1: the text alone, no table
  EXPECT_TRUE(balloon->Stays());       // auto-hide omitted
  EXPECT_EQ(balloon->settings().colors[0], 0xE1FFFFu);
  EXPECT_EQ(balloon->settings().text_color, 0u);
  EXPECT_EQ(balloon->settings().initial_delay_ms, 600);
  EXPECT_EQ(balloon->CurrentState(), BalloonState::kComingUp);
  ASSERT_TRUE(WaitForState(balloon, BalloonState::kShown));
  EXPECT_EQ(balloon->geometry().topLeft() + balloon->Geometry().tip, QPoint(300, 200));
  EXPECT_EQ(balloon->Document().toRawText().count(QChar::LineSeparator), 1);

  // A second pop-up reuses the control's balloon.
  PopUpBalloonTipControl(kMainWindow, kMainBalloonTip1, 310, 210, Text("x"), -1, 1);
  EXPECT_EQ(BalloonOf(kMainWindow, kMainBalloonTip1), balloon);
  ASSERT_TRUE(QTest::qWaitFor([&] { return balloon->Markup() == Text("x"); }, 20000));
  EXPECT_FALSE(balloon->Stays());  // auto-hide given and non-zero
}

TEST_F(BalloonPopUpTest, AutoHideOfZeroStillStays) {
  PopUpBalloonTipControl(kMainWindow, kMainBalloonTip1, 300, 200, Text("x"), -1, 0);
  EXPECT_TRUE(BalloonOf(kMainWindow, kMainBalloonTip1)->Stays());
}

TEST_F(BalloonPopUpTest, TipGoesDownWhenItsWindowIsHidden) {
  WriteProperty(kMainWindow, kWindowItself, kPropVisible, Logical(true));
  PopUpBalloonTipControl(kMainWindow, kMainBalloonTip1, 300, 200, Text("x"), -1);
  BalloonWindow* balloon = BalloonOf(kMainWindow, kMainBalloonTip1);
  ASSERT_TRUE(WaitForState(balloon, BalloonState::kShown));
  WriteProperty(kMainWindow, kWindowItself, kPropVisible, Logical(false));
  EXPECT_EQ(balloon->CurrentState(), BalloonState::kHidden);
  EXPECT_FALSE(balloon->isVisible());
  WriteProperty(kMainWindow, kWindowItself, kPropVisible, Logical(true));
}

TEST_F(BalloonPopUpTest, ClassWindowTipWithoutStoredSettingsUsesTheDefaults) {
  ASSERT_TRUE(LoadWindow(kClassWindow, std::nullopt, false));
  PopUpBalloonTipControl(kClassWindow, kClassBalloonTip1, 300, 200,
                         "请复制学生的姓名</br>一行一个姓名"_gbk, -1);
  BalloonWindow* balloon = BalloonOf(kClassWindow, kClassBalloonTip1);
  ASSERT_NE(balloon, nullptr);
  ASSERT_TRUE(WaitForState(balloon, BalloonState::kShown));
  EXPECT_EQ(balloon->settings().shape.ToStored(),
            (std::array<int32_t, 9>{16, 16, 12, 12, 12, 16, 16, 0, 0}));
  EXPECT_EQ(balloon->Document().toRawText().count(QChar::LineSeparator), 1);
  EXPECT_TRUE(CloseWindow(kClassWindow));
}

// The application's two help tips: each points where the application computes its anchor
// and shows its lines.
TEST_F(BalloonPopUpTest, HelpTipsOfTheApplication) {
  app::ShowKeyHelpTip();
  BalloonWindow* keys = BalloonOf(kMainWindow, kMainBalloonTip1);
  ASSERT_NE(keys, nullptr);
  ASSERT_TRUE(WaitForState(keys, BalloonState::kShown));
  const QPoint main_corner(ReadInt(kMainWindow, kWindowItself, kPropLeft),
                           ReadInt(kMainWindow, kWindowItself, kPropTop));
  EXPECT_EQ(keys->geometry().topLeft() + keys->Geometry().tip, main_corner + QPoint(164, 88));
  EXPECT_EQ(keys->Document().toRawText().count(QChar::LineSeparator), 4);
  EXPECT_TRUE(keys->Stays());

  ASSERT_TRUE(LoadWindow(kClassWindow, std::nullopt, false));
  app::ShowPasteHelpTip();
  BalloonWindow* paste = BalloonOf(kClassWindow, kClassBalloonTip1);
  ASSERT_NE(paste, nullptr);
  ASSERT_TRUE(WaitForState(paste, BalloonState::kShown));
  EXPECT_EQ(paste->geometry().topLeft() + paste->Geometry().tip, main_corner + QPoint(205, 150));
  EXPECT_EQ(paste->Document().toRawText().count(QChar::LineSeparator), 1);
  EXPECT_TRUE(paste->Document().toPlainText().startsWith(QString::fromUtf8("你可以从表格中")));
  EXPECT_TRUE(CloseWindow(kClassWindow));
}

void PrintFatalError(const Text& text) { std::fprintf(stderr, "%s", text.ToUtf8().c_str()); }

TEST(BalloonPopUpDeathTest, TipOfAWindowNotLoadedIsFatal) {
  EXPECT_EXIT(
      {
        SetFatalErrorPresenterForTesting(&PrintFatalError);
        PopUpBalloonTipControl(kClassWindow, kClassBalloonTip1, 1, 1,
                               Text("x"), -1);
      },
      ::testing::ExitedWithCode(255), "指定窗口或窗口组件不存在或尚未载入");
  EXPECT_EXIT(
      {
        SetFatalErrorPresenterForTesting(&PrintFatalError);
        if (!LoadWindow(kMainWindow, std::nullopt, false)) std::_Exit(1);
        PopUpBalloonTipControl(kMainWindow, kMainButton4, 1, 1, Text("x"), -1);  // no tip
      },
      ::testing::ExitedWithCode(255), "指定窗口或窗口组件不存在或尚未载入");
}

}  // namespace
}  // namespace rc::forms
