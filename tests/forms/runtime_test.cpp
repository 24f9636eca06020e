// The form runtime on the offscreen platform: loading, properties and events (its fatal
// errors are in runtime_fatal_test.cpp).
#include "forms/runtime.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QSet>
#include <QMouseEvent>
#include <QScreen>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QDeadlineTimer>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>
#include <cstdio>
#include <limits>
#include <thread>
#include <type_traits>

#include "core/fatal.h"
#include "forms/internal/control.h"
#include "forms/definition_codec.h"
#include "forms/definition_format.h"
#include "forms/embedded_definitions.h"
#include "forms/fatal_error_box.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/messages.h"
#include "forms/window_definitions.h"
#include "tests/forms/runtime_fixture.h"

namespace rc::forms {
namespace {

using namespace rc::literals;

// Window and control ids convert neither into each other nor from plain numbers, so a call
// with the two swapped does not compile.
static_assert(!std::is_convertible_v<ControlId, WindowId> &&
              !std::is_convertible_v<WindowId, ControlId>);
static_assert(!std::is_convertible_v<uint32_t, WindowId> &&
              !std::is_convertible_v<uint32_t, ControlId>);
static_assert(!std::is_invocable_v<decltype(&ReadInt), ControlId, WindowId, int32_t>);

// Clicks a row the way the mouse does: press, then release.
void ClickRow(QTreeWidget* list, int row, Qt::MouseButton button) {
  QPoint at = list->visualItemRect(list->topLevelItem(row)).center();
  QPoint global = list->viewport()->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, button, button, Qt::NoModifier);
  QCoreApplication::sendEvent(list->viewport(), &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, button, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(list->viewport(), &release);
}

TEST_F(Runtime, MainWindowLoadsWithEveryControlInPlace) {
  int created = 0;
  EventSource source;
  ASSERT_TRUE(BindHandler(kMainWindow, kMainWindowItem, kEventCreated, [&](int32_t, int32_t) {
    ++created;
    source = CurrentEventSource();
    // The controls exist when the creation event runs.
    EXPECT_NE(ControlWidget(kMainWindow, kMainLabel1), nullptr);
    return 0;
  }));
  ASSERT_TRUE(LoadWindow(kMainWindow, std::nullopt, false));
  EXPECT_EQ(created, 1);
  EXPECT_EQ(source.window_id, kMainWindow);
  EXPECT_EQ(source.control_id, kMainWindowItem);
  EXPECT_EQ(CurrentEventSource().window_id, WindowId());

  // Every control where the stored block puts it, shown as its flags and type say.
  std::optional<std::vector<WindowDef>> stored = DecodeDefinitions(EmbeddedDefinitionBlock());
  ASSERT_TRUE(stored.has_value());
  const WindowDef& main_def = stored->at(0);
  ASSERT_EQ(main_def.id, kMainWindow.value);
  int checked = 0;
  for (size_t i = 1; i < main_def.items.size(); ++i) {
    const ItemDef& item = main_def.items[i];
    if (item.type == kTypeMenuItem) continue;
    SCOPED_TRACE(item.name.ToUtf8());
    QWidget* w = Find(kMainWindow, item.name.ToUtf8().c_str());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), QRect(item.left, item.top, item.width, item.height));
    bool shown = (item.flags & kFlagVisible) &&
                 !(FindTypeDescriptor(item.type)->flags & kTypeNeverVisible);
    EXPECT_EQ(w->isVisible(), shown);
    ++checked;
  }
  EXPECT_EQ(checked, 12);
  // The invisible kinds stay hidden whatever their flags.
  EXPECT_FALSE(Find(kMainWindow, "时钟1")->isVisible());
  EXPECT_FALSE(Find(kMainWindow, "气球提示框1")->isVisible());
  EXPECT_FALSE(Find(kMainWindow, "超文本浏览框1")->isVisible());
  EXPECT_TRUE(Find(kMainWindow, "标签1")->isVisible());
  EXPECT_EQ(Find<QPushButton>(kMainWindow, "按钮2")->text(), QString::fromUtf8("统计"));
  QWidget* main = WindowWidget(kMainWindow);
  EXPECT_EQ(main->windowTitle(), QString::fromUtf8("C键 随机点名"));
  EXPECT_EQ(main->windowType(), Qt::Tool);
  EXPECT_TRUE(main->isVisible());
  // Definition order is the stacking order: the first control is on top.
  QList<QObject*> kids = main->children();
  EXPECT_LT(kids.indexOf(Find(kMainWindow, "组合框1")), kids.indexOf(Find(kMainWindow, "标签1")));

  // Reads through the runtime: design positions, the window's own size, captions.
  EXPECT_EQ(ReadInt(kMainWindow, kMainLabel2, kPropLeft), -1);
  EXPECT_EQ(ReadInt(kMainWindow, kWindowItself, kPropWidth), 246);
  EXPECT_EQ(ReadInt(kMainWindow, kMainWindowItem, kPropHeight), 98);
  EXPECT_EQ(ReadText(kMainWindow, kMainWindowItem, kPropWindowTitle), "C键 随机点名"_gbk);
  EXPECT_EQ(ReadText(kMainWindow, kMainLabel1, kPropLabelCaption), "姓名"_gbk);
  WriteProperty(kMainWindow, kMainLabel1, kPropLabelCaption, "张三"_gbk);
  Text seen_elsewhere;
  std::thread reader([&] { seen_elsewhere = PublishedLabelCaption(kMainWindow, kMainLabel1); });
  reader.join();
  EXPECT_EQ(seen_elsewhere, "张三"_gbk);
  WriteProperty(kMainWindow, kMainLabel1, kPropLabelTextColour, int32_t{255});
  EXPECT_EQ(ReadInt(kMainWindow, kMainLabel1, kPropLabelTextColour), 255);
  EXPECT_EQ(ReadInt(kMainWindow, kMainTimer2, kPropTimerInterval), 100);
  EXPECT_EQ(ReadInt(kMainWindow, kMainCombo1, kPropComboSelection), 0);
  EXPECT_FALSE(ReadLogical(kMainWindow, kMainTimer1, kPropVisible));
  EXPECT_TRUE(ReadLogical(kMainWindow, kMainButton2, kPropVisible));
}

TEST_F(Runtime, LoadingTwiceKeepsOneCopy) {
  int created = 0;
  ASSERT_TRUE(BindHandler(kStatsWindow, kWindowItself, kEventCreated,
                          [&](int32_t, int32_t) { return ++created, 0; }));
  ASSERT_TRUE(LoadWindow(kStatsWindow, std::nullopt, false));
  QWidget* first = WindowWidget(kStatsWindow);
  ASSERT_TRUE(LoadWindow(kStatsWindow, std::nullopt, false));
  EXPECT_EQ(WindowWidget(kStatsWindow), first);
  EXPECT_EQ(created, 1);
  EXPECT_EQ(QApplication::topLevelWidgets().count(first), 1);
  EXPECT_TRUE(BindHandler(kStatsWindow, kWindowItself, kEventCreated, nullptr));
}

TEST_F(Runtime, WindowsWithoutPropertyDataGetTheDefaults) {
  ASSERT_TRUE(LoadWindow(kStatsWindow, std::nullopt, false));
  QWidget* w = WindowWidget(kStatsWindow);
  EXPECT_EQ(ReadText(kStatsWindow, kWindowItself, kPropWindowTitle), Text());
  EXPECT_TRUE(w->windowTitle().trimmed().isEmpty());
  EXPECT_EQ(w->windowType(), Qt::Window);
  EXPECT_TRUE(w->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(w->minimumSize(), w->maximumSize());  // fixed frame
  EXPECT_EQ(ReadInt(kStatsWindow, kWindowItself, kPropWidth), 440);
  EXPECT_EQ(ReadInt(kStatsWindow, kWindowItself, kPropHeight), 373);
  auto* list = Find<QTreeWidget>(kStatsWindow, "超级列表框1");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->columnCount(), 5);
  EXPECT_EQ(list->headerItem()->text(4), QString::fromUtf8("回答错误次数"));
  EXPECT_EQ(list->columnWidth(0), 30);
  EXPECT_EQ(list->columnWidth(1), 90);
}

TEST_F(Runtime, ComboSelectionIsClampedAndRaisesNoEvent) {
  int chosen = 0;
  ASSERT_TRUE(
      BindHandler(kMainWindow, kMainCombo1, kEventItemChosen, [&](int32_t, int32_t) { return ++chosen, 0; }));
  ASSERT_TRUE(LoadWindow(kMainWindow, std::nullopt, false));
  auto* combo = Find<QComboBox>(kMainWindow, "组合框1");
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(0), QString::fromUtf8("九（1）班"));
  EXPECT_EQ(combo->currentText(), QString::fromUtf8("九（1）班"));

  WriteProperty(kMainWindow, kMainCombo1, kPropComboSelection, int32_t{5});
  EXPECT_EQ(ReadInt(kMainWindow, kMainCombo1, kPropComboSelection), 1);
  WriteProperty(kMainWindow, kMainCombo1, kPropComboSelection, int32_t{-7});
  EXPECT_EQ(ReadInt(kMainWindow, kMainCombo1, kPropComboSelection), -1);
  WriteProperty(kMainWindow, kMainCombo1, kPropComboSelection, int32_t{0});
  EXPECT_EQ(ReadInt(kMainWindow, kMainCombo1, kPropComboSelection), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(chosen, 0);

  // A user's choice arrives later, through the posted message.
  emit combo->activated(1);
  EXPECT_EQ(chosen, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(chosen, 1);
  EXPECT_TRUE(BindHandler(kMainWindow, kMainCombo1, kEventItemChosen, nullptr));
}

TEST_F(Runtime, TimerIntervals) {
  int ticks = 0;
  ASSERT_TRUE(BindHandler(kMainWindow, kMainTimer1, kEventTick,
                          [&](int32_t, int32_t) { return ++ticks, 0; }));
  ASSERT_TRUE(LoadWindow(kMainWindow, std::nullopt, false));
  QTimer* timer = Find(kMainWindow, "时钟1")->findChild<QTimer*>();
  ASSERT_NE(timer, nullptr);
  EXPECT_FALSE(timer->isActive());  // no property data: stopped
  EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);

  WriteProperty(kMainWindow, kMainTimer1, kPropTimerInterval, int32_t{1000});
  EXPECT_TRUE(timer->isActive());
  // Some of the period goes by, so that a restart would show.
  for (QDeadlineTimer deadline(30000); timer->remainingTime() > 700 && !deadline.hasExpired();) {
    QThread::msleep(5);
  }
  WriteProperty(kMainWindow, kMainTimer1, kPropTimerInterval, int32_t{1000});  // same value: period runs on
  EXPECT_LE(timer->remainingTime(), 750);
  const auto restarted = std::chrono::steady_clock::now();
  WriteProperty(kMainWindow, kMainTimer1, kPropTimerInterval, int32_t{2000});  // new value: restarted
  // A full new period from the write, whatever time the machine took since.
  const int remaining = timer->remainingTime();
  const auto since = std::chrono::steady_clock::now() - restarted;
  EXPECT_GT(remaining + since / std::chrono::milliseconds(1), 1900);
  WriteProperty(kMainWindow, kMainTimer1, kPropTimerInterval, int32_t{-5});
  EXPECT_EQ(ReadInt(kMainWindow, kMainTimer1, kPropTimerInterval), 0);
  EXPECT_FALSE(timer->isActive());

  WriteProperty(kMainWindow, kMainTimer1, kPropTimerInterval, int32_t{5});
  for (int i = 0; i < 200 && ticks < 3; ++i) {
    QThread::msleep(5);
    QCoreApplication::processEvents();
  }
  EXPECT_GE(ticks, 3);
  WriteProperty(kMainWindow, kMainTimer1, kPropTimerInterval, int32_t{0});
  EXPECT_FALSE(timer->isActive());
  EXPECT_TRUE(BindHandler(kMainWindow, kMainTimer1, kEventTick, nullptr));
}

TEST_F(Runtime, DesignValuesStandInForControlsThatDoNotExist) {
  ASSERT_FALSE(IsWindowLoaded(kStatsWindow));
  EXPECT_EQ(ReadInt(kStatsWindow, kStatsButton1, kPropLeft), 152);
  EXPECT_EQ(ReadInt(kStatsWindow, kStatsButton1, kPropTop), 320);
  EXPECT_EQ(ReadInt(kStatsWindow, kStatsButton1, kPropWidth), 88);
  EXPECT_EQ(ReadInt(kStatsWindow, kStatsButton1, kPropHeight), 24);
  EXPECT_TRUE(ReadLogical(kStatsWindow, kStatsButton1, kPropVisible));
  EXPECT_FALSE(ReadLogical(kStatsWindow, kStatsButton1, kPropDisabled));
  EXPECT_EQ(std::get<ByteSet>(ReadProperty(kStatsWindow, kStatsButton1, kPropCursor)), (ByteSet{0, 0, 0, 0}));
  EXPECT_EQ(ReadInt(kClassWindow, kClassGroup1, kPropTop), -5);
  // Once loaded, the control answers; controls in the group box are relative to it.
  ASSERT_TRUE(LoadWindow(kClassWindow, std::nullopt, false));
  QWidget* button = Find(kClassWindow, "按钮1");
  EXPECT_EQ(button->parentWidget(), Find<QGroupBox>(kClassWindow, "分组框1"));
  EXPECT_EQ(button->pos(), QPoint(48, 319));
  WriteProperty(kClassWindow, kClassButton1, kPropLeft, int32_t{10});
  EXPECT_EQ(ReadInt(kClassWindow, kClassButton1, kPropLeft), 10);
}

TEST_F(Runtime, LabelFeedbackReturnsTheHandlersResult) {
  ASSERT_TRUE(LoadWindow(kMainWindow, std::nullopt, false));
  QWidget* label = Find(kMainWindow, "标签1");
  HotKeyNotifyEvent unbound(33001, 0);
  QCoreApplication::sendEvent(label, &unbound);
  EXPECT_EQ(unbound.result(), 0);

  std::pair<int32_t, int32_t> got;
  ASSERT_TRUE(BindHandler(kMainWindow, kMainLabel1, kEventFeedback, [&](int32_t a, int32_t b) {
    got = {a, b};
    return 42;
  }));
  HotKeyNotifyEvent notify(33002, 7);
  QCoreApplication::sendEvent(label, &notify);
  EXPECT_EQ(got, std::make_pair(33002, 7));
  EXPECT_EQ(notify.result(), 42);
  EXPECT_TRUE(BindHandler(kMainWindow, kMainLabel1, kEventFeedback, nullptr));
}

TEST_F(Runtime, OnlyEventsTheDefinitionsBindCanBeBound) {
  auto handler = [](int32_t, int32_t) { return 0; };
  EXPECT_TRUE(BindHandler(kMainWindow, kMainButton2, kEventClicked, handler));
  EXPECT_FALSE(BindHandler(kMainWindow, kMainLabel2, kEventFeedback, handler));
  EXPECT_FALSE(BindHandler(kMainWindow, ControlId(0x16019999), kEventClicked, handler));
  EXPECT_FALSE(BindHandler(WindowId(0x52019999), kWindowItself, kEventCreated, handler));
  EXPECT_TRUE(BindHandler(kClassWindow, kClassEdit1, kEventGotFocus, handler));
  EXPECT_TRUE(BindHandler(kClassWindow, kClassMenuDeleteClass, kEventMenuChosen, handler));
  EXPECT_FALSE(BindHandler(kClassWindow, kClassMenuClass, kEventMenuChosen, handler));
  EXPECT_TRUE(BindHandler(kMainWindow, kMainButton2, kEventClicked, nullptr));
}

TEST_F(Runtime, ButtonClickAndEditContentWithCrLf) {
  int clicks = 0;
  ASSERT_TRUE(BindHandler(kClassWindow, kClassButton1, kEventClicked,
                          [&](int32_t, int32_t) { return ++clicks, 0; }));
  ASSERT_TRUE(LoadWindow(kClassWindow, std::nullopt, false));
  Find<QPushButton>(kClassWindow, "按钮1")->click();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(BindHandler(kClassWindow, kClassButton1, kEventClicked, nullptr));

  EXPECT_EQ(ReadText(kClassWindow, kClassEdit1, kPropEditContent),
            "请复制学生的姓名进入本编辑框。一行一个姓名。"_gbk);
  WriteProperty(kClassWindow, kClassEdit1, kPropEditContent, "张三\r\n李四\r\n"_gbk);
  EXPECT_EQ(Find<QPlainTextEdit>(kClassWindow, "编辑框1")->toPlainText(),
            QString::fromUtf8("张三\n李四\n"));
  EXPECT_EQ(ReadText(kClassWindow, kClassEdit1, kPropEditContent), "张三\r\n李四\r\n"_gbk);
  Find<QPlainTextEdit>(kClassWindow, "编辑框1")->setPlainText(QStringLiteral("a\nb"));
  EXPECT_EQ(ReadText(kClassWindow, kClassEdit1, kPropEditContent), Text("a\r\nb"));
  EXPECT_EQ(ReadText(kClassWindow, kClassEdit2, kPropEditContent), Text());
}

// Names come from spreadsheets, web pages and text files: whatever line breaks the clipboard
// carries, the paste box reads with CR LF, and a one-line box keeps the first line, so a
// copied cell with its line break still names a class.
TEST_F(Runtime, PastedLineBreaksReadAsCrLf) {
  ASSERT_TRUE(LoadWindow(kClassWindow, std::nullopt, false));
  auto* box = Find<QPlainTextEdit>(kClassWindow, "编辑框1");
  box->clear();
  QGuiApplication::clipboard()->setText(QString::fromUtf8("张一\r\n\r\n张二\r张三\n李四"));
  box->paste();
  EXPECT_EQ(ReadText(kClassWindow, kClassEdit1, kPropEditContent), "张一\r\n\r\n张二\r\n张三\r\n李四"_gbk);

  auto* name = Find<QLineEdit>(kClassWindow, "编辑框2");
  for (const char* cell : {"三班\r\n", "三班\n", "三班\r", "三班\n四班"}) {
    name->clear();
    QGuiApplication::clipboard()->setText(QString::fromUtf8(cell));
    name->paste();
    EXPECT_EQ(ReadText(kClassWindow, kClassEdit2, kPropEditContent), "三班"_gbk) << cell;
  }
}

TEST_F(Runtime, CloseQueryDestructionAndLoadingAgain) {
  int destroyed = 0;
  ASSERT_TRUE(BindHandler(kClassWindow, kWindowItself, kEventDestroying,
                          [&](int32_t, int32_t) { return ++destroyed, 0; }));
  ASSERT_TRUE(LoadWindow(kClassWindow, std::nullopt, false));
  QPointer<QWidget> first = WindowWidget(kClassWindow);
  EXPECT_TRUE(CloseWindow(kClassWindow));
  EXPECT_EQ(destroyed, 1);
  EXPECT_FALSE(IsWindowLoaded(kClassWindow));
  EXPECT_EQ(ControlWidget(kClassWindow, kClassEdit1), nullptr);
  // Type-specific property of a window no longer loaded: the design value is gone too.
  EXPECT_EQ(ReadInt(kClassWindow, kClassEdit1, kPropLeft), 4);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(first.isNull());
  ASSERT_TRUE(LoadWindow(kClassWindow, std::nullopt, false));
  EXPECT_NE(WindowWidget(kClassWindow), nullptr);
  EXPECT_EQ(ReadText(kClassWindow, kClassEdit1, kPropEditContent),
            "请复制学生的姓名进入本编辑框。一行一个姓名。"_gbk);
}

TEST_F(Runtime, ModalLoadDisablesTheOthersUntilClosed) {
  ASSERT_TRUE(LoadWindow(kMainWindow, std::nullopt, false));
  bool main_disabled_meanwhile = false;
  bool checked = false;
  bool main_closed_meanwhile = true;
  int32_t key_result = 0;
  ASSERT_TRUE(BindHandler(kMainWindow, kMainLabel1, kEventFeedback, [](int32_t id, int32_t) { return id; }));
  QTimer::singleShot(0, [&] {
    checked = true;
    main_disabled_meanwhile = ReadLogical(kMainWindow, kWindowItself, kPropDisabled);
    // The hot keys still reach the name label of the disabled main window.
    HotKeyNotifyEvent key(33001, 0);
    QCoreApplication::sendEvent(ControlWidget(kMainWindow, kMainLabel1), &key);
    key_result = key.result();
    // The close box of a disabled window does nothing.
    WindowWidget(kMainWindow)->close();
    main_closed_meanwhile = !IsWindowLoaded(kMainWindow);
    EXPECT_TRUE(CloseWindow(kStatsWindow));
  });
  // Returns only after the modal window has been closed.
  ASSERT_TRUE(LoadWindow(kStatsWindow, std::nullopt, true));
  EXPECT_TRUE(checked);
  EXPECT_TRUE(main_disabled_meanwhile);
  EXPECT_FALSE(main_closed_meanwhile);
  EXPECT_EQ(key_result, 33001);
  EXPECT_TRUE(BindHandler(kMainWindow, kMainLabel1, kEventFeedback, nullptr));
  EXPECT_FALSE(IsWindowLoaded(kStatsWindow));
  EXPECT_FALSE(ReadLogical(kMainWindow, kWindowItself, kPropDisabled));
}

TEST_F(Runtime, CloseQueryCanKeepTheWindowOpen) {
  ASSERT_TRUE(LoadWindow(kStatsWindow, std::nullopt, false));
  // The close query is not bound on this window, so nothing keeps it.
  EXPECT_TRUE(CloseWindow(kStatsWindow));
  EXPECT_FALSE(CloseWindow(kStatsWindow));
}

TEST_F(Runtime, PopupMenuRaisesTheMenuItemsEventAfterItCloses) {
  int deleted = 0;
  ASSERT_TRUE(BindHandler(kClassWindow, kClassMenuDeleteClass, kEventMenuChosen, [&](int32_t, int32_t) {
    ++deleted;
    EXPECT_EQ(CurrentEventSource().control_id, kClassMenuDeleteClass);
    return 0;
  }));
  ASSERT_TRUE(LoadWindow(kClassWindow, std::nullopt, false));
  EXPECT_EQ(CreatePopupMenu(kClassWindow, kClassMenuDeleteClass), nullptr);  // no sub-items
  EXPECT_EQ(CreatePopupMenu(kMainWindow, kClassMenuClass), nullptr);         // not loaded
  std::unique_ptr<QMenu> menu = CreatePopupMenu(kClassWindow, kClassMenuClass);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 1);
  EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8("删除班级"));
  menu->actions()[0]->trigger();
  EXPECT_EQ(deleted, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(CreatePopupMenu(kClassWindow, kClassMenuName)->actions()[0]->text(),
            QString::fromUtf8("删除"));
  EXPECT_TRUE(BindHandler(kClassWindow, kClassMenuDeleteClass, kEventMenuChosen, nullptr));
}

TEST_F(Runtime, ARightClickOnALabelBringsUpTheWindowsMenuWithSubmenusAndCheckMarks) {
  int menus = 0;
  ASSERT_TRUE(BindHandler(kMainWindow, kMainWindowItem, kEventContextMenu, [&](int32_t, int32_t) {
    ++menus;
    return 0;
  }));
  ASSERT_TRUE(LoadWindow(kMainWindow, std::nullopt, false));
  // The labels have no menu of their own: the click reaches the window.
  QWidget* label = Find(kMainWindow, "标签1");
  QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), label->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(label, &click);
  EXPECT_EQ(menus, 1);

  EXPECT_FALSE(SetMenuItemChecked(kStatsWindow, kStatsMenuCopyAll, true));  // not loaded
  ASSERT_TRUE(SetMenuItemChecked(kMainWindow, kMainMenuNoRepeat, true));
  std::unique_ptr<QMenu> menu = CreatePopupMenu(kMainWindow, kMainMenu);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 2);  // 点名方式 and 大小
  QMenu* modes = menu->actions()[0]->menu();
  ASSERT_NE(modes, nullptr);
  ASSERT_EQ(modes->actions().size(), 2);
  EXPECT_EQ(modes->actions()[1]->text(), QString::fromUtf8("一轮不重复"));
  EXPECT_FALSE(modes->actions()[0]->isChecked());
  EXPECT_TRUE(modes->actions()[1]->isChecked());
  ASSERT_TRUE(SetMenuItemChecked(kMainWindow, kMainMenuNoRepeat, false));
  EXPECT_FALSE(CreatePopupMenu(kMainWindow, kMainMenu)->actions()[0]->menu()->actions()[1]
                   ->isChecked());
}

TEST_F(Runtime, ListViewAndFocusEventsReachTheirHandlers) {
  std::vector<int32_t> seen;
  auto record = [&](int32_t event) {
    return [&seen, event](int32_t, int32_t) { return seen.push_back(event), 0; };
  };
  ASSERT_TRUE(BindHandler(kClassWindow, kClassList1, kEventCurrentRowChanged,
                          record(kEventCurrentRowChanged)));
  ASSERT_TRUE(
      BindHandler(kClassWindow, kClassList1, kEventRightClicked, record(kEventRightClicked)));
  ASSERT_TRUE(BindHandler(kClassWindow, kClassEdit1, kEventGotFocus, record(kEventGotFocus)));
  ASSERT_TRUE(LoadWindow(kClassWindow, std::nullopt, false));
  auto* list = Find<QTreeWidget>(kClassWindow, "超级列表框1");
  list->addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("a")}));
  list->addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("b")}));
  list->setCurrentItem(list->topLevelItem(1));
  EXPECT_EQ(seen, std::vector<int32_t>{kEventCurrentRowChanged});
  EXPECT_EQ(ReadInt(kClassWindow, kClassList1, kPropListSelectedRow), 1);

  ClickRow(list, 0, Qt::RightButton);
  EXPECT_EQ(seen.back(), kEventRightClicked);

  QWidget* window = WindowWidget(kClassWindow);
  window->activateWindow();
  QApplication::setActiveWindow(window);
  Find(kClassWindow, "编辑框1")->setFocus();
  QCoreApplication::processEvents();
  EXPECT_EQ(seen.back(), kEventGotFocus);
  for (auto [control, event] : {std::pair{kClassList1, kEventCurrentRowChanged},
                                {kClassList1, kEventRightClicked},
                                {kClassEdit1, kEventGotFocus}}) {
    EXPECT_TRUE(BindHandler(kClassWindow, control, event, nullptr));
  }
}

TEST_F(Runtime, StartPositionVisibilityAndOwners) {
  EXPECT_FALSE(LoadWindow(kStatsWindow, kMainWindow, false));  // owner not loaded
  ASSERT_TRUE(LoadWindow(kMainWindow, std::nullopt, false));
  QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_NEAR(ReadInt(kMainWindow, kWindowItself, kPropLeft),
              screen.x() + (screen.width() - 246) / 2, 1);
  EXPECT_NEAR(ReadInt(kMainWindow, kWindowItself, kPropTop),
              screen.y() + (screen.height() - 98) / 2, 1);

  WriteProperty(kMainWindow, kWindowItself, kPropVisible, Logical(false));
  EXPECT_FALSE(WindowWidget(kMainWindow)->isVisible());
  EXPECT_FALSE(ReadLogical(kMainWindow, kMainLabel1, kPropVisible));
  WriteProperty(kMainWindow, kWindowItself, kPropVisible, Logical(true));
  EXPECT_TRUE(ReadLogical(kMainWindow, kWindowItself, kPropVisible));
  EXPECT_TRUE(ReadLogical(kMainWindow, kMainLabel1, kPropVisible));

  ASSERT_TRUE(LoadWindow(kStatsWindow, kMainWindow, false));
  EXPECT_EQ(WindowWidget(kStatsWindow)->parentWidget(), WindowWidget(kMainWindow));
  WriteProperty(kStatsWindow, kStatsButton1, kPropDisabled, Logical(true));
  EXPECT_TRUE(ReadLogical(kStatsWindow, kStatsButton1, kPropDisabled));
  EXPECT_FALSE(Find(kStatsWindow, "按钮1")->isEnabled());
}

// The created event's handler already sees the window where it will be shown: the main
// window's handler places the start-up balloon tip relative to it.
TEST_F(Runtime, StartPositionIsInPlaceWhenTheCreatedEventRuns) {
  QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  QPoint seen;
  ASSERT_TRUE(BindHandler(kMainWindow, kWindowItself, kEventCreated, [&](int32_t, int32_t) {
    seen = {ReadInt(kMainWindow, kWindowItself, kPropLeft),
            ReadInt(kMainWindow, kWindowItself, kPropTop)};
    // The handler narrows the window; it stays where it was placed.
    WriteProperty(kMainWindow, kWindowItself, kPropWidth, int32_t{170});
    return 0;
  }));
  ASSERT_TRUE(LoadWindow(kMainWindow, std::nullopt, false));
  QPoint centred(screen.x() + (screen.width() - 246) / 2, screen.y() + (screen.height() - 98) / 2);
  EXPECT_EQ(seen, centred);
  EXPECT_EQ(QPoint(ReadInt(kMainWindow, kWindowItself, kPropLeft),
                   ReadInt(kMainWindow, kWindowItself, kPropTop)),
            centred);
  EXPECT_EQ(ReadInt(kMainWindow, kWindowItself, kPropWidth), 170);
}

// The class list's handlers read the selected row: by the time the current-row event or the
// right-click event runs, the clicked row must already be the selected one.
TEST_F(Runtime, ListViewEventsSeeTheClickedRowSelected) {
  std::vector<std::pair<int32_t, int32_t>> seen;  // (event, selected row)
  for (int32_t event : {kEventCurrentRowChanged, kEventRightClicked}) {
    ASSERT_TRUE(BindHandler(kClassWindow, kClassList1, event, [&seen, event](int32_t, int32_t) {
      seen.emplace_back(event, ReadInt(kClassWindow, kClassList1, kPropListSelectedRow));
      return 0;
    }));
  }
  ASSERT_TRUE(LoadWindow(kClassWindow, std::nullopt, false));
  auto* list = Find<QTreeWidget>(kClassWindow, "超级列表框1");
  for (const char* name : {"a", "b", "c"}) {
    list->addTopLevelItem(new QTreeWidgetItem(QStringList{QString::fromUtf8(name)}));
  }
  ClickRow(list, 1, Qt::LeftButton);
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{{kEventCurrentRowChanged, 1}}));
  seen.clear();
  ClickRow(list, 2, Qt::RightButton);
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{{kEventCurrentRowChanged, 2},
                                                             {kEventRightClicked, 2}}));
  seen.clear();
  ClickRow(list, 2, Qt::LeftButton);  // the same row again: no row change
  EXPECT_TRUE(seen.empty());
  for (int32_t event : {kEventCurrentRowChanged, kEventRightClicked}) {
    EXPECT_TRUE(BindHandler(kClassWindow, kClassList1, event, nullptr));
  }
}

// The statistics list draws grid lines; a selected row must still show as selected, with
// its text readable on the highlight.
TEST_F(Runtime, GridLinesKeepTheSelectedRowVisible) {
  ASSERT_TRUE(LoadWindow(kStatsWindow, std::nullopt, false));
  auto* list = Find<QTreeWidget>(kStatsWindow, "超级列表框1");
  for (const char* n : {"1", "2", "3"}) {
    list->addTopLevelItem(new QTreeWidgetItem(QStringList{QString::fromUtf8(n), QStringLiteral("九（1）班")}));
  }
  list->setCurrentItem(list->topLevelItem(1));
  QImage shot = list->viewport()->grab().toImage();
  QRect row = list->visualItemRect(list->topLevelItem(1));
  QColor highlight = list->palette().color(QPalette::Active, QPalette::Highlight);
  QColor inactive = list->palette().color(QPalette::Inactive, QPalette::Highlight);
  int highlighted = 0;
  QSet<QRgb> colours;
  for (int y = row.top(); y <= row.bottom(); ++y) {
    for (int x = row.left(); x < std::min(row.right(), shot.width()); ++x) {
      QRgb p = shot.pixel(x, y);
      if (p == highlight.rgb() || p == inactive.rgb()) ++highlighted;
      colours.insert(p);
    }
  }
  EXPECT_GT(highlighted, row.width() * row.height() / 3);
  EXPECT_GT(colours.size(), 3);  // text drawn on it, not just the background and the lines
}

// A report-list column widens to its longest entry, up to 200 pixels, never below its design,
// and goes back to its design when the rows go.
TEST_F(Runtime, ListColumnsWidenToTheirLongestEntryUpToALimit) {
  ASSERT_TRUE(LoadWindow(kStatsWindow, std::nullopt, false));
  auto* list = Find<QTreeWidget>(kStatsWindow, "超级列表框1");
  const QHeaderView* header = list->header();
  auto* row = new QTreeWidgetItem(QStringList{"1", QString::fromUtf8("九（1）班"), "A"});
  list->addTopLevelItem(row);
  EXPECT_EQ(header->sectionSize(2), 50);
  row->setText(2, QString::fromUtf8("爱新觉罗玄烨之孙女儿"));
  const int whole = list->sizeHintForIndex(list->model()->index(0, 2)).width();
  EXPECT_GT(whole, 50);
  EXPECT_EQ(header->sectionSize(2), whole);
  list->addTopLevelItem(new QTreeWidgetItem(QStringList{"2", "", QString(60, QChar('W'))}));
  EXPECT_EQ(header->sectionSize(2), 200);
  EXPECT_EQ(header->sectionSize(1), 90);
  list->clear();
  EXPECT_EQ(header->sectionSize(2), 50);
}

}  // namespace
}  // namespace rc::forms
