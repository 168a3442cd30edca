#include "view/render/ZoomState.h"

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

namespace selvo {
namespace {

const QSizeF kBox(640, 480);
const QSizeF kPicture(704, 480);

// Where a box point lands in the picture, in fractions of it.
QPointF PictureFraction(const ZoomState& zoom, const QPointF& boxPoint) {
  const QRectF part = zoom.ShownPart();
  return {part.left() + boxPoint.x() / kBox.width() * part.width(),
          part.top() + boxPoint.y() / kBox.height() * part.height()};
}

TEST(ZoomStateTest, WheelKeepsThePictureUnderTheCursorWhereItIs) {
  ZoomState zoom;
  const QPointF cursors[] = {{100, 80}, {600, 400}, {320, 240}, {10, 470}};
  for (const QPointF& cursor : cursors) {
    const QPointF before = PictureFraction(zoom, cursor);
    zoom.ZoomAbout(cursor, 1.25, kBox, kPicture);
    const QPointF after = PictureFraction(zoom, cursor);
    EXPECT_NEAR(after.x(), before.x(), 1e-9) << cursor.x();
    EXPECT_NEAR(after.y(), before.y(), 1e-9) << cursor.y();
  }
  // Zooming back out about the same point retraces the steps.
  const QPointF anchor(200, 150);
  zoom.ZoomAbout(anchor, 2.0, kBox, kPicture);
  const QPointF under = PictureFraction(zoom, anchor);
  zoom.ZoomAbout(anchor, 0.8, kBox, kPicture);
  EXPECT_NEAR(PictureFraction(zoom, anchor).x(), under.x(), 1e-9);
}

TEST(ZoomStateTest, ZoomStaysBetweenFitAndSixteenPicturePixels) {
  ZoomState zoom;
  zoom.ZoomAbout({320, 240}, 0.5, kBox, kPicture);
  EXPECT_DOUBLE_EQ(zoom.Zoom(), 1.0);
  EXPECT_FALSE(zoom.IsZoomed());
  for (int i = 0; i < 40; ++i) zoom.ZoomAbout({320, 240}, 2.0, kBox, kPicture);
  EXPECT_DOUBLE_EQ(zoom.PixelScale(kBox, kPicture), ZoomState::kMaxPixelScale);
  // A tiny picture fitted already larger than the limit can only be fitted.
  ZoomState tiny;
  tiny.ZoomAbout({0, 0}, 4.0, kBox, QSizeF(16, 12));
  EXPECT_DOUBLE_EQ(tiny.Zoom(), 1.0);
  // A degenerate box or picture changes nothing and divides by nothing.
  ZoomState empty;
  empty.ZoomAbout({0, 0}, 2.0, QSizeF(0, 0), kPicture);
  empty.SetPixelScale(1.0, kBox, QSizeF(0, 0));
  empty.PanBy({5, 5}, QSizeF(0, 0));
  EXPECT_EQ(empty.ShownPart(), QRectF(0, 0, 1, 1));
}

TEST(ZoomStateTest, ShownPartNeverLeavesThePicture) {
  ZoomState zoom;
  zoom.ZoomAbout({0, 0}, 4.0, kBox, kPicture);
  EXPECT_EQ(zoom.ShownPart().topLeft(), QPointF(0, 0));
  zoom.PanBy({-100000, -100000}, kBox);  // dragged far to the left and up
  EXPECT_NEAR(zoom.ShownPart().right(), 1.0, 1e-12);
  EXPECT_NEAR(zoom.ShownPart().bottom(), 1.0, 1e-12);
  zoom.PanBy({160, 120}, kBox);  // a quarter of the box is a sixteenth of the picture
  EXPECT_NEAR(zoom.ShownPart().left(), 0.75 - 0.0625, 1e-12);
  // Zooming out at an edge pulls the part back inside.
  zoom.ZoomAbout({639, 479}, 0.5, kBox, kPicture);
  const QRectF part = zoom.ShownPart();
  EXPECT_GE(part.left(), 0.0);
  EXPECT_LE(part.right(), 1.0 + 1e-12);
}

TEST(ZoomStateTest, OneToOneAndFit) {
  ZoomState zoom;
  zoom.SetPixelScale(1.0, kBox, kPicture);
  EXPECT_DOUBLE_EQ(zoom.PixelScale(kBox, kPicture), 1.0);
  // 704 x 480 in a 640 x 480 box fits at 1:1 vertically already.
  EXPECT_DOUBLE_EQ(zoom.Zoom(), 1.0);
  const QSizeF small(352, 240);
  zoom.SetPixelScale(1.0, kBox, small);
  EXPECT_DOUBLE_EQ(zoom.Zoom(), 1.0);  // never below fit
  const QSizeF big(1920, 1080);
  zoom.SetPixelScale(1.0, kBox, big);
  EXPECT_DOUBLE_EQ(zoom.PixelScale(kBox, big), 1.0);
  EXPECT_GT(zoom.Zoom(), 1.0);
  zoom.Fit();
  EXPECT_EQ(zoom.ShownPart(), QRectF(0, 0, 1, 1));
}

// 1:1 enlarges a picture fitted smaller and shrinks one fitted larger; the
// shrunk picture is shown whole, and the wheel and the keys take it back
// up without shrinking it further.
TEST(ZoomStateTest, ActualPixelsShrinksAsWellAsEnlarges) {
  struct Case {
    QSizeF picture;
    double zoom;
  };
  const Case cases[] = {{kPicture, 1.0}, {QSizeF(320, 240), 0.5}, {QSizeF(1920, 1080), 2.25}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture.width());
    ZoomState zoom;
    zoom.ShowActualPixels(kBox, c.picture);
    EXPECT_DOUBLE_EQ(zoom.PixelScale(kBox, c.picture), 1.0);
    EXPECT_DOUBLE_EQ(zoom.Zoom(), c.zoom);
    EXPECT_DOUBLE_EQ(zoom.BoxShare(), std::min(c.zoom, 1.0));
    if (c.zoom <= 1.0) {
      EXPECT_EQ(zoom.ShownPart(), QRectF(0, 0, 1, 1));
    }
  }
  ZoomState zoom;
  const QSizeF small(160, 120);  // fitted at 4x
  zoom.ShowActualPixels(kBox, small);
  zoom.ZoomAbout({320, 240}, 0.5, kBox, small);
  zoom.StepPixelScale(false, kBox, small);
  EXPECT_DOUBLE_EQ(zoom.PixelScale(kBox, small), 1.0);
  zoom.PanBy({100, 100}, kBox);
  EXPECT_EQ(zoom.ShownPart(), QRectF(0, 0, 1, 1));
  zoom.StepPixelScale(true, kBox, small);
  EXPECT_DOUBLE_EQ(zoom.PixelScale(kBox, small), 2.0);
  EXPECT_DOUBLE_EQ(zoom.BoxShare(), 0.5);
}

TEST(ZoomStateTest, KeyStepsLandOnPowersOfTwoFromAnyFit) {
  // 704 x 480 fitted at 1:1 vertically, and a small picture fitted at 1.5x.
  for (const QSizeF picture : {kPicture, QSizeF(427, 320)}) {
    ZoomState zoom;
    std::vector<double> scales;
    for (int i = 0; i < 6; ++i) {
      zoom.StepPixelScale(true, kBox, picture);
      scales.push_back(zoom.PixelScale(kBox, picture));
    }
    EXPECT_EQ(scales, (std::vector<double>{2, 4, 8, 16, 16, 16})) << picture.width();
    zoom.StepPixelScale(false, kBox, picture);
    EXPECT_DOUBLE_EQ(zoom.PixelScale(kBox, picture), 8);
    for (int i = 0; i < 5; ++i) zoom.StepPixelScale(false, kBox, picture);
    EXPECT_FALSE(zoom.IsZoomed());
  }
}

}  // namespace
}  // namespace selvo
