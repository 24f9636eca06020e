// Global shortcuts that the desktop itself binds, through the desktop portal's GlobalShortcuts
// interface: the way to keys that reach this program in a Wayland session, where no program
// may grab keys for itself.
//
// The desktop decides: it may bind the preferred key, another one, or none (a bare letter is
// often refused, or the teacher is asked in a dialog of the desktop). Every call comes from the
// user-interface thread, after the QApplication exists.
#ifndef ROLLCALL_SERVICES_HOTKEYS_DESKTOP_SHORTCUTS_H_
#define ROLLCALL_SERVICES_HOTKEYS_DESKTOP_SHORTCUTS_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/text.h"

namespace rc {

// One shortcut the program asks the desktop for.
struct DesktopShortcut {
  std::string id;      // the desktop keeps the teacher's choice under it: "roll"
  Text description;    // what the desktop shows beside the key in its settings
  int32_t key_code;    // the virtual-key code of the preferred key (a letter), pressed alone
};

// What the desktop answered.
struct DesktopShortcutBinding {
  // Whether the desktop was asked at all: only in a Wayland session.
  bool asked = false;
  // The desktop's own name of each shortcut's key ("Ctrl+Alt+C"), in the order asked; empty
  // for a shortcut it did not bind, and all empty when the portal is missing or refuses.
  std::vector<Text> triggers;
};

// True in a Wayland session (WAYLAND_DISPLAY is set, or XDG_SESSION_TYPE is "wayland"),
// whatever platform Qt runs on.
bool IsWaylandSession();

// In a Wayland session: registers the program with the portal under `app_id` (the desktop
// entry's id) where the portal has a registry, creates a shortcut session and asks the
// desktop to bind `shortcuts`, waiting for its answer (the teacher may be choosing keys in a
// dialog of the desktop meanwhile). Outside a Wayland session nothing is asked. Call once.
// The session lives until the program ends; from then on DesktopShortcutBindsKey and
// SetDesktopShortcutHandler serve the hot keys.
DesktopShortcutBinding BindDesktopShortcuts(const std::string& app_id,
                                            const std::vector<DesktopShortcut>& shortcuts);

// Whether the desktop bound a key to the shortcut that stands for `key_code`.
bool DesktopShortcutBindsKey(int32_t key_code);

// `handler` is called with the key code of a shortcut each time the desktop reports it
// pressed, whether or not the desktop bound a key to it at start-up (the teacher may bind one
// in the desktop's settings later). An empty handler stops the calls.
void SetDesktopShortcutHandler(std::function<void(int32_t key_code)> handler);

}  // namespace rc

#endif  // ROLLCALL_SERVICES_HOTKEYS_DESKTOP_SHORTCUTS_H_
