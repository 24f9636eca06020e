#include "services/hotkeys/hot_keys.h"

#include <QCoreApplication>
#include <QWidget>

#include <memory>

#include "forms/messages.h"

namespace rc {

HotKeyService& DefaultHotKeyService() {
  static HotKeyService service(CreateHotKeyPlatform(), SendHotKeyNotification);
  return service;
}

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
  return DefaultHotKeyService().Register(watched_window, target, modifier_code, key_code);
}

void LetTextBoxesTypeHotKeys(bool on) { DefaultHotKeyService().LetTextBoxesType(on); }

bool UnregisterGlobalHotKey(NativeHandle watched_window, int32_t id) {
  return DefaultHotKeyService().Unregister(watched_window, id);
}

}  // namespace rc
