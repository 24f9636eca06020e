// The commands inside a Qt application on a platform without X11 (offscreen), and the
// notification's road into the form runtime's label.
#include "services/hotkeys/hot_keys.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "tests/forms/test_windows.h"

namespace rc {
namespace {

NativeHandle HandleOf(QWidget* widget) {
  return widget ? static_cast<NativeHandle>(widget->winId()) : 0;
}

TEST(HotKeysQtTest, WithoutX11EveryKeyIsRefused) {
  ASSERT_NE(QApplication::platformName(), "xcb");
  QWidget window;
  NativeHandle handle = HandleOf(&window);
  EXPECT_EQ(RegisterGlobalHotKey(handle, handle, 0, 0x43), 0);
  EXPECT_EQ(RegisterGlobalHotKey(handle, handle, 0, 0x58), 0);
  EXPECT_FALSE(UnregisterGlobalHotKey(handle, 33001));
}

TEST(HotKeysQtTest, NotificationRaisesTheLabelsFeedbackEventAndReturnsItsResult) {
  forms::InitFormRuntime(forms::TestDefinitionBlock());
  std::vector<std::pair<int32_t, int32_t>> seen;
  ASSERT_TRUE(forms::BindHandler(forms::kToolWindow, forms::kToolLabel, forms::kEventFeedback,
                                 [&](int32_t first, int32_t second) {
                                   seen.emplace_back(first, second);
                                   return 7;
                                 }));
  forms::LoadStartupWindow(forms::kToolWindow);
  NativeHandle label = HandleOf(forms::ControlWidget(forms::kToolWindow, forms::kToolLabel));
  ASSERT_NE(label, 0);

  EXPECT_EQ(SendHotKeyNotification(label, 33003, 0), 7);
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{{33003, 0}}));
  // A handle that names no widget of ours reaches nobody.
  EXPECT_EQ(SendHotKeyNotification(0, 33001, 0), 0);
  EXPECT_EQ(SendHotKeyNotification(label + 0x100000, 33001, 0), 0);
  // A label without a bound handler answers 0.
  NativeHandle other = HandleOf(forms::ControlWidget(forms::kToolWindow, forms::kToolPlainLabel));
  ASSERT_NE(other, 0);
  EXPECT_EQ(SendHotKeyNotification(other, 33001, 0), 0);
  EXPECT_EQ(seen.size(), 1u);
}

}  // namespace
}  // namespace rc

int main(int argc, char** argv) {
  // ctest lists the tests without the test environment; the application must come up anyway.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
