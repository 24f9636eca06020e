// A hot-key platform that keeps its grabs in memory, for tests of the service's rules.
#ifndef ROLLCALL_TESTS_SERVICES_HOTKEYS_FAKE_HOT_KEY_PLATFORM_H_
#define ROLLCALL_TESTS_SERVICES_HOTKEYS_FAKE_HOT_KEY_PLATFORM_H_

#include <cstdint>
#include <map>
#include <set>
#include <utility>

#include "services/hotkeys/hot_key_platform.h"

namespace rc {

// What the fake has seen; outlives the fake, which the service owns.
struct FakePlatformLog {
  std::map<int32_t, std::pair<uint32_t, int32_t>> held;  // id -> (modifier bits, key code)
  std::set<int32_t> keys_of_others;                       // key codes another program holds
  NativeHandle intercepted = 0;
  int32_t intercept_calls = 0;
  int32_t stop_calls = 0;
  HotKeyPlatform::HotKeyMessageHandler handler;
};

class FakeHotKeyPlatform : public HotKeyPlatform {
 public:
  explicit FakeHotKeyPlatform(FakePlatformLog* log) : log_(log) {}

  bool RegisterHotKey(NativeHandle, int32_t id, uint32_t modifier_bits,
                      int32_t key_code) override {
    if (log_->keys_of_others.count(key_code)) return false;
    log_->held[id] = {modifier_bits, key_code};
    return true;
  }
  bool UnregisterHotKey(NativeHandle, int32_t id) override { return log_->held.erase(id) == 1; }
  bool Intercept(NativeHandle window, HotKeyMessageHandler handler) override {
    ++log_->intercept_calls;
    log_->intercepted = window;
    log_->handler = std::move(handler);
    return true;
  }
  void StopIntercepting() override {
    ++log_->stop_calls;
    log_->intercepted = 0;
    log_->handler = nullptr;
  }
  void LetTextBoxesType(bool) override {}

  // The system's hot-key message for `id`, as it reaches the watched window.
  static void Press(FakePlatformLog* log, int32_t id) {
    // A copy, as the real platforms do: the handler may end the interception.
    HotKeyPlatform::HotKeyMessageHandler handler = log->handler;
    if (handler) handler(id);
  }

 private:
  FakePlatformLog* log_;
};

}  // namespace rc

#endif  // ROLLCALL_TESTS_SERVICES_HOTKEYS_FAKE_HOT_KEY_PLATFORM_H_
