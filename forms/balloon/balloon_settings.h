// The stored settings that shape a balloon tip: colours, background effect, placement,
// delays, the nine shape sizes, text colour and style sheet. A balloon tip control holds one
// of these, decoded from its definition; a control without property data holds the defaults.
#ifndef ROLLCALL_FORMS_BALLOON_BALLOON_SETTINGS_H_
#define ROLLCALL_FORMS_BALLOON_BALLOON_SETTINGS_H_

#include <array>
#include <cstdint>

#include "core/text.h"
#include "forms/balloon_style_sheet.h"

namespace rc {

// Colours are stored as 0x00BBGGRR; this value means "the system's colour for the element".
inline constexpr uint32_t kSystemColor = 0xFF000000;

// The nine stored shape sizes, with the meaning this balloon gives them. The balloon set
// (16, 16, 12, 12, 12, 16, 16, 0, 0) gives a rounded balloon with a pointer; the rectangular
// set (0, 0, 3, 1, 0, 0, 0, 0, 0) a box with nearly square corners and no pointer.
struct BalloonShape {
  int32_t pointer_length = 16;  // how far the pointer's tip stands off the body
  int32_t pointer_width = 16;   // width of the pointer where it meets the body
  int32_t corner_width = 12;    // horizontal radius of the rounded corners
  int32_t corner_height = 12;   // vertical radius of the rounded corners
  int32_t margin = 12;          // space between the body's edge and the text
  int32_t pointer_offset = 16;  // distance from the body's side to the pointer's tip
  // Three further sizes, carried as stored; nothing here depends on them.
  std::array<int32_t, 3> carried = {16, 0, 0};

  static BalloonShape FromStored(const std::array<int32_t, 9>& sizes);
  std::array<int32_t, 9> ToStored() const;
};

struct BalloonSettings {
  // First and second colour: the body's colours (a gradient runs from the first to the
  // second); third and fourth: the middle colours of the three-colour effects.
  std::array<uint32_t, 4> colors = {kSystemColor, kSystemColor, 0xC0C0FF, 0xFFC0C0};
  int32_t effect = 0;            // BalloonEffect
  int32_t effect_parameter = 5;  // carried; no effect drawn here uses it
  int32_t placement_style = 9;   // 0 to 11, see BalloonPlacement in balloon_geometry.h
  int32_t transparency = 10;     // percent, 0 to 100: the tip's own level when it fades
  int32_t initial_delay_ms = 600;
  int32_t display_time_ms = 3000;
  int32_t fade_in_interval_ms = 0;   // 0: no fade-in
  int32_t fade_out_interval_ms = 0;  // 0: no fade-out
  uint32_t text_color = kSystemColor;
  BalloonShape shape;
  Text style_sheet;  // CR LF-separated rules; see DefaultBalloonStyleSheet()
};

// The background effects, in stored order. Values past the last one draw as kSolid.
enum class BalloonEffect : int32_t {
  kSolid = 0,
  kHorizontalGradient = 1,
  kVerticalGradient = 2,
  kHorizontalCentreGradient = 3,
  kVerticalCentreGradient = 4,
  kThreeColourHorizontalGradient = 5,
  kThreeColourVerticalGradient = 6,
};

using forms::DefaultBalloonStyleSheet;

// The settings of a balloon tip without property data.
BalloonSettings DefaultBalloonSettings();

// The settings stored for the main window's tip: light-yellow balloon, black text.
BalloonSettings MainWindowBalloonSettings();

}  // namespace rc

#endif  // ROLLCALL_FORMS_BALLOON_BALLOON_SETTINGS_H_
