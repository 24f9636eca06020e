#include "services/hotkeys/desktop_hot_key_platform.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "services/hotkeys/hot_key_service.h"
#include "tests/services/hotkeys/fake_hot_key_platform.h"

namespace rc {
namespace {

constexpr NativeHandle kMainWindow = 0x400001;
constexpr NativeHandle kLabel = 0x400007;
constexpr int32_t kKeyC = 0x43;
constexpr int32_t kKeyX = 0x58;
constexpr int32_t kKeyV = 0x56;

struct FakeDesktop {
  std::set<int32_t> bound;
  std::function<void(int32_t)> handler;

  void Press(int32_t key_code) {
    auto handler_copy = handler;
    if (handler_copy) handler_copy(key_code);
  }
};

class FakeShortcutSource : public DesktopShortcutSource {
 public:
  explicit FakeShortcutSource(FakeDesktop* desktop) : desktop_(desktop) {}
  bool BindsKey(int32_t key_code) const override { return desktop_->bound.count(key_code) != 0; }
  void SetHandler(std::function<void(int32_t)> handler) override {
    desktop_->handler = std::move(handler);
  }

 private:
  FakeDesktop* desktop_;
};

class DesktopHotKeyPlatformTest : public ::testing::Test {
 protected:
  DesktopHotKeyPlatformTest()
      : service_(std::make_unique<DesktopHotKeyPlatform>(
                     std::make_unique<FakeHotKeyPlatform>(&x11_),
                     std::make_unique<FakeShortcutSource>(&desktop_)),
                 [this](NativeHandle, int32_t id, int32_t) {
                   notified_.push_back(id);
                   return 0;
                 }) {}

  void RegisterCXV() {
    ASSERT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyC), 33001);
    ASSERT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyX), 33002);
    ASSERT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyV), 33003);
  }

  FakePlatformLog x11_;
  FakeDesktop desktop_;
  std::vector<int32_t> notified_;
  HotKeyService service_;
};

TEST_F(DesktopHotKeyPlatformTest, BoundKeysComeFromTheDesktopAloneOthersAreGrabbed) {
  desktop_.bound = {kKeyC, kKeyV};
  x11_.keys_of_others = {kKeyC};  // an X grab of C would fail; the desktop's C does not
  RegisterCXV();
  // Only X is grabbed: a grab beside a bound shortcut would deliver one press twice.
  ASSERT_EQ(x11_.held.size(), 1u);
  EXPECT_EQ(x11_.held.at(33002).second, kKeyX);

  desktop_.Press(kKeyV);
  desktop_.Press(kKeyC);
  // X's shortcut was not bound at start, but the teacher may bind it later in the desktop.
  desktop_.Press(kKeyX);
  FakeHotKeyPlatform::Press(&x11_, 33002);
  EXPECT_EQ(notified_, (std::vector<int32_t>{33003, 33001, 33002, 33002}));
}

TEST_F(DesktopHotKeyPlatformTest, ReleasedKeysAndAnEndedInterceptionDeliverNothing) {
  desktop_.bound = {kKeyC};
  RegisterCXV();
  EXPECT_TRUE(service_.Unregister(kMainWindow, 33001));
  EXPECT_FALSE(service_.Unregister(kMainWindow, 33001));
  desktop_.Press(kKeyC);
  EXPECT_TRUE(notified_.empty());

  EXPECT_TRUE(service_.Unregister(kMainWindow, 33002));
  EXPECT_TRUE(service_.Unregister(kMainWindow, 33003));
  EXPECT_TRUE(x11_.held.empty());
  EXPECT_FALSE(service_.intercepting());
  EXPECT_FALSE(desktop_.handler);
}

}  // namespace
}  // namespace rc
