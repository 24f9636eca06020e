// The hot keys of a Wayland session: a key that the desktop bound as a global shortcut is
// delivered from there; any other key falls back to the platform underneath (X11 grabs through
// Xwayland, which work only while an X11 program has the focus).
#ifndef ROLLCALL_SERVICES_HOTKEYS_DESKTOP_HOT_KEY_PLATFORM_H_
#define ROLLCALL_SERVICES_HOTKEYS_DESKTOP_HOT_KEY_PLATFORM_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "services/hotkeys/hot_key_platform.h"

namespace rc {

// The desktop's shortcuts as the platform needs them (DesktopShortcutBindsKey and
// SetDesktopShortcutHandler in the program; a fake in tests).
class DesktopShortcutSource {
 public:
  virtual ~DesktopShortcutSource() = default;
  virtual bool BindsKey(int32_t key_code) const = 0;
  virtual void SetHandler(std::function<void(int32_t key_code)> handler) = 0;
};

// A key pressed alone that the desktop bound is registered with the desktop only: an X11 grab
// beside it would deliver one press twice when both see it. A shortcut press reaches the
// handler of Intercept exactly as the system's hot-key message would, with the identifier
// registered for its key. Not thread-safe.
class DesktopHotKeyPlatform : public HotKeyPlatform {
 public:
  DesktopHotKeyPlatform(std::unique_ptr<HotKeyPlatform> fallback,
                        std::unique_ptr<DesktopShortcutSource> shortcuts);
  ~DesktopHotKeyPlatform() override;

  bool RegisterHotKey(NativeHandle window, int32_t id, uint32_t modifier_bits,
                      int32_t key_code) override;
  bool UnregisterHotKey(NativeHandle window, int32_t id) override;
  bool Intercept(NativeHandle window, HotKeyMessageHandler handler) override;
  void StopIntercepting() override;
  // Only the grabbed keys can be given back to a text box; the desktop's shortcuts reach the
  // program whatever has the focus.
  void LetTextBoxesType(bool on) override { fallback_->LetTextBoxesType(on); }

 private:
  struct Key {
    NativeHandle window;
    int32_t id;
    int32_t key_code;
    bool from_desktop;  // registered with the desktop alone, not with the fallback
  };

  void OnShortcut(int32_t key_code);

  std::unique_ptr<HotKeyPlatform> fallback_;
  std::unique_ptr<DesktopShortcutSource> shortcuts_;
  std::vector<Key> keys_;
  HotKeyMessageHandler handler_;
};

// The desktop's shortcuts of this process (BindDesktopShortcuts).
std::unique_ptr<DesktopShortcutSource> ProcessDesktopShortcuts();

}  // namespace rc

#endif  // ROLLCALL_SERVICES_HOTKEYS_DESKTOP_HOT_KEY_PLATFORM_H_
