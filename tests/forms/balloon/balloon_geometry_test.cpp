#include "forms/balloon/balloon_geometry.h"

#include <gtest/gtest.h>

namespace rc {
namespace {

const QRect kScreen(0, 0, 1024, 768);
const QSize kText(300, 80);

BalloonShape RectangularShape() {
  return BalloonShape::FromStored({0, 0, 3, 1, 0, 0, 0, 0, 0});
}

TEST(BalloonGeometryTest, PointerTipTouchesTheAnchorOnEverySide) {
  const QPoint anchors[] = {{200, 150}, {1000, 150}, {200, 740}, {1010, 760}, {0, 0}};
  for (QPoint anchor : anchors) {
    for (int style = 0; style < 12; ++style) {
      BalloonGeometry g = LayoutBalloon(kText, anchor, kScreen, BalloonShape(), style);
      EXPECT_EQ(g.frame.topLeft() + g.tip, anchor) << anchor.x() << "," << anchor.y();
      EXPECT_TRUE(g.Mask().contains(g.tip));
      EXPECT_FALSE(g.Interior().contains(g.tip));  // the tip is drawn as outline
      EXPECT_TRUE(g.Interior().contains(g.text));
      EXPECT_EQ(g.pointer.first(), g.tip);
      // The body holds the text with its margin.
      EXPECT_GE(g.text.width(), kText.width());
      EXPECT_GE(g.text.height(), kText.height());
      EXPECT_TRUE(g.body.contains(g.text));
    }
  }
}

TEST(BalloonGeometryTest, SideFollowsTheStyleAndFlipsToStayOnScreen) {
  BalloonGeometry g = LayoutBalloon(kText, {200, 150}, kScreen, BalloonShape(), 0);
  EXPECT_TRUE(g.below);
  EXPECT_TRUE(g.to_right);
  EXPECT_EQ(g.tip.y(), 0);
  EXPECT_EQ(g.body.top(), 16);  // the pointer's length

  g = LayoutBalloon(kText, {600, 300}, kScreen, BalloonShape(), 3);
  EXPECT_FALSE(g.below);
  EXPECT_FALSE(g.to_right);

  // Near the bottom-right corner the balloon goes up and to the left, and stays on screen.
  g = LayoutBalloon(kText, {1000, 740}, kScreen, BalloonShape(), 0);
  EXPECT_FALSE(g.below);
  EXPECT_FALSE(g.to_right);
  EXPECT_TRUE(kScreen.contains(g.frame));
  EXPECT_EQ(g.tip.y(), g.frame.height() - 1);

  // Near the top-left corner a style asking for above-left is turned round, and the pointer
  // slides towards the body's side to keep the whole balloon on screen.
  g = LayoutBalloon(kText, {5, 5}, kScreen, BalloonShape(), 3);
  EXPECT_TRUE(g.below);
  EXPECT_TRUE(g.to_right);
  EXPECT_TRUE(kScreen.contains(g.frame));
  EXPECT_EQ(g.frame.topLeft() + g.tip, QPoint(5, 5));
}

TEST(BalloonGeometryTest, RectangularShapeHasNoPointerAndACornerOnTheAnchor) {
  BalloonGeometry g = LayoutBalloon(kText, {200, 150}, kScreen, RectangularShape(), 0);
  EXPECT_TRUE(g.pointer.isEmpty());
  EXPECT_EQ(g.frame.topLeft(), QPoint(200, 150));
  EXPECT_EQ(g.body, QRect(QPoint(0, 0), g.frame.size()));
  // Even a margin of 0 keeps the text off the edge.
  EXPECT_EQ(g.text.left(), kMinBalloonPadding);
}

TEST(BalloonGeometryTest, TinyTextStillLeavesRoomForThePointer) {
  BalloonGeometry g = LayoutBalloon(QSize(1, 1), {200, 150}, kScreen, BalloonShape(), 0);
  EXPECT_GT(g.body.width(), 16 + 16 + 12);
  EXPECT_TRUE(g.body.contains(g.pointer.at(2) + QPoint(0, 1)));
  EXPECT_EQ(BalloonShape::FromStored(BalloonShape().ToStored()).ToStored(),
            (std::array<int32_t, 9>{16, 16, 12, 12, 12, 16, 16, 0, 0}));
}

}  // namespace
}  // namespace rc
