// The application's two help tips: each points where the application computes its anchor
// and shows its lines.
#include "app/help_tips.h"

#include <gtest/gtest.h>

#include <QTest>
#include <tuple>

#include "app/windows.h"
#include "forms/balloon/balloon_window.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"

namespace rc::app {
namespace {


BalloonWindow* BalloonOf(WindowId window_id, ControlId control_id) {
  QWidget* control = forms::ControlWidget(window_id, control_id);
  if (!control) return nullptr;
  return dynamic_cast<BalloonWindow*>(
      control->findChild<QWidget*>(QStringLiteral("balloon_tip"), Qt::FindDirectChildrenOnly));
}

bool WaitForState(BalloonWindow* balloon, BalloonState state) {
  return QTest::qWaitFor([&] { return balloon->CurrentState() == state; }, 20000);
}

TEST(HelpTips, PointWhereTheApplicationSaysWithTheirLines) {
  // The windows alone: whatever handlers other tests bound (the countdown would hide the
  // main window, and its tip with it) are not part of this test.
  for (auto [window, control, event] :
       {std::tuple{kMainWindow, kMainWindowItem, forms::kEventCreated},
        {kMainWindow, kHideTimer, forms::kEventTick},
        {kClassWindow, kClassWindowItem, forms::kEventCreated},
        {kClassWindow, kClassWindowItem, forms::kEventDestroying}}) {
    ASSERT_TRUE(forms::BindHandler(window, control, event, nullptr));
  }
  ASSERT_TRUE(forms::LoadWindow(kMainWindow, std::nullopt, false));
  ShowKeyHelpTip();
  BalloonWindow* keys = BalloonOf(kMainWindow, kKeyHelpTip);
  ASSERT_NE(keys, nullptr);
  ASSERT_TRUE(WaitForState(keys, BalloonState::kShown));
  const QPoint main_corner(forms::ReadInt(kMainWindow, forms::kWindowItself, forms::kPropLeft),
                           forms::ReadInt(kMainWindow, forms::kWindowItself, forms::kPropTop));
  EXPECT_EQ(keys->geometry().topLeft() + keys->Geometry().tip, main_corner + QPoint(164, 88));
  EXPECT_EQ(keys->Document().toRawText().count(QChar::LineSeparator), 4);
  EXPECT_TRUE(keys->Stays());

  ASSERT_TRUE(forms::LoadWindow(kClassWindow, std::nullopt, false));
  ShowPasteHelpTip();
  BalloonWindow* paste = BalloonOf(kClassWindow, kPasteHelpTip);
  ASSERT_NE(paste, nullptr);
  ASSERT_TRUE(WaitForState(paste, BalloonState::kShown));
  EXPECT_EQ(paste->geometry().topLeft() + paste->Geometry().tip, main_corner + QPoint(205, 150));
  EXPECT_EQ(paste->Document().toRawText().count(QChar::LineSeparator), 1);
  EXPECT_TRUE(paste->Document().toPlainText().startsWith(QString::fromUtf8("你可以从表格中")));
  keys->TakeDown();
  EXPECT_TRUE(forms::CloseWindow(kClassWindow));
  EXPECT_TRUE(forms::CloseWindow(kMainWindow));
}

}  // namespace
}  // namespace rc::app
