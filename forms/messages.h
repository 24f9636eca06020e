// The two private messages of the runtime, as Qt event types.
//
// HotKeyNotifyMessage (0x8075) is sent synchronously to a label with
// QCoreApplication::sendEvent; the label raises its feedback event (kEventFeedback) with the
// two arguments and stores the handler's result in the event, so the sender reads it back
// after sendEvent returns (0 when no handler ran).
//
// ComboChoiceMessage (0xA711) is posted to a combo box by the runtime itself when the user
// confirms a list choice; the chosen event is raised when it arrives, after the combo box has
// finished its own handling.
#ifndef ROLLCALL_FORMS_MESSAGES_H_
#define ROLLCALL_FORMS_MESSAGES_H_

#include <QEvent>
#include <cstdint>

namespace rc::forms {

// Both numbers lie inside Qt's user event range (1000-65535), so they are used as they are.
constexpr QEvent::Type kHotKeyNotifyMessage = static_cast<QEvent::Type>(0x8075);
constexpr QEvent::Type kComboChoiceMessage = static_cast<QEvent::Type>(0xA711);

class HotKeyNotifyEvent : public QEvent {
 public:
  HotKeyNotifyEvent(int32_t first, int32_t second)
      : QEvent(kHotKeyNotifyMessage), first_(first), second_(second) {}
  int32_t first() const { return first_; }    // the message's word parameter
  int32_t second() const { return second_; }  // the message's long parameter
  int32_t result() const { return result_; }
  void set_result(int32_t result) { result_ = result; }

 private:
  int32_t first_;
  int32_t second_;
  int32_t result_ = 0;
};

class ComboChoiceEvent : public QEvent {
 public:
  ComboChoiceEvent() : QEvent(kComboChoiceMessage) {}
};

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_MESSAGES_H_
