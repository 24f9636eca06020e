#include "forms/balloon/balloon_geometry.h"

#include <algorithm>

namespace rc {

QPainterPath BalloonGeometry::Outline() const {
  QPainterPath outline;
  outline.addRoundedRect(QRectF(body), corner_width, corner_height);
  if (!pointer.isEmpty()) {
    QPainterPath pointer_path;
    pointer_path.addPolygon(QPolygonF(pointer));
    pointer_path.closeSubpath();
    outline = outline.united(pointer_path);
  }
  return outline.simplified();
}

QRegion BalloonGeometry::Mask() const {
  // A polygon's region holds the pixels whose centres lie inside it, which can miss the
  // single pixel at the pointer's tip; that pixel is the one that must touch the anchor.
  return QRegion(Outline().toFillPolygon().toPolygon(), Qt::WindingFill) +
         QRegion(QRect(tip, QSize(1, 1)));
}

QRegion BalloonGeometry::Interior() const {
  // The mask less every pixel that has a neighbour outside it: what is left after a
  // one-pixel outline is drawn exactly on the mask's edge.
  const QRegion mask = Mask();
  return mask & mask.translated(1, 0) & mask.translated(-1, 0) & mask.translated(0, 1) &
         mask.translated(0, -1);
}

BalloonGeometry LayoutBalloon(QSize text_size, QPoint anchor, const QRect& screen,
                              const BalloonShape& shape, int32_t placement_style) {
  BalloonGeometry g;
  const int padding = std::max(shape.margin, kMinBalloonPadding);
  const int pointer_length = std::max(shape.pointer_length, 0);
  const int pointer_width = pointer_length > 0 ? std::max(shape.pointer_width, 1) : 0;
  const int pointer_offset = std::max(shape.pointer_offset, 0);

  int body_width = std::max(text_size.width(), 0) + 2 * padding;
  const int body_height = std::max(text_size.height(), 0) + 2 * padding;
  g.corner_width = std::clamp(shape.corner_width, 0, body_width / 2);
  g.corner_height = std::clamp(shape.corner_height, 0, body_height / 2);
  // Leave room for the pointer between the corners.
  if (pointer_length > 0) {
    body_width = std::max(body_width, pointer_offset + pointer_width + g.corner_width + 1);
  }
  const QSize size(body_width, body_height + pointer_length);

  const int style = ((placement_style % 4) + 4) % 4;
  g.below = style < 2;
  g.to_right = style % 2 == 0;
  // The tip's distance from the body's near side: the pointer sits just past the corner.
  const int near = std::min(pointer_offset, body_width - 1);

  auto overflow_x = [&](bool to_right) {
    int left = to_right ? anchor.x() - near : anchor.x() - (body_width - 1 - near);
    int right = left + size.width();
    return std::max(0, screen.left() - left) + std::max(0, right - (screen.right() + 1));
  };
  auto overflow_y = [&](bool below) {
    int top = below ? anchor.y() : anchor.y() - (size.height() - 1);
    int bottom = top + size.height();
    return std::max(0, screen.top() - top) + std::max(0, bottom - (screen.bottom() + 1));
  };
  if (overflow_x(g.to_right) > overflow_x(!g.to_right)) g.to_right = !g.to_right;
  if (overflow_y(g.below) > overflow_y(!g.below)) g.below = !g.below;

  const int body_top = g.below ? pointer_length : 0;
  g.body = QRect(0, body_top, body_width, body_height);
  g.text = g.body.adjusted(padding, padding, -padding, -padding);
  int tip_x = g.to_right ? near : body_width - 1 - near;
  if (pointer_length > 0) {
    // Slide the pointer along the body rather than let the balloon leave the screen, as
    // far as the body reaches.
    const int lowest = std::max(0, anchor.x() - (screen.right() + 1 - size.width()));
    const int highest = std::min(body_width - 1, anchor.x() - screen.left());
    if (lowest <= highest) tip_x = std::clamp(tip_x, lowest, highest);
    g.tip = QPoint(tip_x, g.below ? 0 : size.height() - 1);
    // One edge of the pointer stands straight up from the body, the other slants to it,
    // towards the body's middle.
    const bool slant_right = g.to_right ? tip_x + pointer_width < body_width
                                        : tip_x - pointer_width < 0;
    const int base_far = slant_right ? tip_x + pointer_width : tip_x - pointer_width;
    // The base reaches a pixel into the body so that the two join without a seam.
    const int base_y = g.below ? body_top + 1 : body_height - 2;
    g.pointer << g.tip << QPoint(tip_x, base_y) << QPoint(base_far, base_y);
  } else {
    // No pointer: the body's corner sits on the anchor.
    g.tip = QPoint(g.to_right ? 0 : body_width - 1, g.below ? 0 : body_height - 1);
  }
  g.frame = QRect(anchor - g.tip, size);
  return g;
}

}  // namespace rc
