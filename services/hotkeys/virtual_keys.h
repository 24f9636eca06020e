// Virtual-key codes and modifier bits as the hot-key commands take them, translated to X11
// key symbols and modifier masks.
#ifndef ROLLCALL_SERVICES_HOTKEYS_VIRTUAL_KEYS_H_
#define ROLLCALL_SERVICES_HOTKEYS_VIRTUAL_KEYS_H_

#include <cstdint>
#include <optional>

namespace rc {

// The X11 key symbol of a virtual-key code: letters give the lower-case symbol (the key,
// not the character it types), digits, function keys, the keypad, the cursor block and the
// punctuation keys of a US layout. Empty for codes without a key symbol here.
std::optional<uint32_t> KeySymbolOfVirtualKey(int32_t key_code);

// The X11 modifier mask of the system's modifier bits (Alt 1, Control 2, Shift 4, Win 8).
// Empty when other bits are set, which the system refuses.
std::optional<uint16_t> ModifierMaskOfBits(uint32_t modifier_bits);

}  // namespace rc

#endif  // ROLLCALL_SERVICES_HOTKEYS_VIRTUAL_KEYS_H_
