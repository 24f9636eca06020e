#include "services/skin/skin_style.h"

#include <algorithm>

#include <QAbstractButton>
#include <QComboBox>
#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOption>

namespace rc {

namespace {

// Wide enough for the arrow to be hit and seen, narrow enough for short combo boxes.
constexpr int kComboArrowWidth = 13;

QColor FromRgb(uint32_t v) { return QColor((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF); }

}  // namespace

void SkinLook::Apply(const std::vector<SkinEntry>& entries) {
  for (const SkinEntry& e : entries) {
    switch (e.key) {
      case SkinKey::kWindow: window = FromRgb(e.value); break;
      case SkinKey::kWindowText: window_text = FromRgb(e.value); break;
      case SkinKey::kBase: base = FromRgb(e.value); break;
      case SkinKey::kAlternateBase: alternate_base = FromRgb(e.value); break;
      case SkinKey::kText: text = FromRgb(e.value); break;
      case SkinKey::kButton: button = FromRgb(e.value); break;
      case SkinKey::kButtonText: button_text = FromRgb(e.value); break;
      case SkinKey::kHighlight: highlight = FromRgb(e.value); break;
      case SkinKey::kHighlightedText: highlighted_text = FromRgb(e.value); break;
      case SkinKey::kToolTipBase: tool_tip_base = FromRgb(e.value); break;
      case SkinKey::kToolTipText: tool_tip_text = FromRgb(e.value); break;
      case SkinKey::kFrame: frame = FromRgb(e.value); break;
      case SkinKey::kButtonHover: button_hover = FromRgb(e.value); break;
      case SkinKey::kButtonPressed: button_pressed = FromRgb(e.value); break;
      case SkinKey::kDisabledText: disabled_text = FromRgb(e.value); break;
      case SkinKey::kAccent: accent = FromRgb(e.value); break;
      case SkinKey::kHeader: header = FromRgb(e.value); break;
      // Sizes are clamped: a damaged value must not make the controls unreadable.
      case SkinKey::kCornerRadius: corner_radius = static_cast<int>(std::min(e.value, 8u)); break;
      case SkinKey::kFrameWidth: frame_width = static_cast<int>(std::min(e.value, 3u)); break;
    }
  }
}

QPalette SkinLook::MakePalette() const {
  QPalette p;
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Window, window);
    p.setColor(group, QPalette::WindowText, window_text);
    p.setColor(group, QPalette::Base, base);
    p.setColor(group, QPalette::AlternateBase, alternate_base);
    p.setColor(group, QPalette::Text, text);
    p.setColor(group, QPalette::Button, button);
    p.setColor(group, QPalette::ButtonText, button_text);
    p.setColor(group, QPalette::BrightText, QColor(Qt::white));
    p.setColor(group, QPalette::Highlight, highlight);
    p.setColor(group, QPalette::HighlightedText, highlighted_text);
    p.setColor(group, QPalette::ToolTipBase, tool_tip_base);
    p.setColor(group, QPalette::ToolTipText, tool_tip_text);
    p.setColor(group, QPalette::PlaceholderText, disabled_text);
    p.setColor(group, QPalette::Link, accent);
    p.setColor(group, QPalette::LinkVisited, accent.darker(130));
    // The 3-D shades that the underlying style draws outlines and bevels with.
    p.setColor(group, QPalette::Light, QColor(Qt::white));
    p.setColor(group, QPalette::Midlight, window.lighter(103));
    p.setColor(group, QPalette::Mid, frame);
    p.setColor(group, QPalette::Dark, frame.darker(130));
    p.setColor(group, QPalette::Shadow, frame.darker(200));
  }
  p.setColor(QPalette::Disabled, QPalette::WindowText, disabled_text);
  p.setColor(QPalette::Disabled, QPalette::Text, disabled_text);
  p.setColor(QPalette::Disabled, QPalette::ButtonText, disabled_text);
  p.setColor(QPalette::Disabled, QPalette::Button, window);
  p.setColor(QPalette::Disabled, QPalette::Base, window);
  return p;
}

SkinStyle::SkinStyle(const SkinLook& look)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))), look_(look) {}

QPalette SkinStyle::standardPalette() const { return look_.MakePalette(); }

void SkinStyle::polish(QWidget* widget) {
  QProxyStyle::polish(widget);
  // Buttons and combo boxes light up under the mouse, so they need hover events.
  if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget)) {
    widget->setAttribute(Qt::WA_Hover, true);
  }
}

void SkinStyle::DrawBox(const QRect& rect, const QColor& fill, const QColor& outline,
                        QPainter* painter) const {
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, look_.corner_radius > 0);
  const qreal half = look_.frame_width / 2.0;
  const QRectF box = QRectF(rect).adjusted(half, half, -half, -half);
  painter->setPen(look_.frame_width > 0 ? QPen(outline, look_.frame_width) : QPen(Qt::NoPen));
  painter->setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
  if (look_.corner_radius > 0) {
    painter->drawRoundedRect(box, look_.corner_radius, look_.corner_radius);
  } else {
    painter->drawRect(box);
  }
  painter->restore();
}

void SkinStyle::DrawButtonPanel(const QStyleOption* option, QPainter* painter,
                                bool is_default) const {
  const QStyle::State state = option->state;
  QColor fill = look_.button;
  if (!(state & State_Enabled)) {
    fill = look_.window;
  } else if (state & (State_Sunken | State_On)) {
    fill = look_.button_pressed;
  } else if (state & State_MouseOver) {
    fill = look_.button_hover;
  }
  const bool focused = (state & State_HasFocus) && (state & State_Enabled);
  DrawBox(option->rect, fill, focused || is_default ? look_.accent : look_.frame, painter);
}

void SkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                              QPainter* painter, const QWidget* widget) const {
  switch (element) {
    case PE_PanelButtonCommand: {
      const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
      DrawButtonPanel(option, painter,
                      button && (button->features & QStyleOptionButton::DefaultButton));
      return;
    }
    case PE_PanelButtonBevel:
      DrawButtonPanel(option, painter, false);
      return;
    case PE_FrameFocusRect:
      // A push button shows its focus by its accent outline, which small buttons have room
      // for; a dotted rectangle inside a 16-pixel button would cover its caption.
      if (qobject_cast<const QPushButton*>(widget)) return;
      break;
    case PE_PanelLineEdit: {
      const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
      const bool focused = option->state & State_HasFocus;
      const QColor fill = (option->state & State_Enabled) ? look_.base : look_.window;
      if (frame && frame->lineWidth > 0) {
        DrawBox(option->rect, fill, focused ? look_.accent : look_.frame, painter);
      } else {
        painter->fillRect(option->rect, fill);
      }
      return;
    }
    case PE_FrameLineEdit:
      DrawBox(option->rect, QColor(),
              (option->state & State_HasFocus) ? look_.accent : look_.frame, painter);
      return;
    case PE_FrameGroupBox:
      DrawBox(option->rect, QColor(), look_.frame, painter);
      return;
    default:
      break;
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void SkinStyle::drawControl(ControlElement element, const QStyleOption* option,
                            QPainter* painter, const QWidget* widget) const {
  if (element == CE_HeaderEmptyArea) {
    // The strip right of the last column continues the header.
    painter->fillRect(option->rect, look_.header);
    painter->save();
    painter->setPen(look_.frame);
    painter->drawLine(option->rect.bottomLeft(), option->rect.bottomRight());
    painter->restore();
    return;
  }
  if (element == CE_HeaderSection) {
    painter->fillRect(option->rect, (option->state & State_Sunken) ? look_.button_pressed
                                                                   : look_.header);
    painter->save();
    painter->setPen(look_.frame);
    painter->drawLine(option->rect.bottomLeft(), option->rect.bottomRight());
    painter->drawLine(option->rect.topRight(), option->rect.bottomRight());
    painter->restore();
    return;
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

QRect SkinStyle::subElementRect(SubElement element, const QStyleOption* option,
                                const QWidget* widget) const {
  if (element == SE_PushButtonContents || element == SE_PushButtonFocusRect) {
    // Only the outline is taken from the caption's room, so that the 16-pixel arrow
    // buttons still show their arrows whole.
    const int inset = look_.frame_width;
    return option->rect.adjusted(inset, inset, -inset, -inset);
  }
  return QProxyStyle::subElementRect(element, option, widget);
}

QRect SkinStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                SubControl sub_control, const QWidget* widget) const {
  if (control == CC_ComboBox && (sub_control == SC_ComboBoxArrow ||
                                 sub_control == SC_ComboBoxEditField)) {
    // The class combo box is only 72 pixels wide: a slim arrow and a one-pixel frame leave
    // its text the room for a whole class name such as "九（1）班".
    const QRect r = option->rect;
    const int frame = std::max(look_.frame_width, 1);
    const int arrow = std::min(kComboArrowWidth, r.width() / 2);
    QRect rect = sub_control == SC_ComboBoxArrow
                     ? QRect(r.right() - arrow + 1, r.top(), arrow, r.height())
                     : QRect(r.left() + frame, r.top() + frame, r.width() - arrow - frame,
                             r.height() - 2 * frame);
    return visualRect(option->direction, r, rect);
  }
  return QProxyStyle::subControlRect(control, option, sub_control, widget);
}

int SkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                           const QWidget* widget) const {
  switch (metric) {
    case PM_ButtonShiftHorizontal:
    case PM_ButtonShiftVertical:
      return 0;
    case PM_ButtonMargin:
      return 4;
    default:
      return QProxyStyle::pixelMetric(metric, option, widget);
  }
}

}  // namespace rc
