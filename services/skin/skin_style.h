// The skin engine's drawing: a style that draws buttons, edit fields, frames and focus in
// the colours and sizes of a skin, over the built-in Fusion style for everything else.
// Lives inside the engine library only.
#ifndef ROLLCALL_SERVICES_SKIN_SKIN_STYLE_H_
#define ROLLCALL_SERVICES_SKIN_SKIN_STYLE_H_

#include <QColor>
#include <QPalette>
#include <QProxyStyle>
#include <vector>

#include "services/skin/skin_format.h"

namespace rc {

// The look a skin describes; keys the skin leaves out keep these defaults.
struct SkinLook {
  QColor window{0xF5, 0xF7, 0xFA};
  QColor window_text{0x1A, 0x1A, 0x1A};
  QColor base{0xFF, 0xFF, 0xFF};
  QColor alternate_base{0xF0, 0xF4, 0xF8};
  QColor text{0x1A, 0x1A, 0x1A};
  QColor button{0xFF, 0xFF, 0xFF};
  QColor button_text{0x1A, 0x1A, 0x1A};
  QColor highlight{0x2B, 0x6C, 0xB0};
  QColor highlighted_text{0xFF, 0xFF, 0xFF};
  QColor tool_tip_base{0xFF, 0xFF, 0xE1};
  QColor tool_tip_text{0x00, 0x00, 0x00};
  QColor frame{0x8A, 0x9B, 0xAE};
  QColor button_hover{0xE6, 0xF0, 0xFA};
  QColor button_pressed{0xC8, 0xDC, 0xF0};
  QColor disabled_text{0x8C, 0x8C, 0x8C};
  QColor accent{0x2B, 0x6C, 0xB0};
  QColor header{0xE9, 0xEE, 0xF3};
  int corner_radius = 3;
  int frame_width = 1;

  // Applies the entries over the current values; unknown keys are skipped.
  void Apply(const std::vector<SkinEntry>& entries);
  QPalette MakePalette() const;
};

class SkinStyle : public QProxyStyle {
 public:
  explicit SkinStyle(const SkinLook& look);

  QPalette standardPalette() const override;
  void polish(QWidget* widget) override;
  using QProxyStyle::polish;

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
  QRect subElementRect(SubElement element, const QStyleOption* option,
                       const QWidget* widget) const override;
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                       SubControl sub_control, const QWidget* widget) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;

 private:
  void DrawButtonPanel(const QStyleOption* option, QPainter* painter, bool is_default) const;
  void DrawBox(const QRect& rect, const QColor& fill, const QColor& outline,
               QPainter* painter) const;

  SkinLook look_;
};

}  // namespace rc

#endif  // ROLLCALL_SERVICES_SKIN_SKIN_STYLE_H_
