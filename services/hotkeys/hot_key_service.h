// The state and the rules of the global hot keys: identifiers, the registration count and
// the interception of the watched window's messages. Platform-neutral; the system side is a
// HotKeyPlatform and the label side a HotKeyNotifier.
#ifndef ROLLCALL_SERVICES_HOTKEYS_HOT_KEY_SERVICE_H_
#define ROLLCALL_SERVICES_HOTKEYS_HOT_KEY_SERVICE_H_

#include <cstdint>
#include <functional>
#include <memory>

#include "services/hotkeys/hot_key_platform.h"

namespace rc {

// The first identifier handed out; 33000 + the number of registration attempts.
inline constexpr int32_t kFirstHotKeyId = 33001;

// Sends the hot-key notification message (forms::kHotKeyNotifyMessage) synchronously to
// `target` with the two arguments and returns the target's result (0 when nothing handled
// it). Runs on the user-interface thread.
using HotKeyNotifier = std::function<int32_t(NativeHandle target, int32_t first, int32_t second)>;

// The service's modifier code to the system's modifier bits (Alt 1, Control 2, Shift 4).
uint32_t TranslateModifierCode(int32_t modifier_code);

// Not thread-safe: every call comes from the user-interface thread.
class HotKeyService {
 public:
  HotKeyService(std::unique_ptr<HotKeyPlatform> platform, HotKeyNotifier notifier);
  ~HotKeyService();
  HotKeyService(const HotKeyService&) = delete;
  HotKeyService& operator=(const HotKeyService&) = delete;

  // The identifier of the new hot key, or 0 when the system refused it. Every attempt uses
  // up an identifier.
  [[nodiscard]] int32_t Register(NativeHandle watched_window, NativeHandle target,
                                 int32_t modifier_code, int32_t key_code);
  // True when the system released the key. Releasing the last key removes the interception.
  [[nodiscard]] bool Unregister(NativeHandle watched_window, int32_t id);

  void set_notifier(HotKeyNotifier notifier) { notifier_ = std::move(notifier); }
  // See HotKeyPlatform::LetTextBoxesType.
  void LetTextBoxesType(bool on) { platform_->LetTextBoxesType(on); }

  bool intercepting() const { return intercepting_; }

 private:
  // The interception: runs before the watched window handles the system's hot-key message.
  void HotKeyProcedure(int32_t id);

  std::unique_ptr<HotKeyPlatform> platform_;
  HotKeyNotifier notifier_;
  int32_t hot_key_id_counter_ = 0;
  int32_t last_hot_key_id_ = 0;
  NativeHandle hot_key_target_ = 0;
  int32_t hot_key_registration_count_ = 0;
  // Stands for the replaced window procedure: set while the watched window is intercepted.
  bool intercepting_ = false;
};

}  // namespace rc

#endif  // ROLLCALL_SERVICES_HOTKEYS_HOT_KEY_SERVICE_H_
