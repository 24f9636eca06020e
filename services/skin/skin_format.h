// The skin file: our own small binary format, read by the skin engine and written at build
// time by skin_pack from a readable source (classroom.skin).
//
// All integers are little-endian.
//
//   OFFSET  SIZE   DESCRIPTION
//   0       4      magic "RCSK"
//   4       2      format version (kSkinVersion)
//   6       2      entry count N
//   8       4      total length of the skin in bytes, trailer included
//   12      8 * N  entries, each:
//                    +0  2  key (SkinKey)
//                    +2  2  reserved, 0
//                    +4  4  value: a colour as 0x00RRGGBB, or a size in pixels
//   12+8N   4      checksum: FNV-1a (32 bits) of every byte before it
//
// Keys may come in any order; a key the reader does not know is skipped, so a newer skin
// still loads in an older engine. A key given twice keeps its last value. A key that the
// skin leaves out keeps the engine's default.
#ifndef ROLLCALL_SERVICES_SKIN_SKIN_FORMAT_H_
#define ROLLCALL_SERVICES_SKIN_SKIN_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rc {

inline constexpr char kSkinMagic[4] = {'R', 'C', 'S', 'K'};
inline constexpr uint16_t kSkinVersion = 1;
inline constexpr size_t kSkinHeaderSize = 12;
inline constexpr size_t kSkinEntrySize = 8;
inline constexpr size_t kSkinTrailerSize = 4;
// More entries than this is no skin of ours; it bounds the work on a damaged length.
inline constexpr size_t kSkinMaxEntries = 1024;

enum class SkinKey : uint16_t {
  // Colours (0x00RRGGBB).
  kWindow = 0x0001,            // window and label background
  kWindowText = 0x0002,        // text drawn on the window background
  kBase = 0x0003,              // background of edit boxes, lists and combo boxes
  kAlternateBase = 0x0004,     // every other row of a list
  kText = 0x0005,              // text in edit boxes, lists and combo boxes
  kButton = 0x0006,            // button face
  kButtonText = 0x0007,        // button caption
  kHighlight = 0x0008,         // selected row or text
  kHighlightedText = 0x0009,   // text on the selection
  kToolTipBase = 0x000A,       // tool tip background
  kToolTipText = 0x000B,       // tool tip text
  kFrame = 0x000C,             // outlines of buttons, boxes and frames
  kButtonHover = 0x000D,       // button face under the mouse
  kButtonPressed = 0x000E,     // button face while pressed
  kDisabledText = 0x000F,      // text of disabled controls
  kAccent = 0x0010,            // focus ring and the outline of the default button
  kHeader = 0x0011,            // list header sections
  // Sizes in pixels.
  kCornerRadius = 0x0101,      // rounding of buttons and boxes
  kFrameWidth = 0x0102,        // width of outlines
};

struct SkinEntry {
  SkinKey key;
  uint32_t value;
  friend bool operator==(const SkinEntry&, const SkinEntry&) = default;
};

uint32_t SkinChecksum(const uint8_t* data, size_t size);

// Writes the entries in the stored layout.
std::vector<uint8_t> EncodeSkin(const std::vector<SkinEntry>& entries);

// Reads a skin. Returns nothing, and *error says why, when the bytes are not a whole,
// undamaged skin of a version this reader knows.
std::optional<std::vector<SkinEntry>> DecodeSkin(const uint8_t* data, size_t size,
                                                 std::string* error);

// The readable source: one "name = value" per line; a line starting with "#" is a comment.
// Colours are written "#RRGGBB", sizes as decimal numbers from 0 to 64. Names are the keys
// above without the "k" ("Window", "ButtonText", "CornerRadius"). Returns nothing, and
// *error names the line, on a line it cannot read.
std::optional<std::vector<SkinEntry>> ParseSkinSource(std::string_view source,
                                                      std::string* error);

}  // namespace rc

#endif  // ROLLCALL_SERVICES_SKIN_SKIN_FORMAT_H_
