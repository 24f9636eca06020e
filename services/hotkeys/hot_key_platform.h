// The operating-system side of the global hot keys, behind a small interface so that the
// service's bookkeeping can be tested without a display.
#ifndef ROLLCALL_SERVICES_HOTKEYS_HOT_KEY_PLATFORM_H_
#define ROLLCALL_SERVICES_HOTKEYS_HOT_KEY_PLATFORM_H_

#include <cstdint>
#include <functional>
#include <memory>

#include "services/native_handle.h"

namespace rc {

// Modifier bits as the hot-key service passes them to the system.
inline constexpr uint32_t kModAlt = 1;
inline constexpr uint32_t kModControl = 2;
inline constexpr uint32_t kModShift = 4;
inline constexpr uint32_t kModWin = 8;

class HotKeyPlatform {
 public:
  // Called with the identifier of a registered key each time it is pressed: the system's
  // hot-key message as the watched window would see it.
  using HotKeyMessageHandler = std::function<void(int32_t id)>;

  virtual ~HotKeyPlatform() = default;

  // Asks the system for the key `key_code` (a virtual-key code) held with `modifier_bits`,
  // system-wide, under the identifier `id` for `window`. False when the system refuses:
  // another program holds that key, the key does not exist, or the bits are unknown.
  virtual bool RegisterHotKey(NativeHandle window, int32_t id, uint32_t modifier_bits,
                              int32_t key_code) = 0;
  // Gives the key back. False when `window` holds no key under `id`.
  virtual bool UnregisterHotKey(NativeHandle window, int32_t id) = 0;

  // Puts `handler` in front of `window`'s own message handling: it sees every hot-key message
  // first, then the message goes on as before. Returns false when nothing can be intercepted.
  virtual bool Intercept(NativeHandle window, HotKeyMessageHandler handler) = 0;
  // Takes the handler out again; messages reach the window as they did before.
  virtual void StopIntercepting() = 0;

  // While `on`, a registered key pressed while a text box of this program has the keyboard
  // focus types into that box and gives no hot-key message; the keys of other programs are
  // taken as before. Off when the platform is made.
  virtual void LetTextBoxesType(bool on) = 0;
};

// The platform of the running application: X11 when the application runs on the xcb
// platform, otherwise one that refuses every key; in a Wayland session the desktop's global
// shortcuts (desktop_shortcuts.h) come first. Needs a QGuiApplication.
std::unique_ptr<HotKeyPlatform> CreateHotKeyPlatform();

}  // namespace rc

#endif  // ROLLCALL_SERVICES_HOTKEYS_HOT_KEY_PLATFORM_H_
