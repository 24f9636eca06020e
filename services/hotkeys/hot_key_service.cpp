#include "services/hotkeys/hot_key_service.h"

#include <utility>

namespace rc {

uint32_t TranslateModifierCode(int32_t modifier_code) {
  switch (modifier_code) {
    case 0: return 0;
    case 1: return kModControl;
    case 2: return kModShift;
    case 3: return kModControl | kModShift;
    case 4: return kModAlt;
    case 5: return kModAlt | kModControl;
    case 6: return kModAlt | kModShift;
    default: return static_cast<uint32_t>(modifier_code);
  }
}

HotKeyService::HotKeyService(std::unique_ptr<HotKeyPlatform> platform, HotKeyNotifier notifier)
    : platform_(std::move(platform)), notifier_(std::move(notifier)) {}

HotKeyService::~HotKeyService() {
  if (intercepting_) platform_->StopIntercepting();
}

int32_t HotKeyService::Register(NativeHandle watched_window, NativeHandle target,
                                int32_t modifier_code, int32_t key_code) {
  hot_key_target_ = target;
  uint32_t bits = TranslateModifierCode(modifier_code);
  if (!intercepting_) {
    intercepting_ = platform_->Intercept(watched_window, [this](int32_t id) { HotKeyProcedure(id); });
  }
  // The identifier is used up whether or not the system grants the key.
  ++hot_key_id_counter_;
  last_hot_key_id_ = 33000 + hot_key_id_counter_;
  if (!platform_->RegisterHotKey(watched_window, last_hot_key_id_, bits, key_code)) {
    // Only granted keys are counted: counting refused ones would keep the interception in
    // place after every real key has been released.
    if (hot_key_registration_count_ == 0 && intercepting_) {
      platform_->StopIntercepting();
      intercepting_ = false;
    }
    return 0;
  }
  ++hot_key_registration_count_;
  return last_hot_key_id_;
}

bool HotKeyService::Unregister(NativeHandle watched_window, int32_t id) {
  // A release that the system refuses (an identifier that was never granted, or one released
  // already) changes nothing: counting it would drop the interception while keys are held.
  if (!platform_->UnregisterHotKey(watched_window, id)) return false;
  --hot_key_registration_count_;
  if (hot_key_registration_count_ == 0 && intercepting_) {
    platform_->StopIntercepting();
    intercepting_ = false;
  }
  return true;
}

void HotKeyService::HotKeyProcedure(int32_t id) {
  // Only identifiers this service handed out are ours; anything else just goes on.
  if (id < kFirstHotKeyId || id > last_hot_key_id_ || !notifier_) return;
  // Synchronous: the handler has finished before the message goes on.
  notifier_(hot_key_target_, id, 0);
}

}  // namespace rc
