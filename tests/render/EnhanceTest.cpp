#include "view/render/Enhance.h"

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

namespace selvo {
namespace {

QImage Filled(int w, int h, QRgb colour) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

TEST(EnhanceTest, LookupTableOnKnownLevels) {
  struct Case {
    const char* name;
    EnhanceSettings settings;
    int lo, hi;
    int in, out;
  };
  EnhanceSettings brighter;
  brighter.brightness = 20;
  EnhanceSettings steeper;
  steeper.contrast = 50;
  EnhanceSettings flatter;
  flatter.contrast = -50;
  EnhanceSettings lifted;
  lifted.gammaTenths = 20;
  const EnhanceSettings plain;
  const Case cases[] = {
      {"identity", plain, 0, 255, 77, 77},
      {"brightness adds a fifth of full scale", brighter, 0, 255, 100, 151},
      {"brightness clips", brighter, 0, 255, 250, 255},
      {"contrast doubles the distance from mid-grey", steeper, 0, 255, 100, 73},
      {"contrast clips at black", steeper, 0, 255, 20, 0},
      {"negative contrast halves it", flatter, 0, 255, 0, 64},
      {"negative contrast at white", flatter, 0, 255, 255, 191},
      {"gamma 2 lifts a quarter to a half", lifted, 0, 255, 64, 128},
      {"levels: low bound to black", plain, 50, 200, 50, 0},
      {"levels: below the low bound stays black", plain, 50, 200, 10, 0},
      {"levels: high bound to white", plain, 50, 200, 200, 255},
      {"levels: halfway", plain, 50, 200, 125, 128},
      {"levels that cross are ignored", plain, 200, 50, 125, 125},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EnhanceLookupTable(c.settings, c.lo, c.hi)[static_cast<std::size_t>(c.in)], c.out) << c.name;
  }
  EnhanceSettings extreme;
  extreme.contrast = 100;
  extreme.gammaTenths = 999;  // out of range: held to 5.0
  const LevelTable table = EnhanceLookupTable(extreme);
  for (int v = 1; v < 256; ++v) EXPECT_GE(table[static_cast<std::size_t>(v)], table[static_cast<std::size_t>(v - 1)]);
}

TEST(EnhanceTest, AutoLevelsIgnoreTheOutermostHalfPercent) {
  QImage image = Filled(200, 200, qRgb(100, 100, 100));
  for (int y = 0; y < 200; ++y)
    for (int x = 150; x < 200; ++x) image.setPixel(x, y, qRgb(180, 180, 180));
  // A few dead and hot pixels must not decide the stretch.
  for (int i = 0; i < 20; i += 2) {
    image.setPixel(i, 0, qRgb(0, 0, 0));
    image.setPixel(i, 2, qRgb(255, 255, 255));
  }
  const LevelBounds bounds = AutoLevelBounds(image, image.rect());
  EXPECT_EQ(bounds.lo, 100);
  EXPECT_EQ(bounds.hi, 180);
  // A flat picture has nothing to stretch.
  const LevelBounds flat = AutoLevelBounds(Filled(10, 10, qRgb(90, 90, 90)), QRect(0, 0, 10, 10));
  EXPECT_EQ(flat.lo, 0);
  EXPECT_EQ(flat.hi, 255);
  EXPECT_EQ(AutoLevelBounds(image, QRect(500, 500, 10, 10)).hi, 255);
}

TEST(EnhanceTest, RegionOnlyAndOpaqueGreyscale) {
  QImage image = Filled(8, 4, qRgb(200, 100, 50));
  EnhanceSettings grey;
  grey.greyscale = true;
  EnhanceRegion(image, QRect(2, 1, 4, 2), grey);
  EXPECT_EQ(image.pixel(2, 1), qRgb(124, 124, 124));
  EXPECT_EQ(image.pixel(5, 2), qRgb(124, 124, 124));
  for (QPoint outside : {QPoint(1, 1), QPoint(6, 1), QPoint(2, 0), QPoint(2, 3)})
    EXPECT_EQ(image.pixel(outside), qRgb(200, 100, 50)) << outside.x() << "," << outside.y();
  EnhanceSettings brighter;
  brighter.brightness = 10;
  EnhanceRegion(image, QRect(-5, -5, 100, 100), brighter);  // clipped to the picture
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 255);
  EXPECT_EQ(qRed(image.pixel(0, 0)), 226);
}

TEST(EnhanceTest, SharpenSteepensAnEdgeAndLeavesFlatAreas) {
  QImage image(20, 6, QImage::Format_RGB32);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 20; ++x) image.setPixel(x, y, x < 10 ? qRgb(100, 100, 100) : qRgb(150, 150, 150));
  EnhanceSettings sharp;
  sharp.sharpen = 100;
  EnhanceRegion(image, image.rect(), sharp);
  EXPECT_LT(qRed(image.pixel(9, 3)), 100);
  EXPECT_GT(qRed(image.pixel(10, 3)), 150);
  EXPECT_EQ(image.pixel(2, 0), qRgb(100, 100, 100));
  EXPECT_EQ(image.pixel(17, 5), qRgb(150, 150, 150));
  // One-pixel regions at the picture's edges read nothing outside it.
  EnhanceRegion(image, QRect(19, 0, 1, 6), sharp);
  EnhanceRegion(image, QRect(0, 5, 20, 1), sharp);
  EXPECT_EQ(image.pixel(17, 5), qRgb(150, 150, 150));
}

// The unsharp mask written out pixel by pixel: the 3 x 3 binomial blur with
// edges repeated, each byte pushed from it by strength / 50.
QImage ReferenceSharpen(const QImage& in, int strength) {
  QImage out = in.copy();
  const int gain = strength * 16 / 50;
  const auto at = [&](int x, int y, int c) {
    x = std::clamp(x, 0, in.width() - 1);
    y = std::clamp(y, 0, in.height() - 1);
    return static_cast<int>(in.constScanLine(y)[4 * x + c]);
  };
  for (int y = 0; y < in.height(); ++y)
    for (int x = 0; x < in.width(); ++x)
      for (int c = 0; c < 3; ++c) {
        const auto row = [&](int yy) { return (at(x - 1, yy, c) + 2 * at(x, yy, c) + at(x + 1, yy, c) + 2) >> 2; };
        const int blurred = (row(y - 1) + 2 * row(y) + row(y + 1) + 2) >> 2;
        const int v = at(x, y, c) + (((at(x, y, c) - blurred) * gain) >> 4);
        out.scanLine(y)[4 * x + c] = static_cast<uchar>(std::clamp(v, 0, 255));
      }
  return out;
}

TEST(EnhanceTest, SharpenAndGreyscaleMatchAPixelByPixelReferenceOnNoise) {
  std::mt19937 random(37);
  for (const QSize size : {QSize(37, 11), QSize(1, 5), QSize(5, 1), QSize(64, 3)}) {
    QImage noise(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
      for (int x = 0; x < size.width(); ++x) noise.setPixel(x, y, qRgb(random() % 256, random() % 256, random() % 256));
    EnhanceSettings sharp;
    sharp.sharpen = 73;
    QImage sharpened = noise.copy();
    EnhanceRegion(sharpened, sharpened.rect(), sharp);
    EXPECT_EQ(sharpened, ReferenceSharpen(noise, 73)) << size.width() << "x" << size.height();

    EnhanceSettings grey;
    grey.greyscale = true;
    QImage greyed = noise.copy();
    EnhanceRegion(greyed, greyed.rect(), grey);
    for (int y = 0; y < size.height(); ++y)
      for (int x = 0; x < size.width(); ++x) {
        const QRgb p = noise.pixel(x, y);
        const int luma = (77 * qRed(p) + 150 * qGreen(p) + 29 * qBlue(p)) >> 8;
        ASSERT_EQ(greyed.pixel(x, y), qRgb(luma, luma, luma)) << x << "," << y;
      }
  }
}

TEST(EnhanceTest, DescriptionNamesEveryControlInUse) {
  EXPECT_EQ(EnhanceDescription(EnhanceSettings{}), "");
  EnhanceSettings some;
  some.contrast = 20;
  some.gammaTenths = 14;
  EXPECT_EQ(EnhanceDescription(some), "enhanced: contrast +20, gamma 1.4");
  const EnhanceSettings all{-5, 20, 8, true, 40, true};
  EXPECT_EQ(EnhanceDescription(all), "enhanced: brightness -5, contrast +20, gamma 0.8, auto levels, sharpen 40, greyscale");
  EnhanceSettings wild;
  wild.gammaTenths = 0;
  wild.brightness = 900;
  EXPECT_EQ(EnhanceDescription(wild), "enhanced: brightness +100, gamma 0.2");
}

}  // namespace
}  // namespace selvo
