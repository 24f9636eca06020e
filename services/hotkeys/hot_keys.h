// The global hot-key commands: keys that reach this program whatever program has the focus.
// A press of a registered key is sent synchronously to the target label as the hot-key
// notification message (forms/messages.h), which the label turns into its feedback event with
// (identifier, 0); the press then goes on to Qt as before.
//
// Works on X11, and in a Wayland session for the keys the desktop bound as global shortcuts
// (desktop_shortcuts.h). Elsewhere (offscreen, Qt's Wayland platform without shortcuts) every
// registration is refused and returns 0, as when another program holds the key. Every call
// comes from the user-interface thread, after the QApplication exists.
#ifndef ROLLCALL_SERVICES_HOTKEYS_HOT_KEYS_H_
#define ROLLCALL_SERVICES_HOTKEYS_HOT_KEYS_H_

#include <cstdint>

#include "services/hotkeys/hot_key_platform.h"
#include "services/hotkeys/hot_key_service.h"

namespace rc {

// Registers the key `key_code` (a virtual-key code, e.g. 0x43 for C) held with the modifiers
// of `modifier_code` (0 none, 1 Ctrl, 2 Shift, 3 Ctrl+Shift, 4 Alt, 5 Alt+Ctrl, 6 Alt+Shift,
// other values are the system's modifier bits) for `watched_window`; presses go to `target`.
// Returns the key's identifier (kFirstHotKeyId for the first attempt, then one more per
// attempt), or 0 when the system refused the key.
[[nodiscard]] int32_t RegisterGlobalHotKey(NativeHandle watched_window, NativeHandle target,
                                           int32_t modifier_code, int32_t key_code);

// Releases the key `id` of `watched_window`. True when the key was released.
[[nodiscard]] bool UnregisterGlobalHotKey(NativeHandle watched_window, int32_t id);

// While `on`, the registered keys type into the program's own text boxes when one of them
// has the keyboard focus, and are hot keys again as soon as the focus leaves them; other
// programs lose the keys as before. Off at start.
void LetTextBoxesTypeHotKeys(bool on);

// Sends the notification synchronously to the widget whose native handle is `target` (a
// label of the form runtime raises its feedback event with the two arguments) and returns the
// handler's result; 0 when no handler ran or `target` names no widget of this program.
int32_t SendHotKeyNotification(NativeHandle target, int32_t first, int32_t second);

// The program's one service, on the platform of the running application and with
// SendHotKeyNotification, made when first needed: the platform can only be chosen once the
// application exists. Tests and benchmarks build their own HotKeyService with their fakes.
HotKeyService& DefaultHotKeyService();

}  // namespace rc

#endif  // ROLLCALL_SERVICES_HOTKEYS_HOT_KEYS_H_
