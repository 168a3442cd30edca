// Pane geometry and the overlay rules of the image view, on plain back
// buffers: no window is needed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <QColor>
#include <QImage>
#include <QPainter>

#include "source/ImageInfo.h"
#include "view/render/PaneLayout.h"
#include "view/render/PaneRenderer.h"
#include "view/render/PictureStretch.h"

namespace selvo {
namespace {

TEST(FitBox43, CentresTheLargest43BoxInWideTallAndOffsetRectangles) {
  struct Case {
    PixelRect r;
    PixelBox box;
  } cases[] = {
      {{0, 0, 640, 480}, {0, 0, 640, 480}},        // exactly 4:3
      {{0, 0, 1000, 480}, {180, 0, 640, 480}},     // wide: bars left and right
      {{0, 0, 640, 900}, {0, 210, 640, 480}},      // tall: bars above and below
      {{0, 0, 1001, 575}, {117, 0, 766, 575}},     // 575 * 4/3 truncates to 766
      {{10, 20, 110, 220}, {10, 82, 100, 75}},     // offset rectangle
      {{0, 0, 8, 5}, {1, 0, 6, 5}},                // 5 * 4/3 truncates to 6
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitBox43(c.r), c.box) << c.r.left << "," << c.r.top << "," << c.r.right << "," << c.r.bottom;
  }
}

TEST(LayoutPanes, NinePanesOf213PixelsLeaveTheLastColumnToTheBackground) {
  const PaneGrid grid = LayoutPanes({0, 0, 640, 480}, 3);
  ASSERT_EQ(grid.count, 9);
  EXPECT_EQ(grid.layoutBox, (PixelRect{0, 0, 640, 480}));
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(grid.panes[i].Width(), 213);
    EXPECT_EQ(grid.panes[i].Height(), 160);
  }
  EXPECT_EQ(grid.panes[2], (PixelRect{426, 0, 639, 160}));
  EXPECT_EQ(grid.panes[7], (PixelRect{213, 320, 426, 480}));
  EXPECT_EQ(HitPane(grid, 639, 10), -1);  // the leftover column
  EXPECT_EQ(HitPane(grid, 638, 479), 8);
}

TEST(LayoutPanes, PanesFollowTheCentredBoxAndHitTestsMissTheBars) {
  const PaneGrid grid = LayoutPanes({0, 0, 1000, 480}, 2);
  EXPECT_EQ(grid.panes[0], (PixelRect{180, 0, 500, 240}));
  EXPECT_EQ(grid.panes[3], (PixelRect{500, 240, 820, 480}));
  EXPECT_EQ(HitPane(grid, 179, 100), -1);
  EXPECT_EQ(HitPane(grid, 180, 100), 0);
  EXPECT_EQ(HitPane(grid, 500, 240), 3);
  EXPECT_EQ(HitPane(grid, 820, 240), -1);
  EXPECT_EQ(LayoutPanes({0, 0, 640, 480}, 0).count, 0);  // before the first reset
}

TEST(TextPlacement, FontHeightMarginsAndCornersFollowTheBoxHeight) {
  const TextMetrics m = TextMetricsFor(480);
  EXPECT_EQ(m.fontHeight, 26);
  EXPECT_EQ(m.marginX, 13);
  EXPECT_EQ(m.marginY, 8);
  struct Case {
    int position, x, y;
  } cases[] = {{0, 640 - 200 - 13, 480 - 30 - 8}, {1, 640 - 200 - 13, 8}, {2, 13, 8}, {3, 13, 480 - 30 - 8}};
  for (const Case& c : cases) {
    int x = 0;
    int y = 0;
    TimeTextOrigin(c.position, 640, 480, 200, 30, m, x, y);
    EXPECT_EQ(x, c.x) << c.position;
    EXPECT_EQ(y, c.y) << c.position;
  }
}

DibPtr RowNumberedImage(int width, int height) {
  DibPtr dib = DibBlock::Create(width, height, 3);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = dib->RowFromTop(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(y);  // blue carries the row number
      row[3 * x + 1] = 0;
      row[3 * x + 2] = 0;
    }
  }
  return dib;
}

TEST(PictureRows, Heights248And296LoseTheirTop16RowsOthersStayWhole) {
  for (int height : {248, 296, 240, 288, 480}) {
    const DibPtr dib = RowNumberedImage(704, height);
    const int cut = TopCutRows(height);
    EXPECT_EQ(cut, (height == 248 || height == 296) ? 16 : 0) << height;
    const QImage rows = PictureRows(*dib, cut);
    ASSERT_EQ(rows.height(), height - cut);
    EXPECT_EQ(qBlue(rows.pixel(0, 0)), cut) << height;
    EXPECT_EQ(qBlue(rows.pixel(703, rows.height() - 1)), (height - 1) & 0xFF) << height;
  }
}

TEST(PictureRows, FourBytePixelsComeOutOpaqueWithTheirColours) {
  DibPtr dib = DibBlock::Create(2, 2, 4);
  std::uint8_t* top = dib->RowFromTop(0);
  top[0] = 10, top[1] = 20, top[2] = 30, top[3] = 0;  // blue, green, red, undefined
  const QImage rows = PictureRows(*dib, 0);
  EXPECT_EQ(rows.pixel(0, 0), qRgb(30, 20, 10));
  EXPECT_EQ(qAlpha(rows.pixel(0, 0)), 255);
}

// A picture of pseudo-random pixels: a stretch that samples half a pixel
// off, or the wrong row or colour, shows at once against a reference.
DibPtr NoisePicture(int width, int height, int bytesPerPixel) {
  DibPtr dib = DibBlock::Create(width, height, bytesPerPixel);
  std::uint32_t state = 12345;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = dib->RowFromTop(y);
    for (int i = 0; i < width * bytesPerPixel; ++i) {
      state = state * 1103515245u + 12345u;
      row[i] = static_cast<std::uint8_t>(state >> 16);
    }
  }
  return dib;
}

QRgb SourcePixel(const DibBlock& dib, int x, int y) {
  const std::uint8_t* p = dib.RowFromTop(y) + x * dib.BytesPerPixel();
  return qRgb(p[2], p[1], p[0]);
}

// The screen's stretch, one object reused as the picture and box change
// size: at the picture's own size it copies every pixel exactly, opaque,
// below the cut band, whichever pixel size the decoder gave.
TEST(PictureStretch, SameSizeCopiesEveryPixelBelowTheCutOpaqueForBothPixelSizes) {
  PictureStretch stretch;
  for (int bytesPerPixel : {3, 4}) {
    for (const auto& [width, height] : {std::pair{37, 248}, std::pair{5, 3}, std::pair{1, 1}}) {
      const DibPtr dib = NoisePicture(width, height, bytesPerPixel);
      const int cut = TopCutRows(height);
      QImage buffer(width + 4, height + 4, QImage::Format_RGB32);
      buffer.fill(Qt::green);
      ASSERT_TRUE(stretch.Draw(*dib, cut, buffer, {2, 3, width, height - cut}));
      for (int y = 0; y < height - cut; ++y) {
        for (int x = 0; x < width; ++x) {
          ASSERT_EQ(buffer.pixel(2 + x, 3 + y), SourcePixel(*dib, x, y + cut))
              << bytesPerPixel << " " << width << "x" << height << " at " << x << "," << y;
        }
      }
      EXPECT_EQ(buffer.pixel(1, 3), QColor(Qt::green).rgb());
      EXPECT_EQ(buffer.pixel(2 + width, 3), QColor(Qt::green).rgb());
      EXPECT_EQ(buffer.pixel(2, 2), QColor(Qt::green).rgb());
      EXPECT_EQ(buffer.pixel(2, 3 + height - cut), QColor(Qt::green).rgb());
    }
  }
}

// Up and down, square and skewed: the same picture as Qt's own bilinear
// drawing, within the rounding of its coarser weights.
TEST(PictureStretch, StretchedPictureMatchesQtBilinearDrawing) {
  const DibPtr dib = NoisePicture(64, 48, 3);
  QImage reference(64, 48, QImage::Format_RGB32);
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) reference.setPixel(x, y, SourcePixel(*dib, x, y));
  }
  PictureStretch stretch;
  for (const PixelBox box : {PixelBox{0, 0, 150, 101}, PixelBox{0, 0, 23, 17}, PixelBox{0, 0, 70, 40},
                             PixelBox{0, 0, 64, 300}}) {
    QImage ours(box.w, box.h, QImage::Format_RGB32);
    ASSERT_TRUE(stretch.Draw(*dib, 0, ours, box));
    QImage qt(box.w, box.h, QImage::Format_RGB32);
    QPainter painter(&qt);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, box.w, box.h), reference);
    painter.end();
    int worst = 0;
    double total = 0;
    for (int y = 0; y < box.h; ++y) {
      for (int x = 0; x < box.w; ++x) {
        const QRgb a = ours.pixel(x, y);
        const QRgb b = qt.pixel(x, y);
        for (int d : {qRed(a) - qRed(b), qGreen(a) - qGreen(b), qBlue(a) - qBlue(b)}) {
          worst = std::max(worst, std::abs(d));
          total += std::abs(d);
        }
      }
    }
    EXPECT_LE(worst, 16) << box.w << "x" << box.h;
    EXPECT_LE(total / (3.0 * box.w * box.h), 2.0) << box.w << "x" << box.h;
  }
}

// Three-byte rows are read sixteen bytes at a time and shuffled, four-byte
// rows and a clipped box go column by column: the same colours must come
// out the same whichever way they were read, up, down and at the edges.
TEST(PictureStretch, EveryWayOfReadingTheRowsGivesTheSamePixels) {
  const DibPtr narrow = NoisePicture(101, 40, 3);
  DibPtr wide = DibBlock::Create(101, 40, 4);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 101; ++x) {
      std::memcpy(wide->RowFromTop(y) + 4 * x, narrow->RowFromTop(y) + 3 * x, 3);
      wide->RowFromTop(y)[4 * x + 3] = static_cast<std::uint8_t>(x * 37);  // the undefined byte
    }
  }
  PictureStretch stretch;
  for (const PixelBox box : {PixelBox{0, 0, 131, 57}, PixelBox{0, 0, 101, 40}, PixelBox{0, 0, 60, 31}}) {
    QImage fromNarrow(box.w, box.h, QImage::Format_RGB32);
    QImage fromWide(box.w, box.h, QImage::Format_RGB32);
    QImage clipped(box.w - 5, box.h, QImage::Format_RGB32);
    ASSERT_TRUE(stretch.Draw(*narrow, 0, fromNarrow, box));
    ASSERT_TRUE(stretch.Draw(*wide, 0, fromWide, box));
    ASSERT_TRUE(stretch.Draw(*narrow, 0, clipped, {-5, 0, box.w, box.h}));
    for (int y = 0; y < box.h; ++y) {
      for (int x = 0; x < box.w; ++x) {
        ASSERT_EQ(fromNarrow.pixel(x, y), fromWide.pixel(x, y)) << box.w << "x" << box.h << " at " << x << "," << y;
        if (x >= 5) {
          ASSERT_EQ(fromNarrow.pixel(x, y), clipped.pixel(x - 5, y)) << box.w << " at " << x << "," << y;
        }
      }
    }
  }
}

// Rows and columns are blended by different code (whole rows of bytes at
// once against gathered neighbours). A picture whose rows are each one
// colour is blended only down, and its transpose only across, with the same
// weights: the two results must be each other's transpose to the byte.
TEST(PictureStretch, BlendingDownMatchesBlendingAcrossToTheByte) {
  constexpr int kLong = 101;
  constexpr int kShort = 40;
  const DibPtr colours = NoisePicture(kShort, 1, 3);
  DibPtr rows = DibBlock::Create(kLong, kShort, 3);        // row y has colour y
  DibPtr columns = DibBlock::Create(kShort, kLong, 3);     // column y has colour y
  for (int y = 0; y < kShort; ++y) {
    const std::uint8_t* colour = colours->RowFromTop(0) + 3 * y;
    for (int x = 0; x < kLong; ++x) {
      std::memcpy(rows->RowFromTop(y) + 3 * x, colour, 3);
      std::memcpy(columns->RowFromTop(x) + 3 * y, colour, 3);
    }
  }
  PictureStretch stretch;
  for (const auto& [across, down] : {std::pair{131, 57}, std::pair{240, 97}, std::pair{67, 33}}) {
    QImage blendedDown(across, down, QImage::Format_RGB32);
    QImage blendedAcross(down, across, QImage::Format_RGB32);
    ASSERT_TRUE(stretch.Draw(*rows, 0, blendedDown, {0, 0, across, down}));
    ASSERT_TRUE(stretch.Draw(*columns, 0, blendedAcross, {0, 0, down, across}));
    for (int y = 0; y < down; ++y) {
      for (int x = 0; x < across; ++x)
        ASSERT_EQ(blendedDown.pixel(x, y), blendedAcross.pixel(y, x)) << across << "x" << down << " at " << x << "," << y;
    }
  }
}

// A pane partly outside the buffer (a window shrunk mid-paint) is clipped,
// and what cannot be drawn is refused without touching the buffer.
TEST(PictureStretch, ClipsToTheBufferAndRefusesWhatItCannotDraw) {
  const DibPtr dib = NoisePicture(16, 12, 3);
  PictureStretch stretch;
  QImage buffer(10, 10, QImage::Format_RGB32);
  buffer.fill(Qt::green);
  ASSERT_TRUE(stretch.Draw(*dib, 0, buffer, {-6, -2, 16, 12}));
  EXPECT_EQ(buffer.pixel(0, 0), SourcePixel(*dib, 6, 2));
  EXPECT_EQ(buffer.pixel(9, 9), SourcePixel(*dib, 15, 11));
  ASSERT_TRUE(stretch.Draw(*dib, 0, buffer, {8, 8, 16, 12}));
  EXPECT_EQ(buffer.pixel(9, 9), SourcePixel(*dib, 1, 1));
  EXPECT_TRUE(stretch.Draw(*dib, 0, buffer, {10, 0, 16, 12}));  // wholly outside: nothing to do

  QImage untouched(10, 10, QImage::Format_RGB32);
  untouched.fill(Qt::green);
  QImage wrongFormat(10, 10, QImage::Format_RGB888);
  EXPECT_FALSE(stretch.Draw(*DibBlock::Create(4, 16, 3), 16, untouched, {0, 0, 10, 10}));  // no rows below the cut
  EXPECT_FALSE(stretch.Draw(*dib, 0, untouched, {0, 0, 0, 10}));
  EXPECT_FALSE(stretch.Draw(*dib, 0, wrongFormat, {0, 0, 10, 10}));
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) ASSERT_EQ(untouched.pixel(x, y), QColor(Qt::green).rgb());
  }
}

TEST(ShadeRect, DarkensOnlyInsideTheHalfOpenRectangleTruncating) {
  QImage buffer(10, 10, QImage::Format_RGB32);
  buffer.fill(QColor(255, 10, 101));
  ShadeRect(buffer, {2, 3, 5, 6});
  EXPECT_EQ(buffer.pixel(2, 3), qRgb(229, 9, 90));
  EXPECT_EQ(buffer.pixel(4, 5), qRgb(229, 9, 90));
  EXPECT_EQ(buffer.pixel(5, 5), qRgb(255, 10, 101));
  EXPECT_EQ(buffer.pixel(4, 6), qRgb(255, 10, 101));
  ShadeRect(buffer, {-5, -5, 100, 1});  // clipped, never out of bounds
  EXPECT_EQ(buffer.pixel(9, 0), qRgb(229, 9, 90));
}

// A uniform grey picture in a 640 x 480 pane, time text in the left-up
// corner: the text rectangle starts at the margins (13, 8).
class PaneTextTest : public ::testing::Test {
 protected:
  static constexpr int kGrey = 200;

  void SetUp() override {
    image_ = DibBlock::Create(64, 48, 3);
    std::fill(image_->Pixels(), image_->Pixels() + image_->ImageBytes(), std::uint8_t{kGrey});
    style_.timePosition = 2;
    style_.dateFormat = 2;
    style_.dateDelimiter = 1;
  }

  QImage Draw(CalendarSeconds time, int status) {
    QImage buffer(640, 480, QImage::Format_RGB32);
    buffer.fill(Qt::black);
    PaneDrawRequest request;
    request.rect = {0, 0, 640, 480};
    request.image = image_.get();
    request.time = time;
    request.status = status;
    DrawPane(buffer, request, style_);
    return buffer;
  }

  static CalendarSeconds March7() {
    CalendarFields f;
    f.year = 2004, f.month = 3, f.day = 7, f.hour = 9, f.minute = 5, f.second = 1;
    return MakeLocalTime(f);
  }

  DibPtr image_;
  PaneOverlayStyle style_;
};

TEST_F(PaneTextTest, TimeTextCarriesTitleAndFormattedTime) {
  PaneDrawRequest request;
  request.time = March7();
  request.title = QStringLiteral("GATE");
  style_.cameraTitleShown = true;
  EXPECT_EQ(TimeTextFor(request, style_), QStringLiteral("GATE  2004-03-07 09:05:01"));
  style_.cameraTitleShown = false;
  EXPECT_EQ(TimeTextFor(request, style_), QStringLiteral("2004-03-07 09:05:01"));
  request.status = kTimeAltered | kNoValidTime;  // neither title nor time
  style_.cameraTitleShown = true;
  EXPECT_TRUE(TimeTextFor(request, style_).isEmpty());
  request.status = 0;
  request.time = 0;
  EXPECT_TRUE(TimeTextFor(request, style_).isEmpty());
}

TEST_F(PaneTextTest, PictureFillsTheBoxAndTheTextGetsA09Shadow) {
  const QImage out = Draw(March7(), 0);
  EXPECT_EQ(out.pixel(12, 9), qRgb(kGrey, kGrey, kGrey));  // left of the text box
  EXPECT_EQ(out.pixel(14, 8), qRgb(180, 180, 180));       // inside it, above the glyphs
  EXPECT_EQ(out.pixel(600, 440), qRgb(kGrey, kGrey, kGrey));
}

TEST_F(PaneTextTest, NoTextAndNoShadowWithoutValidTimeOrWhenTheTextCannotFit) {
  const QString longTitle(80, QLatin1Char('W'));
  struct Case {
    const char* what;
    int status;
    QString title;
    PixelRect rect;
    QPoint probe;
  } cases[] = {
      {"no valid time", kNoValidTime, QString(), {0, 0, 640, 480}, {14, 8}},
      {"wider than the pane", 0, longTitle, {100, 100, 420, 340}, {107, 104}},
      // a 36-pixel box gives a 2-pixel font and no top margin: the text
      // would start on the target's top edge
      {"on the top edge", 0, QString(), {10, 0, 58, 36}, {12, 0}},
  };
  style_.cameraTitleShown = true;
  for (const Case& c : cases) {
    QImage buffer(c.rect.right, c.rect.bottom, QImage::Format_RGB32);
    buffer.fill(Qt::black);
    PaneDrawRequest request;
    request.rect = c.rect;
    request.image = image_.get();
    request.time = March7();
    request.title = c.title;
    request.status = c.status;
    DrawPane(buffer, request, style_);
    EXPECT_EQ(buffer.pixel(c.probe), qRgb(kGrey, kGrey, kGrey)) << c.what;
  }
}

TEST_F(PaneTextTest, PrintTitleSitsCentredUnderThePictureAndIsNeverCut) {
  style_.printTitle = QStringLiteral("TITLE");
  style_.printTitleBand = 5;  // lower than the 26-pixel font
  QImage buffer(640, 700, QImage::Format_RGB32);
  buffer.fill(Qt::white);
  PaneDrawRequest request;
  request.rect = {0, 0, 640, 700};  // the picture box spans rows 110..589
  request.image = image_.get();
  request.printing = true;
  DrawPane(buffer, request, style_);
  int firstInk = -1;
  int lastInk = -1;
  for (int y = 590; y < 700; ++y) {
    for (int x = 0; x < 640; ++x) {
      if (qGray(buffer.pixel(x, y)) < 128) {
        if (firstInk < 0) firstInk = y;
        lastInk = y;
        EXPECT_GT(x, 260);  // centred: a five-letter title stays near the middle
        EXPECT_LT(x, 380);
      }
    }
  }
  EXPECT_GE(firstInk, 590);
  EXPECT_GT(lastInk - firstInk, 12);  // the glyphs' full height, not a 5-row sliver
}

// A picture that could not be decoded is the one most in need of its marks:
// the black box carries them as a picture would.
TEST_F(PaneTextTest, MissingPictureGivesABlackBoxThatStillCarriesTheMarks) {
  style_.alterationMarks = true;
  // The 640x480 box at x 180: "IMAGE ALTERED" fills x 340..659, y 240..287,
  // "TIME ALTERED" the same columns over y 384..431.
  const auto marked = [](const QImage& buffer) {
    return buffer.pixel(345, 245) == qRgb(255, 0, 0) && buffer.pixel(345, 389) == qRgb(255, 0, 0);
  };
  QImage buffer(1000, 480, QImage::Format_RGB32);
  buffer.fill(Qt::white);
  PaneDrawRequest request;
  request.rect = {0, 0, 1000, 480};
  request.flags = kDrawBlackBox;
  request.status = kImageAltered | kTimeAltered;
  DrawPane(buffer, request, style_);
  EXPECT_EQ(buffer.pixel(180, 0), qRgb(0, 0, 0));
  EXPECT_EQ(buffer.pixel(819, 479), qRgb(0, 0, 0));
  EXPECT_EQ(buffer.pixel(179, 0), qRgb(255, 255, 255));
  EXPECT_EQ(buffer.pixel(820, 0), qRgb(255, 255, 255));
  EXPECT_TRUE(marked(buffer));
  buffer.fill(Qt::white);
  request.flags = kDrawImage | kDrawTexts;
  request.image = image_.get();
  DrawPane(buffer, request, style_);
  EXPECT_TRUE(marked(buffer));
}

TEST(AlterationMarksTest, BoxesFollowStatusFlagsOnlyInCheckMode) {
  struct Case {
    bool checkMode;
    int status;
    bool imageBox;
    bool timeBox;
  };
  const Case cases[] = {
      {true, 0, false, false},
      {true, kImageAltered, true, false},
      {true, kTimeAltered, false, true},
      {true, kImageAltered | kTimeAltered, true, true},
      {true, kNoValidTime, false, false},
      {true, kImageAltered | kNoValidTime, true, true},
      {true, kTimeAltered | kNoValidTime, false, false},
      {true, kNoTrailer, true, true},
      {true, -1, true, true},  // read but recognised by no parser: nothing vouches for it
      {false, kNoTrailer, false, false},
  };
  const QColor red(255, 0, 0);
  const QColor yellow(255, 255, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "status " << c.status << " check " << c.checkMode);
    PaneOverlayStyle style;
    style.alterationMarks = c.checkMode;
    QImage image(420, 300, QImage::Format_RGB32);
    image.fill(Qt::black);
    DrawAlterationMarks(image, PixelBox{10, 0, 400, 300}, c.status, style);
    // Image box: x 110..310, y 150..180; time box: y 240..270 (offset x by 10).
    EXPECT_EQ(image.pixelColor(112, 152) == red, c.imageBox);
    EXPECT_EQ(image.pixelColor(112, 242) == red, c.timeBox);
    if (c.imageBox) {
      EXPECT_EQ(image.pixelColor(110, 160), yellow);  // frame on the left edge
      EXPECT_EQ(image.pixelColor(109, 160), QColor(Qt::black));
      EXPECT_EQ(image.pixelColor(309, 160), yellow);
      EXPECT_EQ(image.pixelColor(310, 160), QColor(Qt::black));
      EXPECT_EQ(image.pixelColor(200, 149), QColor(Qt::black));
      EXPECT_EQ(image.pixelColor(200, 180), QColor(Qt::black));
    }
  }
}

}  // namespace
}  // namespace selvo
