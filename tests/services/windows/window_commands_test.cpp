// The window library commands on the offscreen platform.
#include "services/windows/window_commands.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <functional>

#include "forms/fatal_error_box.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "tests/forms/test_windows.h"

namespace rc {
namespace {

using namespace rc::literals;
using namespace rc::forms;

void PrintFatal(const Text& text) { std::fprintf(stderr, "%s", text.ToUtf8().c_str()); }

class WindowCommands : public testing::Test {
 protected:
  void SetUp() override { SetFatalErrorPresenterForTesting(&PrintFatal); }
  void TearDown() override {
    for (WindowId id : {kGroupWindow, kPlainWindow, kToolWindow}) {
      if (forms::IsWindowLoaded(id)) {
        EXPECT_TRUE(CloseWindow(id));
      }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
};

// Polls, from the event loop, until `act` reports it has acted or a generous deadline has
// passed, and then stops. The timer is a member, so it never outlives its owner nor what
// `act` refers to.
class PollUntil {
 public:
  explicit PollUntil(std::function<bool()> act) : act_(std::move(act)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (act_()) {
        done_ = true;
        timer_.stop();
      } else if (deadline_.hasExpired()) {
        timer_.stop();
      }
    });
  }
  void Start() {
    done_ = false;
    deadline_.setRemainingTime(10000);
    timer_.start(1);
  }
  bool done() const { return done_; }

 private:
  std::function<bool()> act_;
  QTimer timer_;
  QDeadlineTimer deadline_;
  bool done_ = false;
};

// Clicks `button` of the message box as soon as it is up, and records what it showed.
struct BoxAnswer {
  explicit BoxAnswer(QMessageBox::StandardButton b)
      : button(b), poll([this] { return TryAnswer(); }) {}
  bool TryAnswer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return false;
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    if (QWidget* main = WindowWidget(kToolWindow)) main_disabled = !main->isEnabled();
    box->button(button)->click();
    return true;
  }
  QMessageBox::StandardButton button;
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool main_disabled = false;
  PollUntil poll;
};

void AnswerNextBox(BoxAnswer* answer) { answer->poll.Start(); }

TEST_F(WindowCommands, ShowMessageResultCodesCaptionAndTaskModal) {
  ASSERT_TRUE(rc::OpenWindow(kToolWindow, std::nullopt, false));
  BoxAnswer ok{QMessageBox::Ok};
  AnswerNextBox(&ok);
  EXPECT_EQ(ShowMessage("班级已创建"_gbk, kMbIconInformation), kResultOk);
  EXPECT_EQ(ok.title, QString::fromUtf8("信息："));
  EXPECT_EQ(ok.text, QString::fromUtf8("班级已创建"));
  EXPECT_EQ(ok.icon, QMessageBox::Information);
  EXPECT_TRUE(ok.main_disabled);
  EXPECT_TRUE(WindowWidget(kToolWindow)->isEnabled());

  BoxAnswer yes{QMessageBox::Yes};
  AnswerNextBox(&yes);
  EXPECT_EQ(ShowMessage(int32_t{-12}, kMbYesNo, "标题"_gbk), kResultYes);
  EXPECT_EQ(yes.text, QStringLiteral("-12"));
  EXPECT_EQ(yes.title, QString::fromUtf8("标题"));

  for (auto [flags, button, result] :
       {std::tuple{kMbYesNoCancel, QMessageBox::No, kResultNo},
        std::tuple{kMbYesNoCancel, QMessageBox::Cancel, kResultCancel},
        std::tuple{kMbAbortRetryIgnore, QMessageBox::Abort, kResultAbort},
        std::tuple{kMbAbortRetryIgnore, QMessageBox::Retry, kResultRetry},
        std::tuple{kMbAbortRetryIgnore, QMessageBox::Ignore, kResultIgnore}}) {
    BoxAnswer answer{button};
    AnswerNextBox(&answer);
    EXPECT_EQ(ShowMessage(Logical(true), flags), result);
    EXPECT_EQ(answer.text, QString::fromUtf8("真"));
  }
  // A byte set shows as the empty text; a system-modal box leaves the windows enabled.
  BoxAnswer empty{QMessageBox::Ok};
  AnswerNextBox(&empty);
  EXPECT_EQ(ShowMessage(ByteSet{65, 66}, kMbSystemModal), kResultOk);
  EXPECT_TRUE(empty.text.isEmpty());
  EXPECT_FALSE(empty.main_disabled);
}

TEST_F(WindowCommands, WindowHandleAndLoadWindow) {
  EXPECT_EQ(WindowHandle(kToolWindow), 0);
  EXPECT_FALSE(rc::OpenWindow(kPlainWindow, kToolWindow, false));  // parent not loaded
  EXPECT_FALSE(forms::IsWindowLoaded(kPlainWindow));
  EXPECT_FALSE(rc::OpenWindow(WindowId(0x52019999), std::nullopt, false));
  ASSERT_TRUE(rc::OpenWindow(kToolWindow, std::nullopt, false));
  EXPECT_NE(WindowHandle(kToolWindow), 0);
  EXPECT_EQ(WindowHandle(kToolWindow, kToolWindowItem), WindowHandle(kToolWindow));
  EXPECT_NE(WindowHandle(kToolWindow, kToolLabel), 0);
  EXPECT_EQ(WindowHandle(kToolWindow, ControlId(0x16019999)), 0);
  EXPECT_TRUE(rc::OpenWindow(kPlainWindow, kToolWindow, false));
}

TEST_F(WindowCommands, ComboMethods) {
  EXPECT_EQ(ComboAddItem(kToolWindow, kToolCombo, "x"_gbk), -1);  // not loaded
  ASSERT_TRUE(rc::OpenWindow(kToolWindow, std::nullopt, false));
  EXPECT_EQ(ComboItemText(kToolWindow, kToolCombo, 1), "九（2）班"_gbk);
  EXPECT_EQ(ComboItemText(kToolWindow, kToolCombo, 2), Text());
  EXPECT_EQ(ComboItemText(kToolWindow, kToolCombo, -1), Text());
  ComboClear(kToolWindow, kToolCombo);
  EXPECT_EQ(ComboItemText(kToolWindow, kToolCombo, 0), Text());
  EXPECT_EQ(ComboAddItem(kToolWindow, kToolCombo, "高一"_gbk), 0);
  EXPECT_EQ(ComboAddItem(kToolWindow, kToolCombo, "初三"_gbk, 7), 1);
  auto* combo = qobject_cast<QComboBox*>(ControlWidget(kToolWindow, kToolCombo));
  EXPECT_EQ(combo->itemData(1).toInt(), 7);
  EXPECT_EQ(ComboItemText(kToolWindow, kToolCombo, 1), "初三"_gbk);
}

// Refilling the class combo leaves it without a selection until the application sets one;
// the statistics window tells date1 from date2 by that selection.
TEST_F(WindowCommands, RefilledComboHasNoSelection) {
  ASSERT_TRUE(rc::OpenWindow(kToolWindow, std::nullopt, false));
  ComboClear(kToolWindow, kToolCombo);
  EXPECT_EQ(ReadInt(kToolWindow, kToolCombo, kPropComboSelection), -1);
  EXPECT_EQ(ComboAddItem(kToolWindow, kToolCombo, "一班"_gbk), 0);
  EXPECT_EQ(ComboAddItem(kToolWindow, kToolCombo, "二班"_gbk), 1);
  EXPECT_EQ(ReadInt(kToolWindow, kToolCombo, kPropComboSelection), -1);
  auto* combo = qobject_cast<QComboBox*>(ControlWidget(kToolWindow, kToolCombo));
  EXPECT_TRUE(combo->currentText().isEmpty());
  WriteProperty(kToolWindow, kToolCombo, kPropComboSelection, int32_t{0});
  EXPECT_EQ(ComboAddItem(kToolWindow, kToolCombo, "三班"_gbk), 2);
  EXPECT_EQ(ReadInt(kToolWindow, kToolCombo, kPropComboSelection), 0);  // a selection stays where it is
  EXPECT_EQ(combo->currentText(), QString::fromUtf8("一班"));
}

TEST_F(WindowCommands, ListMethods) {
  ASSERT_TRUE(rc::OpenWindow(kPlainWindow, std::nullopt, false));
  const WindowId w = kPlainWindow;
  const ControlId l = kPlainList;
  EXPECT_EQ(ListInsertRow(w, l, std::nullopt, "a"_gbk), 0);
  EXPECT_EQ(ListInsertRow(w, l, -1, "b"_gbk), 1);
  EXPECT_EQ(ListInsertRow(w, l, 99, "c"_gbk), 2);
  EXPECT_EQ(ListInsertRow(w, l, 0, "first"_gbk), 0);
  EXPECT_EQ(ListCellText(w, l, 0), "first"_gbk);
  EXPECT_EQ(ListCellText(w, l, 3), "c"_gbk);
  EXPECT_EQ(ListCellText(w, l, 4), Text());
  EXPECT_EQ(ListCellText(w, l, 1, 3), Text());
  EXPECT_EQ(ListInsertRow(w, l), 4);
  EXPECT_EQ(ListCellText(w, l, 4), Text());

  // Cells of any length come back whole; columns beyond the last are ignored.
  Text long_name;
  for (int i = 0; i < 700; ++i) long_name += "名"_gbk;
  ListSetCellText(w, l, 1, 2, long_name);
  EXPECT_EQ(ListCellText(w, l, 1, 2), long_name);
  ListSetCellText(w, l, 1, 9, "x"_gbk);
  ListSetCellText(w, l, 9, 0, "x"_gbk);
  ListSetCellText(w, l, 1, 2);
  EXPECT_EQ(ListCellText(w, l, 1, 2), Text());
  // Cells take their column's alignment.
  auto* tree = qobject_cast<QTreeWidget*>(ControlWidget(w, l));
  EXPECT_TRUE(tree->topLevelItem(0)->textAlignment(1) & Qt::AlignHCenter);
  EXPECT_TRUE(tree->topLevelItem(0)->textAlignment(0) & Qt::AlignLeft);

  tree->setCurrentItem(tree->topLevelItem(2));
  EXPECT_EQ(ReadInt(w, l, kPropListSelectedRow), 2);
  ListDeleteAllRows(w, l);
  EXPECT_EQ(ListCellText(w, l, 0), Text());
  EXPECT_EQ(ReadInt(w, l, kPropListSelectedRow), -1);
}

TEST_F(WindowCommands, PopUpMenuAtTheGivenPointOrBesideTheMouse) {
  ASSERT_TRUE(rc::OpenWindow(kGroupWindow, std::nullopt, false));
  QPoint shown;
  QString entry;
  // A menu that never comes up fails here instead of leaving its loop to the ctest time-out.
  PollUntil menu_closer([&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return false;
    shown = menu->pos();
    entry = menu->actions().value(0)->text();
    menu->close();
    return true;
  });
  auto close_next_menu = [&] { menu_closer.Start(); };
  close_next_menu();
  PopUpMenu(kGroupWindow, kGroupMenu, 120, 140);
  ASSERT_TRUE(menu_closer.done());
  EXPECT_EQ(shown, QPoint(120, 140));
  EXPECT_EQ(entry, QString::fromUtf8("删除班级"));

  QCursor::setPos(200, 100);
  QPoint mouse = QCursor::pos();
  close_next_menu();
  PopUpMenu(kGroupWindow, kGroupOtherMenu, std::nullopt, 150);
  ASSERT_TRUE(menu_closer.done());
  EXPECT_EQ(shown, QPoint(mouse.x() + 3, 150));
  EXPECT_EQ(entry, QString::fromUtf8("删除"));

  // No sub-items, or a menu item of another window: nothing is shown, nothing waits.
  PopUpMenu(kGroupWindow, kGroupMenuItem);
  PopUpMenu(kToolWindow, kGroupMenu);
}

TEST_F(WindowCommands, ProcessEventsDeliversWhatIsPending) {
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  ProcessEvents();
  EXPECT_TRUE(ran);
}

using WindowCommandsDeathTest = WindowCommands;

TEST_F(WindowCommandsDeathTest, ListMethodsOnAListThatIsNotLoaded) {
  EXPECT_EXIT(ListCellText(kPlainWindow, kPlainList, 0), testing::ExitedWithCode(255),
              "指定窗口或窗口组件不存在或尚未载入");
}

}  // namespace
}  // namespace rc
