#include "forms/balloon/balloon_settings.h"

#include <string>

namespace rc {
namespace {

// One rule per line, exactly as a balloon tip stores it.
constexpr const char* kDefaultStyleSheetRules[] = {
    R"(body {font-size: 9pt; color:black; font-family:"宋体",Verdana})",
    R"(p  {font-size: 9pt; color:black; font-family:"宋体",Verdana})",
    R"(h1 {font-size: 14pt; color:black; font-family:"宋体",Verdana; font-weight:bold})",
    R"(h2 {font-size: 13pt; color:#ff9900; font-family:"宋体",Verdana; font-weight:bold})",
    R"(h3 {font-size: 12pt; color:#ff9900; font-family:"宋体",Arial; font-weight:bold})",
    R"(h4 {font-size: 10pt; color:black; font-family:"宋体",Verdana; font-weight:bold})",
    R"(h5 {font-size: 9pt; color:#ff9900; font-family:"宋体",Verdana; font-weight:bold})",
    R"(h6 {font-size: 65%; color:#626262; font-family:"宋体",Verdana; font-weight:normal})",
    R"(pre {font-size: 9pt; font-family:"宋体","Courier"; background-color:#fbedbb})",
    R"(code {color:#990000; font-family:"宋体",Arial})",
    R"(a:link {text-decoration:none; color:blue})",
    R"(a:hover {text-decoration:underline; color:blue})",
    R"(sub {font-size:65%; vertical-align:bottom})",
    R"(sup {font-size:65%; vertical-align:top})",
    R"(big {font-size:125%})",
    R"(small {font-size:75%})",
    R"(.comment {color:green})",
};

}  // namespace

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

Text DefaultBalloonStyleSheet() {
  std::string utf8;
  for (const char* rule : kDefaultStyleSheetRules) {
    utf8 += rule;
    utf8 += "\r\n";
  }
  return Text::FromUtf8(utf8);
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
