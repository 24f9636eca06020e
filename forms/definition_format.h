// The stored layout of the window-definition block that the program carries. All integers
// are 32-bit little-endian. A counted text or byte set is a 32-bit length followed by that
// many bytes (no terminator); a zero-terminated text ends with a 0 byte.
//
//   OFFSET  SIZE        DESCRIPTION
//   0       4           B: byte count of the window table (8 per window)
//   4       B/2         window identifiers
//   4+B/2   B/2         run-time slots, stored as 0 and ignored when read
//   ...                 for each window, in table order:
//           4 + 4         two values carried unchanged
//           counted x 2   two texts carried unchanged
//           4             C: item count (item 0 is the window itself)
//           4             byte size of the rest of the item list
//           C x 4         item identifiers
//           C x 4         item offsets, relative to the end of the offset table
//           ...           the items, each a 32-bit length then that many item bytes
//
// Control item bytes:
//   6 x 4      header: word 0 type id, word 1 id of the item copied (0), words 2-5 zero
//   z-text     name              z-text   comment
//   4          control object slot (0 stored)
//   4 x 4      left, top, width, height (signed)
//   4          reserved          4        container id (0 = the window)
//   4 + n x 4  child count and child ids
//   byte set   cursor (4 bytes holding 0 = default cursor)
//   z-text     tag               4        reserved
//   4          flags (bit 0 visible, bit 1 disabled, bit 2 tab stop)
//   4          tab order
//   4 + E x 8  event count, then (event index, handler reference; kNoHandler = none) pairs
//   20         reserved
//   rest       property data: version, then the type's fields; empty = the type's defaults
//
// Menu item bytes:
//   6 x 4      header (word 0 = kTypeMenuItem)
//   z-text     name              z-text   comment
//   4          shortcut key (0 = none)
//   4          level (0 = menu bar, 1 = entry)
//   4          flags (bit 0 hidden, bit 1 disabled, bit 2 check mark)
//   z-text     caption
//   4          handler reference (kNoHandler = none)
//   16         reserved
#ifndef ROLLCALL_FORMS_DEFINITION_FORMAT_H_
#define ROLLCALL_FORMS_DEFINITION_FORMAT_H_

#include <cstdint>

namespace rc::forms {

constexpr uint32_t kWindowTableEntrySize = 8;
constexpr int kItemHeaderWords = 6;
constexpr int kItemReservedTail = 20;
constexpr int kMenuItemReservedTail = 16;
constexpr int32_t kNoHandler = -1;

// Item flags.
constexpr uint32_t kFlagVisible = 1u << 0;
constexpr uint32_t kFlagDisabled = 1u << 1;
constexpr uint32_t kFlagTabStop = 1u << 2;

// Menu item flags.
constexpr uint32_t kMenuFlagHidden = 1u << 0;
constexpr uint32_t kMenuFlagDisabled = 1u << 1;
constexpr uint32_t kMenuFlagChecked = 1u << 2;

// Property data versions, one per control type.
constexpr uint32_t kWindowPropsVersion = 6;
constexpr uint32_t kLabelPropsVersion = 2;
constexpr uint32_t kButtonPropsVersion = 1;
constexpr uint32_t kEditPropsVersion = 2;
constexpr uint32_t kComboPropsVersion = 3;
constexpr uint32_t kTimerPropsVersion = 1;
constexpr uint32_t kGroupPropsVersion = 1;
constexpr uint32_t kListViewPropsVersion = 1;
constexpr uint32_t kTransparentLabelPropsVersion = 1;
constexpr uint32_t kBalloonTipPropsVersion = 1;
constexpr uint32_t kHtmlViewPropsVersion = 1;

// Size of a stored Windows LOGFONT: five 32-bit fields, eight bytes, a 32-byte face name.
constexpr int kLogFontSize = 60;
constexpr int kLogFontFaceOffset = 28;
constexpr int kLogFontFaceSize = 32;

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_DEFINITION_FORMAT_H_
