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
#include "forms/fatal_error_box.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/messages.h"
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
  ASSERT_TRUE(BindHandler(kToolWindow, kToolWindowItem, kEventCreated, [&](int32_t, int32_t) {
    ++created;
    source = CurrentEventSource();
    // The controls exist when the creation event runs.
    EXPECT_NE(ControlWidget(kToolWindow, kToolLabel), nullptr);
    return 0;
  }));
  ASSERT_TRUE(LoadWindow(kToolWindow, std::nullopt, false));
  EXPECT_EQ(created, 1);
  EXPECT_EQ(source.window_id, kToolWindow);
  EXPECT_EQ(source.control_id, kToolWindowItem);
  EXPECT_EQ(CurrentEventSource().window_id, WindowId());

  // Every control where the stored block puts it, shown as its flags and type say.
  std::optional<std::vector<WindowDef>> stored = DecodeDefinitions(TestDefinitionBlock());
  ASSERT_TRUE(stored.has_value());
  const WindowDef& main_def = stored->at(0);
  ASSERT_EQ(main_def.id, kToolWindow.value);
  int checked = 0;
  for (size_t i = 1; i < main_def.items.size(); ++i) {
    const ItemDef& item = main_def.items[i];
    if (item.type == kTypeMenuItem) continue;
    SCOPED_TRACE(item.name.ToUtf8());
    QWidget* w = Find(kToolWindow, item.name.ToUtf8().c_str());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), QRect(item.left, item.top, item.width, item.height));
    bool shown = (item.flags & kFlagVisible) &&
                 !(FindTypeDescriptor(item.type)->flags & kTypeNeverVisible);
    EXPECT_EQ(w->isVisible(), shown);
    ++checked;
  }
  EXPECT_EQ(checked, 9);
  // The invisible kinds stay hidden whatever their flags.
  EXPECT_FALSE(Find(kToolWindow, "时钟1")->isVisible());
  EXPECT_FALSE(Find(kToolWindow, "气球提示框1")->isVisible());
  EXPECT_FALSE(Find(kToolWindow, "超文本浏览框1")->isVisible());
  EXPECT_TRUE(Find(kToolWindow, "标签1")->isVisible());
  EXPECT_EQ(Find<QPushButton>(kToolWindow, "按钮2")->text(), QString::fromUtf8("统计"));
  QWidget* main = WindowWidget(kToolWindow);
  EXPECT_EQ(main->windowTitle(), QString::fromUtf8("测试窗口"));
  EXPECT_EQ(main->windowType(), Qt::Tool);
  EXPECT_TRUE(main->isVisible());
  // Definition order is the stacking order: the first control is on top.
  QList<QObject*> kids = main->children();
  EXPECT_LT(kids.indexOf(Find(kToolWindow, "组合框1")), kids.indexOf(Find(kToolWindow, "标签1")));

  // Reads through the runtime: design positions, the window's own size, captions.
  EXPECT_EQ(ReadInt(kToolWindow, kToolPlainLabel, kPropLeft), -1);
  EXPECT_EQ(ReadInt(kToolWindow, kWindowItself, kPropWidth), 246);
  EXPECT_EQ(ReadInt(kToolWindow, kToolWindowItem, kPropHeight), 98);
  EXPECT_EQ(ReadText(kToolWindow, kToolWindowItem, kPropWindowTitle), "测试窗口"_gbk);
  EXPECT_EQ(ReadText(kToolWindow, kToolLabel, kPropLabelCaption), "姓名"_gbk);
  WriteProperty(kToolWindow, kToolLabel, kPropLabelCaption, "张三"_gbk);
  Text seen_elsewhere;
  std::thread reader([&] { seen_elsewhere = PublishedLabelCaption(kToolWindow, kToolLabel); });
  reader.join();
  EXPECT_EQ(seen_elsewhere, "张三"_gbk);
  WriteProperty(kToolWindow, kToolLabel, kPropLabelTextColour, int32_t{255});
  EXPECT_EQ(ReadInt(kToolWindow, kToolLabel, kPropLabelTextColour), 255);
  EXPECT_EQ(ReadInt(kToolWindow, kToolTickingTimer, kPropTimerInterval), 100);
  EXPECT_EQ(ReadInt(kToolWindow, kToolCombo, kPropComboSelection), 0);
  EXPECT_FALSE(ReadLogical(kToolWindow, kToolTimer, kPropVisible));
  EXPECT_TRUE(ReadLogical(kToolWindow, kToolButton, kPropVisible));
}

TEST_F(Runtime, LoadingTwiceKeepsOneCopy) {
  int created = 0;
  ASSERT_TRUE(BindHandler(kPlainWindow, kWindowItself, kEventCreated,
                          [&](int32_t, int32_t) { return ++created, 0; }));
  ASSERT_TRUE(LoadWindow(kPlainWindow, std::nullopt, false));
  QWidget* first = WindowWidget(kPlainWindow);
  ASSERT_TRUE(LoadWindow(kPlainWindow, std::nullopt, false));
  EXPECT_EQ(WindowWidget(kPlainWindow), first);
  EXPECT_EQ(created, 1);
  EXPECT_EQ(QApplication::topLevelWidgets().count(first), 1);
  EXPECT_TRUE(BindHandler(kPlainWindow, kWindowItself, kEventCreated, nullptr));
}

TEST_F(Runtime, WindowsWithoutPropertyDataGetTheDefaults) {
  ASSERT_TRUE(LoadWindow(kPlainWindow, std::nullopt, false));
  QWidget* w = WindowWidget(kPlainWindow);
  EXPECT_EQ(ReadText(kPlainWindow, kWindowItself, kPropWindowTitle), Text());
  EXPECT_TRUE(w->windowTitle().trimmed().isEmpty());
  EXPECT_EQ(w->windowType(), Qt::Window);
  EXPECT_TRUE(w->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(w->minimumSize(), w->maximumSize());  // fixed frame
  EXPECT_EQ(ReadInt(kPlainWindow, kWindowItself, kPropWidth), 440);
  EXPECT_EQ(ReadInt(kPlainWindow, kWindowItself, kPropHeight), 373);
  auto* list = Find<QTreeWidget>(kPlainWindow, "超级列表框1");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->columnCount(), 5);
  EXPECT_EQ(list->headerItem()->text(4), QString::fromUtf8("错误"));
  EXPECT_EQ(list->columnWidth(0), 30);
  EXPECT_EQ(list->columnWidth(1), 90);
}

TEST_F(Runtime, ComboSelectionIsClampedAndRaisesNoEvent) {
  int chosen = 0;
  ASSERT_TRUE(
      BindHandler(kToolWindow, kToolCombo, kEventItemChosen, [&](int32_t, int32_t) { return ++chosen, 0; }));
  ASSERT_TRUE(LoadWindow(kToolWindow, std::nullopt, false));
  auto* combo = Find<QComboBox>(kToolWindow, "组合框1");
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(0), QString::fromUtf8("九（1）班"));
  EXPECT_EQ(combo->currentText(), QString::fromUtf8("九（1）班"));

  WriteProperty(kToolWindow, kToolCombo, kPropComboSelection, int32_t{5});
  EXPECT_EQ(ReadInt(kToolWindow, kToolCombo, kPropComboSelection), 1);
  WriteProperty(kToolWindow, kToolCombo, kPropComboSelection, int32_t{-7});
  EXPECT_EQ(ReadInt(kToolWindow, kToolCombo, kPropComboSelection), -1);
  WriteProperty(kToolWindow, kToolCombo, kPropComboSelection, int32_t{0});
  EXPECT_EQ(ReadInt(kToolWindow, kToolCombo, kPropComboSelection), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(chosen, 0);

  // A user's choice arrives later, through the posted message.
  emit combo->activated(1);
  EXPECT_EQ(chosen, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(chosen, 1);
  EXPECT_TRUE(BindHandler(kToolWindow, kToolCombo, kEventItemChosen, nullptr));
}

TEST_F(Runtime, TimerIntervals) {
  int ticks = 0;
  ASSERT_TRUE(BindHandler(kToolWindow, kToolTimer, kEventTick,
                          [&](int32_t, int32_t) { return ++ticks, 0; }));
  ASSERT_TRUE(LoadWindow(kToolWindow, std::nullopt, false));
  QTimer* timer = Find(kToolWindow, "时钟1")->findChild<QTimer*>();
  ASSERT_NE(timer, nullptr);
  EXPECT_FALSE(timer->isActive());  // no property data: stopped
  EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);

  WriteProperty(kToolWindow, kToolTimer, kPropTimerInterval, int32_t{1000});
  EXPECT_TRUE(timer->isActive());
  // Some of the period goes by, so that a restart would show.
  for (QDeadlineTimer deadline(30000); timer->remainingTime() > 700 && !deadline.hasExpired();) {
    QThread::msleep(5);
  }
  WriteProperty(kToolWindow, kToolTimer, kPropTimerInterval, int32_t{1000});  // same value: period runs on
  EXPECT_LE(timer->remainingTime(), 750);
  const auto restarted = std::chrono::steady_clock::now();
  WriteProperty(kToolWindow, kToolTimer, kPropTimerInterval, int32_t{2000});  // new value: restarted
  // A full new period from the write, whatever time the machine took since.
  const int remaining = timer->remainingTime();
  const auto since = std::chrono::steady_clock::now() - restarted;
  EXPECT_GT(remaining + since / std::chrono::milliseconds(1), 1900);
  WriteProperty(kToolWindow, kToolTimer, kPropTimerInterval, int32_t{-5});
  EXPECT_EQ(ReadInt(kToolWindow, kToolTimer, kPropTimerInterval), 0);
  EXPECT_FALSE(timer->isActive());

  WriteProperty(kToolWindow, kToolTimer, kPropTimerInterval, int32_t{5});
  for (int i = 0; i < 200 && ticks < 3; ++i) {
    QThread::msleep(5);
    QCoreApplication::processEvents();
  }
  EXPECT_GE(ticks, 3);
  WriteProperty(kToolWindow, kToolTimer, kPropTimerInterval, int32_t{0});
  EXPECT_FALSE(timer->isActive());
  EXPECT_TRUE(BindHandler(kToolWindow, kToolTimer, kEventTick, nullptr));
}

TEST_F(Runtime, DesignValuesStandInForControlsThatDoNotExist) {
  ASSERT_FALSE(IsWindowLoaded(kPlainWindow));
  EXPECT_EQ(ReadInt(kPlainWindow, kPlainButton, kPropLeft), 152);
  EXPECT_EQ(ReadInt(kPlainWindow, kPlainButton, kPropTop), 320);
  EXPECT_EQ(ReadInt(kPlainWindow, kPlainButton, kPropWidth), 88);
  EXPECT_EQ(ReadInt(kPlainWindow, kPlainButton, kPropHeight), 24);
  EXPECT_TRUE(ReadLogical(kPlainWindow, kPlainButton, kPropVisible));
  EXPECT_FALSE(ReadLogical(kPlainWindow, kPlainButton, kPropDisabled));
  EXPECT_EQ(std::get<ByteSet>(ReadProperty(kPlainWindow, kPlainButton, kPropCursor)), (ByteSet{0, 0, 0, 0}));
  EXPECT_EQ(ReadInt(kGroupWindow, kGroupBox, kPropTop), -5);
  // Once loaded, the control answers; controls in the group box are relative to it.
  ASSERT_TRUE(LoadWindow(kGroupWindow, std::nullopt, false));
  QWidget* button = Find(kGroupWindow, "按钮1");
  EXPECT_EQ(button->parentWidget(), Find<QGroupBox>(kGroupWindow, "分组框1"));
  EXPECT_EQ(button->pos(), QPoint(48, 319));
  WriteProperty(kGroupWindow, kGroupButton, kPropLeft, int32_t{10});
  EXPECT_EQ(ReadInt(kGroupWindow, kGroupButton, kPropLeft), 10);
}

TEST_F(Runtime, LabelFeedbackReturnsTheHandlersResult) {
  ASSERT_TRUE(LoadWindow(kToolWindow, std::nullopt, false));
  QWidget* label = Find(kToolWindow, "标签1");
  HotKeyNotifyEvent unbound(33001, 0);
  QCoreApplication::sendEvent(label, &unbound);
  EXPECT_EQ(unbound.result(), 0);

  std::pair<int32_t, int32_t> got;
  ASSERT_TRUE(BindHandler(kToolWindow, kToolLabel, kEventFeedback, [&](int32_t a, int32_t b) {
    got = {a, b};
    return 42;
  }));
  HotKeyNotifyEvent notify(33002, 7);
  QCoreApplication::sendEvent(label, &notify);
  EXPECT_EQ(got, std::make_pair(33002, 7));
  EXPECT_EQ(notify.result(), 42);
  EXPECT_TRUE(BindHandler(kToolWindow, kToolLabel, kEventFeedback, nullptr));
}

TEST_F(Runtime, OnlyEventsTheDefinitionsBindCanBeBound) {
  auto handler = [](int32_t, int32_t) { return 0; };
  EXPECT_TRUE(BindHandler(kToolWindow, kToolButton, kEventClicked, handler));
  EXPECT_FALSE(BindHandler(kToolWindow, kToolPlainLabel, kEventFeedback, handler));
  EXPECT_FALSE(BindHandler(kToolWindow, ControlId(0x16019999), kEventClicked, handler));
  EXPECT_FALSE(BindHandler(WindowId(0x52019999), kWindowItself, kEventCreated, handler));
  EXPECT_TRUE(BindHandler(kGroupWindow, kGroupPasteBox, kEventGotFocus, handler));
  EXPECT_TRUE(BindHandler(kGroupWindow, kGroupMenuItem, kEventMenuChosen, handler));
  EXPECT_FALSE(BindHandler(kGroupWindow, kGroupMenu, kEventMenuChosen, handler));
  EXPECT_TRUE(BindHandler(kToolWindow, kToolButton, kEventClicked, nullptr));
}

TEST_F(Runtime, ButtonClickAndEditContentWithCrLf) {
  int clicks = 0;
  ASSERT_TRUE(BindHandler(kGroupWindow, kGroupButton, kEventClicked,
                          [&](int32_t, int32_t) { return ++clicks, 0; }));
  ASSERT_TRUE(LoadWindow(kGroupWindow, std::nullopt, false));
  Find<QPushButton>(kGroupWindow, "按钮1")->click();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(BindHandler(kGroupWindow, kGroupButton, kEventClicked, nullptr));

  EXPECT_EQ(ReadText(kGroupWindow, kGroupPasteBox, kPropEditContent),
            "一行一个姓名。"_gbk);
  WriteProperty(kGroupWindow, kGroupPasteBox, kPropEditContent, "张三\r\n李四\r\n"_gbk);
  EXPECT_EQ(Find<QPlainTextEdit>(kGroupWindow, "编辑框1")->toPlainText(),
            QString::fromUtf8("张三\n李四\n"));
  EXPECT_EQ(ReadText(kGroupWindow, kGroupPasteBox, kPropEditContent), "张三\r\n李四\r\n"_gbk);
  Find<QPlainTextEdit>(kGroupWindow, "编辑框1")->setPlainText(QStringLiteral("a\nb"));
  EXPECT_EQ(ReadText(kGroupWindow, kGroupPasteBox, kPropEditContent), Text("a\r\nb"));
  EXPECT_EQ(ReadText(kGroupWindow, kGroupLineBox, kPropEditContent), Text());
}

// Names come from spreadsheets, web pages and text files: whatever line breaks the clipboard
// carries, the paste box reads with CR LF, and a one-line box keeps the first line, so a
// copied cell with its line break still names a class.
TEST_F(Runtime, PastedLineBreaksReadAsCrLf) {
  ASSERT_TRUE(LoadWindow(kGroupWindow, std::nullopt, false));
  auto* box = Find<QPlainTextEdit>(kGroupWindow, "编辑框1");
  box->clear();
  QGuiApplication::clipboard()->setText(QString::fromUtf8("张一\r\n\r\n张二\r张三\n李四"));
  box->paste();
  EXPECT_EQ(ReadText(kGroupWindow, kGroupPasteBox, kPropEditContent), "张一\r\n\r\n张二\r\n张三\r\n李四"_gbk);

  auto* name = Find<QLineEdit>(kGroupWindow, "编辑框2");
  for (const char* cell : {"三班\r\n", "三班\n", "三班\r", "三班\n四班"}) {
    name->clear();
    QGuiApplication::clipboard()->setText(QString::fromUtf8(cell));
    name->paste();
    EXPECT_EQ(ReadText(kGroupWindow, kGroupLineBox, kPropEditContent), "三班"_gbk) << cell;
  }
}

TEST_F(Runtime, CloseQueryDestructionAndLoadingAgain) {
  int destroyed = 0;
  ASSERT_TRUE(BindHandler(kGroupWindow, kWindowItself, kEventDestroying,
                          [&](int32_t, int32_t) { return ++destroyed, 0; }));
  ASSERT_TRUE(LoadWindow(kGroupWindow, std::nullopt, false));
  QPointer<QWidget> first = WindowWidget(kGroupWindow);
  EXPECT_TRUE(CloseWindow(kGroupWindow));
  EXPECT_EQ(destroyed, 1);
  EXPECT_FALSE(IsWindowLoaded(kGroupWindow));
  EXPECT_EQ(ControlWidget(kGroupWindow, kGroupPasteBox), nullptr);
  // Type-specific property of a window no longer loaded: the design value is gone too.
  EXPECT_EQ(ReadInt(kGroupWindow, kGroupPasteBox, kPropLeft), 4);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(first.isNull());
  ASSERT_TRUE(LoadWindow(kGroupWindow, std::nullopt, false));
  EXPECT_NE(WindowWidget(kGroupWindow), nullptr);
  EXPECT_EQ(ReadText(kGroupWindow, kGroupPasteBox, kPropEditContent),
            "一行一个姓名。"_gbk);
}

TEST_F(Runtime, ModalLoadDisablesTheOthersUntilClosed) {
  ASSERT_TRUE(LoadWindow(kToolWindow, std::nullopt, false));
  bool main_disabled_meanwhile = false;
  bool checked = false;
  bool main_closed_meanwhile = true;
  int32_t key_result = 0;
  ASSERT_TRUE(BindHandler(kToolWindow, kToolLabel, kEventFeedback, [](int32_t id, int32_t) { return id; }));
  QTimer::singleShot(0, [&] {
    checked = true;
    main_disabled_meanwhile = ReadLogical(kToolWindow, kWindowItself, kPropDisabled);
    // The hot keys still reach the label of the disabled window.
    HotKeyNotifyEvent key(33001, 0);
    QCoreApplication::sendEvent(ControlWidget(kToolWindow, kToolLabel), &key);
    key_result = key.result();
    // The close box of a disabled window does nothing.
    WindowWidget(kToolWindow)->close();
    main_closed_meanwhile = !IsWindowLoaded(kToolWindow);
    EXPECT_TRUE(CloseWindow(kPlainWindow));
  });
  // Returns only after the modal window has been closed.
  ASSERT_TRUE(LoadWindow(kPlainWindow, std::nullopt, true));
  EXPECT_TRUE(checked);
  EXPECT_TRUE(main_disabled_meanwhile);
  EXPECT_FALSE(main_closed_meanwhile);
  EXPECT_EQ(key_result, 33001);
  EXPECT_TRUE(BindHandler(kToolWindow, kToolLabel, kEventFeedback, nullptr));
  EXPECT_FALSE(IsWindowLoaded(kPlainWindow));
  EXPECT_FALSE(ReadLogical(kToolWindow, kWindowItself, kPropDisabled));
}

TEST_F(Runtime, CloseQueryCanKeepTheWindowOpen) {
  ASSERT_TRUE(LoadWindow(kPlainWindow, std::nullopt, false));
  // The close query is not bound on this window, so nothing keeps it.
  EXPECT_TRUE(CloseWindow(kPlainWindow));
  EXPECT_FALSE(CloseWindow(kPlainWindow));
}

TEST_F(Runtime, PopupMenuRaisesTheMenuItemsEventAfterItCloses) {
  int deleted = 0;
  ASSERT_TRUE(BindHandler(kGroupWindow, kGroupMenuItem, kEventMenuChosen, [&](int32_t, int32_t) {
    ++deleted;
    EXPECT_EQ(CurrentEventSource().control_id, kGroupMenuItem);
    return 0;
  }));
  ASSERT_TRUE(LoadWindow(kGroupWindow, std::nullopt, false));
  EXPECT_EQ(CreatePopupMenu(kGroupWindow, kGroupMenuItem), nullptr);  // no sub-items
  EXPECT_EQ(CreatePopupMenu(kToolWindow, kGroupMenu), nullptr);         // not loaded
  std::unique_ptr<QMenu> menu = CreatePopupMenu(kGroupWindow, kGroupMenu);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 1);
  EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8("删除班级"));
  menu->actions()[0]->trigger();
  EXPECT_EQ(deleted, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(CreatePopupMenu(kGroupWindow, kGroupOtherMenu)->actions()[0]->text(),
            QString::fromUtf8("删除"));
  EXPECT_TRUE(BindHandler(kGroupWindow, kGroupMenuItem, kEventMenuChosen, nullptr));
}

TEST_F(Runtime, ListViewAndFocusEventsReachTheirHandlers) {
  std::vector<int32_t> seen;
  auto record = [&](int32_t event) {
    return [&seen, event](int32_t, int32_t) { return seen.push_back(event), 0; };
  };
  ASSERT_TRUE(BindHandler(kGroupWindow, kGroupList, kEventCurrentRowChanged,
                          record(kEventCurrentRowChanged)));
  ASSERT_TRUE(
      BindHandler(kGroupWindow, kGroupList, kEventRightClicked, record(kEventRightClicked)));
  ASSERT_TRUE(BindHandler(kGroupWindow, kGroupPasteBox, kEventGotFocus, record(kEventGotFocus)));
  ASSERT_TRUE(LoadWindow(kGroupWindow, std::nullopt, false));
  auto* list = Find<QTreeWidget>(kGroupWindow, "超级列表框1");
  list->addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("a")}));
  list->addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("b")}));
  list->setCurrentItem(list->topLevelItem(1));
  EXPECT_EQ(seen, std::vector<int32_t>{kEventCurrentRowChanged});
  EXPECT_EQ(ReadInt(kGroupWindow, kGroupList, kPropListSelectedRow), 1);

  ClickRow(list, 0, Qt::RightButton);
  EXPECT_EQ(seen.back(), kEventRightClicked);

  QWidget* window = WindowWidget(kGroupWindow);
  window->activateWindow();
  QApplication::setActiveWindow(window);
  Find(kGroupWindow, "编辑框1")->setFocus();
  QCoreApplication::processEvents();
  EXPECT_EQ(seen.back(), kEventGotFocus);
  for (auto [control, event] : {std::pair{kGroupList, kEventCurrentRowChanged},
                                {kGroupList, kEventRightClicked},
                                {kGroupPasteBox, kEventGotFocus}}) {
    EXPECT_TRUE(BindHandler(kGroupWindow, control, event, nullptr));
  }
}

TEST_F(Runtime, StartPositionVisibilityAndOwners) {
  EXPECT_FALSE(LoadWindow(kPlainWindow, kToolWindow, false));  // owner not loaded
  ASSERT_TRUE(LoadWindow(kToolWindow, std::nullopt, false));
  QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_NEAR(ReadInt(kToolWindow, kWindowItself, kPropLeft),
              screen.x() + (screen.width() - 246) / 2, 1);
  EXPECT_NEAR(ReadInt(kToolWindow, kWindowItself, kPropTop),
              screen.y() + (screen.height() - 98) / 2, 1);

  WriteProperty(kToolWindow, kWindowItself, kPropVisible, Logical(false));
  EXPECT_FALSE(WindowWidget(kToolWindow)->isVisible());
  EXPECT_FALSE(ReadLogical(kToolWindow, kToolLabel, kPropVisible));
  WriteProperty(kToolWindow, kWindowItself, kPropVisible, Logical(true));
  EXPECT_TRUE(ReadLogical(kToolWindow, kWindowItself, kPropVisible));
  EXPECT_TRUE(ReadLogical(kToolWindow, kToolLabel, kPropVisible));

  ASSERT_TRUE(LoadWindow(kPlainWindow, kToolWindow, false));
  EXPECT_EQ(WindowWidget(kPlainWindow)->parentWidget(), WindowWidget(kToolWindow));
  WriteProperty(kPlainWindow, kPlainButton, kPropDisabled, Logical(true));
  EXPECT_TRUE(ReadLogical(kPlainWindow, kPlainButton, kPropDisabled));
  EXPECT_FALSE(Find(kPlainWindow, "按钮1")->isEnabled());
}

// The created event's handler already sees the window where it will be shown: the main
// window's handler places the start-up balloon tip relative to it.
TEST_F(Runtime, StartPositionIsInPlaceWhenTheCreatedEventRuns) {
  QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  QPoint seen;
  ASSERT_TRUE(BindHandler(kToolWindow, kWindowItself, kEventCreated, [&](int32_t, int32_t) {
    seen = {ReadInt(kToolWindow, kWindowItself, kPropLeft),
            ReadInt(kToolWindow, kWindowItself, kPropTop)};
    // The handler narrows the window; it stays where it was placed.
    WriteProperty(kToolWindow, kWindowItself, kPropWidth, int32_t{170});
    return 0;
  }));
  ASSERT_TRUE(LoadWindow(kToolWindow, std::nullopt, false));
  QPoint centred(screen.x() + (screen.width() - 246) / 2, screen.y() + (screen.height() - 98) / 2);
  EXPECT_EQ(seen, centred);
  EXPECT_EQ(QPoint(ReadInt(kToolWindow, kWindowItself, kPropLeft),
                   ReadInt(kToolWindow, kWindowItself, kPropTop)),
            centred);
  EXPECT_EQ(ReadInt(kToolWindow, kWindowItself, kPropWidth), 170);
}

// The class list's handlers read the selected row: by the time the current-row event or the
// right-click event runs, the clicked row must already be the selected one.
TEST_F(Runtime, ListViewEventsSeeTheClickedRowSelected) {
  std::vector<std::pair<int32_t, int32_t>> seen;  // (event, selected row)
  for (int32_t event : {kEventCurrentRowChanged, kEventRightClicked}) {
    ASSERT_TRUE(BindHandler(kGroupWindow, kGroupList, event, [&seen, event](int32_t, int32_t) {
      seen.emplace_back(event, ReadInt(kGroupWindow, kGroupList, kPropListSelectedRow));
      return 0;
    }));
  }
  ASSERT_TRUE(LoadWindow(kGroupWindow, std::nullopt, false));
  auto* list = Find<QTreeWidget>(kGroupWindow, "超级列表框1");
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
    EXPECT_TRUE(BindHandler(kGroupWindow, kGroupList, event, nullptr));
  }
}

// A list that draws grid lines: a selected row must still show as selected, with
// its text readable on the highlight.
TEST_F(Runtime, GridLinesKeepTheSelectedRowVisible) {
  ASSERT_TRUE(LoadWindow(kPlainWindow, std::nullopt, false));
  auto* list = Find<QTreeWidget>(kPlainWindow, "超级列表框1");
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
  ASSERT_TRUE(LoadWindow(kPlainWindow, std::nullopt, false));
  auto* list = Find<QTreeWidget>(kPlainWindow, "超级列表框1");
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
