#include "services/hotkeys/hot_key_service.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "services/hotkeys/virtual_keys.h"
#include "tests/services/hotkeys/fake_hot_key_platform.h"

namespace rc {
namespace {

constexpr NativeHandle kMainWindow = 0x400001;
constexpr NativeHandle kLabel = 0x400007;
constexpr int32_t kKeyC = 0x43;
constexpr int32_t kKeyX = 0x58;
constexpr int32_t kKeyV = 0x56;

struct Notification {
  NativeHandle target;
  int32_t first;
  int32_t second;
  bool operator==(const Notification&) const = default;
};

class HotKeyServiceTest : public ::testing::Test {
 protected:
  HotKeyServiceTest()
      : service_(std::make_unique<FakeHotKeyPlatform>(&log_),
                 [this](NativeHandle target, int32_t first, int32_t second) {
                   sent_.push_back({target, first, second});
                   return 0;
                 }) {}

  void Press(int32_t id) { FakeHotKeyPlatform::Press(&log_, id); }

  FakePlatformLog log_;
  std::vector<Notification> sent_;
  HotKeyService service_;
};

TEST_F(HotKeyServiceTest, IdentifiersCountEveryAttemptAndAreNeverReused) {
  log_.keys_of_others = {kKeyX};
  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyC), 33001);
  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyX), 0);
  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyV), 33003);

  EXPECT_TRUE(service_.Unregister(kMainWindow, 33001));
  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyC), 33004);
}

TEST_F(HotKeyServiceTest, PressReachesTheTargetOfTheLatestRegistration) {
  constexpr NativeHandle kOtherLabel = 0x400009;
  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyC), 33001);
  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyX), 33002);
  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyV), 33003);
  Press(33003);
  Press(33001);
  EXPECT_EQ(sent_, (std::vector<Notification>{{kLabel, 33003, 0}, {kLabel, 33001, 0}}));

  sent_.clear();
  EXPECT_EQ(service_.Register(kMainWindow, kOtherLabel, 4, 0x44), 33004);
  Press(33002);
  EXPECT_EQ(sent_, (std::vector<Notification>{{kOtherLabel, 33002, 0}}));
}

TEST_F(HotKeyServiceTest, IdentifiersOutsideTheHandedOutRangeNotifyNobody) {
  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyC), 33001);
  Press(0);
  Press(33000);
  Press(33002);  // not handed out yet
  Press(-1);
  EXPECT_TRUE(sent_.empty());
}

TEST_F(HotKeyServiceTest, InterceptionLastsWhileAnyKeyIsHeld) {
  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyC), 33001);
  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyX), 33002);
  EXPECT_EQ(log_.intercept_calls, 1);  // once, not per key
  EXPECT_EQ(log_.intercepted, kMainWindow);

  EXPECT_TRUE(service_.Unregister(kMainWindow, 33001));
  EXPECT_TRUE(service_.intercepting());
  EXPECT_TRUE(service_.Unregister(kMainWindow, 33002));
  EXPECT_FALSE(service_.intercepting());
  EXPECT_EQ(log_.stop_calls, 1);

  // Registering again intercepts again, and presses arrive.
  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyV), 33003);
  EXPECT_EQ(log_.intercept_calls, 2);
  Press(33003);
  EXPECT_EQ(sent_, (std::vector<Notification>{{kLabel, 33003, 0}}));
}

TEST_F(HotKeyServiceTest, RefusedKeysAndFailedReleasesDoNotKeepOrDropTheInterception) {
  log_.keys_of_others = {kKeyX};
  // A refused first key leaves nothing intercepted.
  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyX), 0);
  EXPECT_FALSE(service_.intercepting());

  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyC), 33002);
  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyX), 0);  // refused, uses up 33003
  EXPECT_EQ(service_.Register(kMainWindow, kLabel, 0, kKeyV), 33004);
  // Releasing keys that are not held changes nothing: C and V must keep working.
  EXPECT_FALSE(service_.Unregister(kMainWindow, 0));
  EXPECT_FALSE(service_.Unregister(kMainWindow, 33003));
  EXPECT_FALSE(service_.Unregister(kMainWindow, 33099));
  EXPECT_TRUE(service_.Unregister(kMainWindow, 33002));
  EXPECT_FALSE(service_.Unregister(kMainWindow, 33002));
  EXPECT_TRUE(service_.intercepting());
  Press(33004);
  EXPECT_EQ(sent_.size(), 1u);
  // Releasing every key that was granted ends the interception.
  const int stops = log_.stop_calls;
  EXPECT_TRUE(service_.Unregister(kMainWindow, 33004));
  EXPECT_FALSE(service_.intercepting());
  EXPECT_EQ(log_.stop_calls, stops + 1);
}

TEST_F(HotKeyServiceTest, HandlerMayReleaseItsOwnKey) {
  int32_t c = service_.Register(kMainWindow, kLabel, 0, kKeyC);
  ASSERT_NE(c, 0);
  service_.set_notifier([&](NativeHandle, int32_t id, int32_t) {
    return service_.Unregister(kMainWindow, id) ? 1 : 0;
  });
  Press(c);
  EXPECT_FALSE(service_.intercepting());
  EXPECT_TRUE(log_.held.empty());
}

// The documented modifier codes against facts that do not come from the code under test:
// the system's modifier bits (Alt 1, Control 2, Shift 4, Win 8) and the X11 modifier masks
// (Shift 1, Control 4, Mod1 = Alt 8, Mod4 = Win 64) that reach the X server in the end.
struct ModifierCodeCase {
  int32_t code;
  uint32_t system_bits;
  uint32_t x11_mask;
};

class ModifierCodeTest : public ::testing::TestWithParam<ModifierCodeCase> {};

TEST_P(ModifierCodeTest, TranslatesToSystemBitsAndX11Mask) {
  const ModifierCodeCase c = GetParam();
  EXPECT_EQ(TranslateModifierCode(c.code), c.system_bits);
  EXPECT_EQ(ModifierMaskOfBits(TranslateModifierCode(c.code)), c.x11_mask);
}

INSTANTIATE_TEST_SUITE_P(Table, ModifierCodeTest,
                         ::testing::Values(ModifierCodeCase{0, 0u, 0},    // none
                                           ModifierCodeCase{1, 2u, 4},    // Ctrl
                                           ModifierCodeCase{2, 4u, 1},    // Shift
                                           ModifierCodeCase{3, 6u, 5},    // Ctrl+Shift
                                           ModifierCodeCase{4, 1u, 8},    // Alt
                                           ModifierCodeCase{5, 3u, 12},   // Alt+Ctrl
                                           ModifierCodeCase{6, 5u, 9},    // Alt+Shift
                                           ModifierCodeCase{7, 7u, 13},   // Alt+Ctrl+Shift
                                           ModifierCodeCase{8, 8u, 64}),  // Win
                         [](const ::testing::TestParamInfo<ModifierCodeCase>& info) {
                           return "Code" + std::to_string(info.param.code);
                         });

TEST_F(HotKeyServiceTest, RegistrationPassesTranslatedBitsAndKeyCode) {
  ASSERT_EQ(service_.Register(kMainWindow, kLabel, 5, kKeyV), 33001);
  EXPECT_EQ(log_.held.at(33001), std::make_pair(3u, kKeyV));
}

}  // namespace
}  // namespace rc
