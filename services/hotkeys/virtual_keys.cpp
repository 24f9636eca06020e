#include "services/hotkeys/virtual_keys.h"

#include <xcb/xproto.h>

#include "services/hotkeys/hot_key_platform.h"

namespace rc {
namespace {

struct KeyPair {
  int32_t key_code;
  uint32_t key_symbol;
};

// Keys outside the letter, digit, keypad-digit and function-key runs.
constexpr KeyPair kSingleKeys[] = {
    {0x08, 0xFF08},  // Backspace
    {0x09, 0xFF09},  // Tab
    {0x0D, 0xFF0D},  // Return
    {0x13, 0xFF13},  // Pause
    {0x1B, 0xFF1B},  // Escape
    {0x20, 0x0020},  // space
    {0x21, 0xFF55},  // Prior
    {0x22, 0xFF56},  // Next
    {0x23, 0xFF57},  // End
    {0x24, 0xFF50},  // Home
    {0x25, 0xFF51},  // Left
    {0x26, 0xFF52},  // Up
    {0x27, 0xFF53},  // Right
    {0x28, 0xFF54},  // Down
    {0x2C, 0xFF61},  // Print
    {0x2D, 0xFF63},  // Insert
    {0x2E, 0xFFFF},  // Delete
    {0x6A, 0xFFAA},  // KP_Multiply
    {0x6B, 0xFFAB},  // KP_Add
    {0x6D, 0xFFAD},  // KP_Subtract
    {0x6E, 0xFFAE},  // KP_Decimal
    {0x6F, 0xFFAF},  // KP_Divide
    {0xBA, 0x003B},  // semicolon
    {0xBB, 0x003D},  // equal
    {0xBC, 0x002C},  // comma
    {0xBD, 0x002D},  // minus
    {0xBE, 0x002E},  // period
    {0xBF, 0x002F},  // slash
    {0xC0, 0x0060},  // grave
    {0xDB, 0x005B},  // bracketleft
    {0xDC, 0x005C},  // backslash
    {0xDD, 0x005D},  // bracketright
    {0xDE, 0x0027},  // apostrophe
};

}  // namespace

std::optional<uint32_t> KeySymbolOfVirtualKey(int32_t key_code) {
  if (key_code >= 0x30 && key_code <= 0x39) return static_cast<uint32_t>(key_code);
  if (key_code >= 0x41 && key_code <= 0x5A) return static_cast<uint32_t>(key_code + 0x20);
  if (key_code >= 0x60 && key_code <= 0x69) return 0xFFB0u + static_cast<uint32_t>(key_code - 0x60);
  if (key_code >= 0x70 && key_code <= 0x87) return 0xFFBEu + static_cast<uint32_t>(key_code - 0x70);
  for (const KeyPair& pair : kSingleKeys) {
    if (pair.key_code == key_code) return pair.key_symbol;
  }
  return std::nullopt;
}

std::optional<uint16_t> ModifierMaskOfBits(uint32_t modifier_bits) {
  if (modifier_bits & ~(kModAlt | kModControl | kModShift | kModWin)) return std::nullopt;
  uint16_t mask = 0;
  if (modifier_bits & kModAlt) mask |= XCB_MOD_MASK_1;
  if (modifier_bits & kModControl) mask |= XCB_MOD_MASK_CONTROL;
  if (modifier_bits & kModShift) mask |= XCB_MOD_MASK_SHIFT;
  if (modifier_bits & kModWin) mask |= XCB_MOD_MASK_4;
  return mask;
}

}  // namespace rc
