#include "services/hotkeys/hot_keys.h"

#include <memory>
#include <utility>

namespace rc {
namespace {

HotKeyNotifier DefaultNotifier() {
  return [](NativeHandle, int32_t, int32_t) { return 0; };
}

// The service's process-wide state, made when it is first needed: the platform can only be
// chosen once the application exists.
HotKeyService& Service() {
  static HotKeyService service(CreateHotKeyPlatform(), DefaultNotifier());
  return service;
}

}  // namespace

int32_t RegisterGlobalHotKey(NativeHandle watched_window, NativeHandle target,
                             int32_t modifier_code, int32_t key_code) {
  return Service().Register(watched_window, target, modifier_code, key_code);
}

bool UnregisterGlobalHotKey(NativeHandle watched_window, int32_t id) {
  return Service().Unregister(watched_window, id);
}

void SetHotKeyNotifier(HotKeyNotifier notifier) {
  Service().set_notifier(notifier ? std::move(notifier) : DefaultNotifier());
}

}  // namespace rc
