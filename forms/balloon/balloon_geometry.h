// Where a balloon goes and what shape it has: a rounded body and a pointer whose tip lies
// exactly on the anchor point, on the side of the anchor that keeps the balloon on screen.
#ifndef ROLLCALL_FORMS_BALLOON_BALLOON_GEOMETRY_H_
#define ROLLCALL_FORMS_BALLOON_BALLOON_GEOMETRY_H_

#include <QPainterPath>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QRegion>
#include <QSize>

#include "forms/balloon/balloon_settings.h"

namespace rc {

// Text never touches the edge, even with the rectangular shape's margin of 0.
inline constexpr int kMinBalloonPadding = 3;

struct BalloonGeometry {
  QRect frame;       // the whole window, in screen coordinates
  QRect body;        // the rounded body, in window coordinates
  QRect text;        // where the text goes, in window coordinates
  QPoint tip;        // the pointer's tip, in window coordinates: frame.topLeft() + tip is the anchor
  QPolygon pointer;  // the pointer, in window coordinates; empty for a shape without one
  int corner_width = 0;
  int corner_height = 0;
  bool below = true;     // the body lies below the anchor (pointer on its top edge)
  bool to_right = true;  // the body extends to the right of the anchor

  // The outline of body and pointer together, in window coordinates (pixel edges).
  QPainterPath Outline() const;
  // The pixels of the window that belong to the balloon.
  QRegion Mask() const;
  // The mask without its outermost pixels, which are drawn as the balloon's outline.
  QRegion Interior() const;
};

// The placement style picks the side tried first: style % 4 is 0 below and to the right of
// the anchor, 1 below and to the left, 2 above and to the right, 3 above and to the left.
// A side that would leave the screen is swapped for the opposite one when that fits better.
BalloonGeometry LayoutBalloon(QSize text_size, QPoint anchor, const QRect& screen,
                              const BalloonShape& shape, int32_t placement_style);

}  // namespace rc

#endif  // ROLLCALL_FORMS_BALLOON_BALLOON_GEOMETRY_H_
