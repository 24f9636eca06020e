// The balloon tip control's pop-up method through the form runtime.
#include <gtest/gtest.h>

#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "forms/balloon/balloon_window.h"
#include "forms/fatal_error_box.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "tests/forms/test_windows.h"

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
  void SetUp() override { ASSERT_TRUE(LoadWindow(kToolWindow, std::nullopt, false)); }
  void TearDown() override {
    if (BalloonWindow* balloon = BalloonOf(kToolWindow, kToolBalloonTip)) balloon->TakeDown();
  }
};

TEST_F(BalloonPopUpTest, MainWindowTipIsAStayingLightYellowBalloonAtTheAnchor) {
  const Text help = "开启软件10秒后界面将隐藏（避免遮挡幻灯片）！</br>按 C 键即可随机点名"_gbk;
  EXPECT_TRUE(PopUpBalloonTipControl(kToolWindow, kToolBalloonTip, 300, 200, help, -1));
  BalloonWindow* balloon = BalloonOf(kToolWindow, kToolBalloonTip);
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
  PopUpBalloonTipControl(kToolWindow, kToolBalloonTip, 310, 210, Text("x"), -1, 1);
  EXPECT_EQ(BalloonOf(kToolWindow, kToolBalloonTip), balloon);
  ASSERT_TRUE(QTest::qWaitFor([&] { return balloon->Markup() == Text("x"); }, 20000));
  EXPECT_FALSE(balloon->Stays());  // auto-hide given and non-zero
}

TEST_F(BalloonPopUpTest, AutoHideOfZeroStillStays) {
  PopUpBalloonTipControl(kToolWindow, kToolBalloonTip, 300, 200, Text("x"), -1, 0);
  EXPECT_TRUE(BalloonOf(kToolWindow, kToolBalloonTip)->Stays());
}

TEST_F(BalloonPopUpTest, TipGoesDownWhenItsWindowIsHidden) {
  WriteProperty(kToolWindow, kWindowItself, kPropVisible, Logical(true));
  PopUpBalloonTipControl(kToolWindow, kToolBalloonTip, 300, 200, Text("x"), -1);
  BalloonWindow* balloon = BalloonOf(kToolWindow, kToolBalloonTip);
  ASSERT_TRUE(WaitForState(balloon, BalloonState::kShown));
  WriteProperty(kToolWindow, kWindowItself, kPropVisible, Logical(false));
  EXPECT_EQ(balloon->CurrentState(), BalloonState::kHidden);
  EXPECT_FALSE(balloon->isVisible());
  WriteProperty(kToolWindow, kWindowItself, kPropVisible, Logical(true));
}

TEST_F(BalloonPopUpTest, ClassWindowTipWithoutStoredSettingsUsesTheDefaults) {
  ASSERT_TRUE(LoadWindow(kGroupWindow, std::nullopt, false));
  PopUpBalloonTipControl(kGroupWindow, kGroupBalloonTip, 300, 200,
                         "请复制学生的姓名</br>一行一个姓名"_gbk, -1);
  BalloonWindow* balloon = BalloonOf(kGroupWindow, kGroupBalloonTip);
  ASSERT_NE(balloon, nullptr);
  ASSERT_TRUE(WaitForState(balloon, BalloonState::kShown));
  EXPECT_EQ(balloon->settings().shape.ToStored(),
            (std::array<int32_t, 9>{16, 16, 12, 12, 12, 16, 16, 0, 0}));
  EXPECT_EQ(balloon->Document().toRawText().count(QChar::LineSeparator), 1);
  EXPECT_TRUE(CloseWindow(kGroupWindow));
}

void PrintFatalError(const Text& text) { std::fprintf(stderr, "%s", text.ToUtf8().c_str()); }

TEST(BalloonPopUpDeathTest, TipOfAWindowNotLoadedIsFatal) {
  EXPECT_EXIT(
      {
        SetFatalErrorPresenterForTesting(&PrintFatalError);
        PopUpBalloonTipControl(kGroupWindow, kGroupBalloonTip, 1, 1,
                               Text("x"), -1);
      },
      ::testing::ExitedWithCode(255), "指定窗口或窗口组件不存在或尚未载入");
  EXPECT_EXIT(
      {
        SetFatalErrorPresenterForTesting(&PrintFatalError);
        if (!LoadWindow(kToolWindow, std::nullopt, false)) std::_Exit(1);
        PopUpBalloonTipControl(kToolWindow, kToolSmallButton, 1, 1, Text("x"), -1);  // no tip
      },
      ::testing::ExitedWithCode(255), "指定窗口或窗口组件不存在或尚未载入");
}

}  // namespace
}  // namespace rc::forms
