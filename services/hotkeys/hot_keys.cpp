#include "services/hotkeys/hot_keys.h"

#include <QCoreApplication>
#include <QWidget>

#include <memory>
#include <utility>

#include "forms/messages.h"

namespace rc {
namespace {

HotKeyNotifier DefaultNotifier() { return SendHotKeyNotification; }

// The service's process-wide state, made when it is first needed: the platform can only be
// chosen once the application exists.
HotKeyService& Service() {
  static HotKeyService service(CreateHotKeyPlatform(), DefaultNotifier());
  return service;
}

}  // namespace

int32_t SendHotKeyNotification(NativeHandle target, int32_t first, int32_t second) {
  QWidget* widget = QWidget::find(static_cast<WId>(target));
  if (!widget) return 0;
  // The label handles it as its feedback event and leaves the handler's result in the event.
  forms::HotKeyNotifyEvent event(first, second);
  QCoreApplication::sendEvent(widget, &event);
  return event.result();
}

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
