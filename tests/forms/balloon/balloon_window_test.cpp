#include "forms/balloon/balloon_window.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <algorithm>
#include <QTest>

#include "tests/forms/balloon/balloon_test_app.h"

namespace rc {
namespace {

// Short delays keep the tests quick; the proportions are those of the stored settings.
BalloonSettings FastSettings() {
  BalloonSettings settings = MainWindowBalloonSettings();
  settings.initial_delay_ms = 30;
  settings.display_time_ms = 150;
  return settings;
}

class BalloonWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::TestApp();
    balloon_ = std::make_unique<BalloonWindow>(FastSettings());
    balloon_->SetHiddenCallback([this] { ++hidden_count_; });
  }

  bool WaitForState(BalloonState state, int timeout_ms = 20000) {
    return QTest::qWaitFor([&] { return balloon_->CurrentState() == state; }, timeout_ms);
  }

  std::unique_ptr<BalloonWindow> balloon_;
  int hidden_count_ = 0;
};

TEST_F(BalloonWindowTest, IsAFramelessTopmostWindowThatTakesNoFocus) {
  Qt::WindowFlags flags = balloon_->windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::ToolTip);  // no taskbar entry
  EXPECT_TRUE(flags & Qt::FramelessWindowHint);
  EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(flags & Qt::WindowDoesNotAcceptFocus);
  EXPECT_TRUE(balloon_->testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_EQ(balloon_->focusPolicy(), Qt::NoFocus);
}

TEST_F(BalloonWindowTest, AutoHidingTipComesUpAfterTheDelayAndGoesAway) {
  QElapsedTimer clock;
  clock.start();
  balloon_->PopUp({200, 150}, Text("a</br>b"), /*auto_hide=*/true);
  EXPECT_EQ(balloon_->CurrentState(), BalloonState::kComingUp);
  EXPECT_FALSE(balloon_->isVisible());
  ASSERT_TRUE(WaitForState(BalloonState::kShown));
  EXPECT_GE(clock.elapsed(), 25);
  EXPECT_TRUE(balloon_->isVisible());
  EXPECT_EQ(balloon_->geometry().topLeft() + balloon_->Geometry().tip, QPoint(200, 150));
  EXPECT_EQ(balloon_->windowOpacity(), 1.0);
  ASSERT_TRUE(WaitForState(BalloonState::kHidden));
  EXPECT_GE(clock.elapsed(), 170);
  EXPECT_FALSE(balloon_->isVisible());
  EXPECT_EQ(hidden_count_, 1);
}

TEST_F(BalloonWindowTest, StayingTipStaysUntilClicked) {
  balloon_->PopUp({200, 150}, Text("x"), /*auto_hide=*/false);
  ASSERT_TRUE(WaitForState(BalloonState::kShown));
  EXPECT_TRUE(balloon_->Stays());
  QTest::qWait(400);  // well past the display time
  EXPECT_EQ(balloon_->CurrentState(), BalloonState::kShown);
  QTest::mouseClick(balloon_.get(), Qt::LeftButton, {}, balloon_->Geometry().text.center());
  EXPECT_EQ(balloon_->CurrentState(), BalloonState::kHidden);
  EXPECT_FALSE(balloon_->isVisible());
  EXPECT_EQ(hidden_count_, 1);
}

TEST_F(BalloonWindowTest, StayingTipHidesWithItsWindow) {
  QWidget owner;
  owner.show();
  QWidget child(&owner);
  balloon_->PopUp({200, 150}, Text("x"), false, &child);
  ASSERT_TRUE(WaitForState(BalloonState::kShown));
  owner.hide();
  EXPECT_EQ(balloon_->CurrentState(), BalloonState::kHidden);

  owner.show();
  balloon_->PopUp({200, 150}, Text("y"), false, &owner);
  ASSERT_TRUE(WaitForState(BalloonState::kShown));
  owner.close();
  EXPECT_EQ(balloon_->CurrentState(), BalloonState::kHidden);

  // A modal window that disables the tip's window takes the tip down with it, since the
  // tip cannot be clicked away there and may cover the modal window's controls.
  owner.show();
  balloon_->PopUp({200, 150}, Text("z"), false, &owner);
  ASSERT_TRUE(WaitForState(BalloonState::kShown));
  owner.setEnabled(false);
  EXPECT_EQ(balloon_->CurrentState(), BalloonState::kHidden);
}

TEST_F(BalloonWindowTest, StayingTipHidesWhenItsWindowIsClicked) {
  QWidget owner;
  QWidget* control = new QWidget(&owner);
  control->resize(50, 50);
  owner.resize(100, 100);
  owner.show();
  QWidget elsewhere;
  elsewhere.show();
  // A click before the tip is up does not drop it.
  balloon_->PopUp({200, 150}, Text("x"), false, &owner);
  QTest::mouseClick(control, Qt::LeftButton);
  ASSERT_TRUE(WaitForState(BalloonState::kShown));
  // A click in another window leaves it; a click on a control of its window takes it down.
  QTest::mouseClick(&elsewhere, Qt::LeftButton);
  EXPECT_EQ(balloon_->CurrentState(), BalloonState::kShown);
  QTest::mouseClick(control, Qt::LeftButton);
  EXPECT_EQ(balloon_->CurrentState(), BalloonState::kHidden);
  EXPECT_EQ(hidden_count_, 1);
}

TEST_F(BalloonWindowTest, WindowNotYetShownDoesNotDropItsTip) {
  // The start-up tip is asked for before its window is first shown.
  QWidget owner;
  balloon_->PopUp({200, 150}, Text("x"), false, &owner);
  owner.show();
  ASSERT_TRUE(WaitForState(BalloonState::kShown));
  owner.hide();
  EXPECT_EQ(balloon_->CurrentState(), BalloonState::kHidden);
}

TEST_F(BalloonWindowTest, OwnedByAHiddenControlOfItsWindow) {
  // As a balloon tip control holds it: the control's widget is never visible.
  QWidget window;
  QWidget* control = new QWidget(&window);
  control->hide();
  window.show();
  auto* owned = new BalloonWindow(FastSettings(), control);
  EXPECT_TRUE(owned->isWindow());
  owned->PopUp({200, 150}, Text("x"), false, control);
  ASSERT_TRUE(QTest::qWaitFor([&] { return owned->CurrentState() == BalloonState::kShown; }, 20000));
  EXPECT_TRUE(owned->isVisible());
  window.hide();
  EXPECT_EQ(owned->CurrentState(), BalloonState::kHidden);
  EXPECT_FALSE(owned->isVisible());
}

TEST_F(BalloonWindowTest, NewPopUpWaitsUntilTheCurrentTipIsDown) {
  balloon_->PopUp({200, 150}, Text("first"), /*auto_hide=*/true);
  ASSERT_TRUE(WaitForState(BalloonState::kShown));
  balloon_->PopUp({300, 200}, Text("second"), true);
  EXPECT_TRUE(balloon_->HasWaitingPopUp());
  EXPECT_EQ(balloon_->Markup(), Text("first"));
  EXPECT_EQ(balloon_->CurrentState(), BalloonState::kShown);  // it keeps its display time
  ASSERT_TRUE(QTest::qWaitFor([&] { return balloon_->Markup() == Text("second"); }, 20000));
  EXPECT_EQ(hidden_count_, 1);
  ASSERT_TRUE(WaitForState(BalloonState::kShown));
  EXPECT_EQ(balloon_->geometry().topLeft() + balloon_->Geometry().tip, QPoint(300, 200));
}

TEST_F(BalloonWindowTest, NewPopUpTakesAStayingTipDown) {
  balloon_->PopUp({200, 150}, Text("first"), false);
  ASSERT_TRUE(WaitForState(BalloonState::kShown));
  balloon_->PopUp({300, 200}, Text("second"), false);
  EXPECT_EQ(hidden_count_, 1);
  EXPECT_EQ(balloon_->Markup(), Text("second"));
  EXPECT_EQ(balloon_->CurrentState(), BalloonState::kComingUp);
  ASSERT_TRUE(WaitForState(BalloonState::kShown));
}

TEST_F(BalloonWindowTest, PopUpDuringTheInitialDelayReplacesTheWaitingOne) {
  balloon_->PopUp({200, 150}, Text("first"), false);
  balloon_->PopUp({300, 200}, Text("second"), false);
  ASSERT_TRUE(WaitForState(BalloonState::kShown));
  EXPECT_EQ(balloon_->Markup(), Text("second"));
  EXPECT_FALSE(balloon_->HasWaitingPopUp());
  EXPECT_EQ(hidden_count_, 0);
}

TEST_F(BalloonWindowTest, FadesInToItsOwnLevelAndOutToNothing) {
  BalloonSettings settings = FastSettings();
  settings.fade_in_interval_ms = 10;
  settings.fade_out_interval_ms = 10;
  settings.transparency = 10;
  balloon_->SetSettings(settings);
  std::vector<int> seen;
  balloon_->PopUp({200, 150}, Text("x"), true);
  // A fault that keeps the tip up must fail here, not as the test runner's time-out.
  QElapsedTimer deadline;
  deadline.start();
  while (balloon_->CurrentState() != BalloonState::kHidden) {
    ASSERT_LT(deadline.elapsed(), 60000) << "the tip never faded out";
    QTest::qWait(2);
    if (seen.empty() || seen.back() != balloon_->Transparency()) {
      seen.push_back(balloon_->Transparency());
    }
  }
  // 100 (hidden) down by 20 a tick to the tip's own 10, then up by 20 a tick to 100. A busy
  // machine may run two ticks between two looks, so only the course is checked.
  const std::vector<int> steps = {100, 80, 60, 40, 20, 10, 30, 50, 70, 90, 100};
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front(), 100);
  EXPECT_EQ(seen.back(), 100);
  EXPECT_EQ(*std::min_element(seen.begin(), seen.end()), 10);
  size_t next = 0;
  for (int value : seen) {
    while (next < steps.size() && steps[next] != value) ++next;
    EXPECT_LT(next, steps.size()) << "unexpected transparency " << value;
  }
  EXPECT_EQ(hidden_count_, 1);
}

}  // namespace
}  // namespace rc
