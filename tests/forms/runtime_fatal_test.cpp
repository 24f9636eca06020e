// The form runtime's fatal errors: the box text, misuse that ends the program, nothing
// dispatched once the error has started, and a close-query veto run in a child process.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <limits>

#include "forms/definition_codec.h"
#include "forms/internal/control.h"
#include "tests/forms/runtime_fixture.h"

namespace rc::forms {
namespace {

using namespace rc::literals;

TEST(FatalErrorText, HasTheExactLayout) {
  EXPECT_EQ(FatalErrorText(0, "指定窗口尚未载入"_gbk),
            "运行时出错!\r\n\r\n错误信息：指定窗口尚未载入\r\n"_gbk);
  EXPECT_EQ(FatalErrorText(12, "x"_gbk),
            "运行时出错!\r\n\r\n错误代码：12\r\n\r\n错误信息：x\r\n"_gbk);
  EXPECT_EQ(FatalErrorText(0, Text()), "运行时出错!\r\n\r\n"_gbk);
}

using RuntimeDeathTest = Runtime;

TEST_F(RuntimeDeathTest, TypeSpecificPropertyOfAWindowNotLoaded) {
  EXPECT_EXIT(ReadProperty(kPlainWindow, kPlainButton, kPropButtonCaption), testing::ExitedWithCode(255),
              "错误信息：指定窗口尚未载入");
  EXPECT_EXIT(WriteProperty(kPlainWindow, kPlainButton, kPropButtonCaption, "x"_gbk), testing::ExitedWithCode(255),
              "指定窗口尚未载入");
}

TEST_F(RuntimeDeathTest, MisuseOfIdentifiers) {
  EXPECT_EXIT(ReadProperty(WindowId(0x52019999), kWindowItself, kPropLeft),
              testing::ExitedWithCode(255), "未载入欲访问窗口组件所在的窗口");
  EXPECT_EXIT(RaiseEvent(WindowId(0x52019999), kWindowItself, kEventCreated),
              testing::ExitedWithCode(255), "未找到引发事件的窗口");
  EXPECT_EXIT(RaiseEvent(kToolWindow, ControlId(0x16019999), kEventClicked),
              testing::ExitedWithCode(255), "未找到引发事件的窗口组件");
  EXPECT_EXIT(ListViewWidgetOrDie(kPlainWindow, kPlainList), testing::ExitedWithCode(255),
              "指定窗口或窗口组件不存在或尚未载入");
  EXPECT_EXIT(PopUpBalloonTipControl(kToolWindow, kToolBalloonTip, 0, 0, Text()),
              testing::ExitedWithCode(255), "指定窗口或窗口组件不存在或尚未载入");
  EXPECT_EXIT(InitFormRuntime(std::span<const uint8_t>()), testing::ExitedWithCode(255),
              "载入窗口模板数据段出错!");
}

// Once the fatal error has started (its box is up), nothing reaches the application: not
// the events raised meanwhile, not the timers.
void PresentWhileEventsArrive(const Text& text) {
  RaiseEvent(kToolWindow, kToolButton, kEventClicked);
  // The events run until the second timer has ticked at least once, so its handler had its
  // chance to run; a generous deadline turns a timer that never ticks into a failure.
  QTimer* timer = ControlWidget(kToolWindow, kToolTickingTimer)->findChild<QTimer*>();
  if (!timer) {
    std::fprintf(stderr, "the second timer has no QTimer");
    _exit(4);
  }
  bool ticked = false;
  QObject::connect(timer, &QTimer::timeout, [&ticked] { ticked = true; });
  QDeadlineTimer deadline(10000);
  while (!ticked && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
  }
  if (!ticked) {
    std::fprintf(stderr, "the second timer never ticked");
    _exit(4);
  }
  PrintFatal(text);
}

TEST_F(RuntimeDeathTest, NoEventsAfterAFatalError) {
  EXPECT_EXIT(
      {
        SetFatalErrorPresenterForTesting(&PresentWhileEventsArrive);
        auto die = [](int32_t, int32_t) -> int32_t { _exit(3); };
        if (!BindHandler(kToolWindow, kToolButton, kEventClicked, die) ||
            !BindHandler(kToolWindow, kToolTickingTimer, kEventTick, die) ||
            !LoadWindow(kToolWindow, std::nullopt, false)) {
          _exit(1);
        }
        RaiseFatalError(0, "boom"_gbk);
      },
      testing::ExitedWithCode(255), "boom");
}

// No test window binds the close query, so the veto runs in a child process on a copy of the
// definitions whose plain window binds it.
TEST_F(RuntimeDeathTest, CloseQueryVetoKeepsTheWindowOpenUntilLifted) {
  EXPECT_EXIT(
      {
        std::vector<WindowDef> defs = TestWindowDefinitions();
        defs[1].items[0].events.push_back({kEventCloseQuery, 0});
        ByteSet block = EncodeDefinitions(defs);
        InitFormRuntime(block);
        auto check = [](bool ok, const char* what) {
          if (!ok) {
            std::fprintf(stderr, "failed: %s", what);
            _exit(1);
          }
        };
        check(LoadWindow(kPlainWindow, std::nullopt, false), "loaded");
        int queries = 0;
        check(BindHandler(kPlainWindow, kWindowItself, kEventCloseQuery,
                          [&](int32_t, int32_t) { return ++queries, 0; }),
              "bound");
        check(!CloseWindow(kPlainWindow), "the handler's 0 refuses the close");
        check(queries == 1, "asked once");
        check(IsWindowLoaded(kPlainWindow) && WindowWidget(kPlainWindow), "still open");
        WindowWidget(kPlainWindow)->close();  // the close box asks the same question
        check(queries == 2 && IsWindowLoaded(kPlainWindow), "close box refused too");
        check(BindHandler(kPlainWindow, kWindowItself, kEventCloseQuery, nullptr), "unbound");
        check(CloseWindow(kPlainWindow), "closes once the veto is lifted");
        check(!IsWindowLoaded(kPlainWindow), "gone");
        std::fprintf(stderr, "veto held");
        _exit(0);
      },
      testing::ExitedWithCode(0), "veto held");
}

// A real written to an integer property converts as the database converts it: truncated
// to 64 bits, the low 32 kept; NaN and values beyond 64 bits give 0.
struct RealToProperty {
  Value value;
  int32_t expected;
};

class RealPropertyTest : public ::testing::TestWithParam<RealToProperty> {};

TEST_P(RealPropertyTest, ConvertsWithoutUndefinedBehaviour) {
  EXPECT_EQ(ValueToInt(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Reals, RealPropertyTest,
    ::testing::Values(RealToProperty{Value(-2.7), -2}, RealToProperty{Value(2.5f), 2},
                      RealToProperty{Value(1e10), 1410065408},
                      RealToProperty{Value(-4294967297.0), -1},
                      RealToProperty{Value(std::nan("")), 0},
                      RealToProperty{Value(-std::numeric_limits<double>::infinity()), 0},
                      RealToProperty{Value(3e19f), 0}));

}  // namespace
}  // namespace rc::forms
