#include "forms/balloon/balloon_settings.h"

namespace rc {

BalloonShape BalloonShape::FromStored(const std::array<int32_t, 9>& sizes) {
  BalloonShape shape;
  shape.pointer_length = sizes[0];
  shape.pointer_width = sizes[1];
  shape.corner_width = sizes[2];
  shape.corner_height = sizes[3];
  shape.margin = sizes[4];
  shape.pointer_offset = sizes[5];
  shape.carried = {sizes[6], sizes[7], sizes[8]};
  return shape;
}

std::array<int32_t, 9> BalloonShape::ToStored() const {
  return {pointer_length, pointer_width, corner_width, corner_height, margin,
          pointer_offset, carried[0],    carried[1],   carried[2]};
}

BalloonSettings DefaultBalloonSettings() {
  BalloonSettings settings;
  settings.style_sheet = DefaultBalloonStyleSheet();
  return settings;
}

BalloonSettings MainWindowBalloonSettings() {
  BalloonSettings settings = DefaultBalloonSettings();
  settings.colors = {0xE1FFFF, 0xE1FFFF, 0xC0C0FF, 0xFFC0C0};
  settings.effect = 0;
  settings.effect_parameter = 5;
  settings.placement_style = 0;
  settings.transparency = 10;
  settings.text_color = 0x000000;
  return settings;
}

}  // namespace rc
