// Every vector path of the renderer's loops (the picture stretch, the
// enhancement) against the scalar loops, byte for byte: the processor picks
// one path (the widest it runs) and only that one would otherwise ever be
// tested. Odd widths leave remainders after the groups of four, eight and
// sixteen; clipped boxes take the column-by-column path; both pixel sizes;
// pictures of full-range noise and of hard 0/255 edges, where a blend's
// multiply would overflow first. A path the processor lacks is skipped,
// saying so.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <random>
#include <string>

#include <QImage>

#include "source/DibBlock.h"
#include "view/render/Enhance.h"
#include "view/render/PictureStretch.h"
#include "view/render/SimdPath.h"

namespace selvo {

// Test names and failures say the path, not its number.
void PrintTo(SimdPath path, std::ostream* out) { *out << SimdPathName(path); }

namespace {

enum class Fill { kNoise, kHardEdges };

DibPtr Picture(int width, int height, int bytesPerPixel, Fill fill) {
  DibPtr dib = DibBlock::Create(width, height, bytesPerPixel);
  std::mt19937 random(static_cast<std::uint32_t>(width * 7919 + height * 31 + bytesPerPixel));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = dib->RowFromTop(y);
    for (int i = 0; i < width * bytesPerPixel; ++i) {
      row[i] = fill == Fill::kNoise ? static_cast<std::uint8_t>(random())
                                    : static_cast<std::uint8_t>(((i / bytesPerPixel + y) % 2) ? 255 : 0);
    }
  }
  return dib;
}

// The buffer as the path draws it, over a background the box must not
// spill onto.
QImage Drawn(SimdPath path, const DibBlock& picture, int topCut, QSize bufferSize, const PixelBox& box) {
  EXPECT_TRUE(ForceSimdPath(path));
  QImage buffer(bufferSize, QImage::Format_RGB32);
  buffer.fill(0xFF123456u);
  PictureStretch stretch;
  EXPECT_TRUE(stretch.Draw(picture, topCut, buffer, box));
  return buffer;
}

// The first pixel where two buffers differ, or nothing.
std::string FirstDifference(const QImage& expected, const QImage& got) {
  for (int y = 0; y < expected.height(); ++y) {
    const auto* e = reinterpret_cast<const std::uint32_t*>(expected.constScanLine(y));
    const auto* g = reinterpret_cast<const std::uint32_t*>(got.constScanLine(y));
    for (int x = 0; x < expected.width(); ++x) {
      if (e[x] != g[x]) {
        char text[96];
        std::snprintf(text, sizeof text, "at %d,%d: %08x where scalar gives %08x", x, y, g[x], e[x]);
        return text;
      }
    }
  }
  return {};
}

class SimdPaths : public ::testing::TestWithParam<SimdPath> {
 protected:
  void SetUp() override {
    before_ = ActiveSimdPath();
    if (GetParam() > SupportedSimdPath()) {
      GTEST_SKIP() << "this processor lacks " << SimdPathName(GetParam()) << " (it runs up to "
                   << SimdPathName(SupportedSimdPath()) << "); that path is not tested here";
    }
  }
  void TearDown() override { ForceSimdPath(before_); }

  SimdPath before_ = SimdPath::kScalar;
};

TEST_P(SimdPaths, PictureStretchGivesTheScalarLoopsBytesForEverySizeAndPlacement) {
  struct Case {
    int width, height;  // the picture
    int boxWidth, boxHeight;
  };
  const Case cases[] = {
      {1, 1, 1, 1},       {1, 1, 7, 5},       {2, 2, 3, 3},       {3, 5, 9, 13},     {5, 3, 2, 1},
      {7, 7, 7, 7},       {13, 9, 37, 23},    {17, 11, 5, 3},     {31, 8, 33, 8},    {33, 17, 131, 57},
      {63, 20, 64, 21},   {64, 48, 150, 101}, {65, 33, 23, 17},   {101, 40, 60, 31}, {127, 31, 255, 62},
      {257, 19, 1023, 7}, {641, 5, 213, 3},   {720, 12, 719, 11}, {9, 300, 1, 77},
      // a recorder's picture onto a window's box, and stretched far (every
      // sixteen columns in one read) or shrunk (never in one read)
      {704, 6, 778, 7},   {176, 4, 1275, 5},  {704, 4, 497, 3},
  };
  for (const Case& c : cases) {
    for (int bytesPerPixel : {3, 4}) {
      for (Fill fill : {Fill::kNoise, Fill::kHardEdges}) {
        const DibPtr picture = Picture(c.width, c.height, bytesPerPixel, fill);
        const int topCut = c.height > 2 ? 1 : 0;
        struct Placement {
          const char* name;
          QSize buffer;
          PixelBox box;
        };
        const Placement placements[] = {
            {"inside", {c.boxWidth + 3, c.boxHeight + 2}, {2, 1, c.boxWidth, c.boxHeight}},
            {"clipped left and top", {c.boxWidth, c.boxHeight}, {-3, -1, c.boxWidth, c.boxHeight}},
            {"clipped right", {c.boxWidth / 2 + 1, c.boxHeight}, {0, 0, c.boxWidth, c.boxHeight}},
        };
        for (const Placement& p : placements) {
          SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << bytesPerPixel
                                          << " bytes a pixel onto " << c.boxWidth << "x" << c.boxHeight << ", "
                                          << p.name << (fill == Fill::kNoise ? ", noise" : ", hard edges"));
          const QImage scalar = Drawn(SimdPath::kScalar, *picture, topCut, p.buffer, p.box);
          const QImage vector = Drawn(GetParam(), *picture, topCut, p.buffer, p.box);
          ASSERT_EQ(FirstDifference(scalar, vector), "");
        }
      }
    }
  }
}

// Greyscale, the sharpening's blur and mask, and the level table, on a
// region of an RGB32 picture whose rows are cut at every remainder of the
// sixteen-byte loops.
TEST_P(SimdPaths, EnhancementGivesTheScalarLoopsBytes) {
  EnhanceSettings settings;
  settings.contrast = 35;
  settings.gammaTenths = 14;
  settings.sharpen = 100;
  for (bool greyscale : {false, true}) {
    settings.greyscale = greyscale;
    for (int width : {1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 16, 17, 31, 33, 130}) {
      for (Fill fill : {Fill::kNoise, Fill::kHardEdges}) {
        const DibPtr picture = Picture(width + 3, 9, 4, fill);
        QImage original(width + 3, 9, QImage::Format_RGB32);
        for (int y = 0; y < 9; ++y) std::memcpy(original.scanLine(y), picture->RowFromTop(y), (width + 3) * 4);
        const QRect region(1, 1, width, 7);
        SCOPED_TRACE(testing::Message() << width << " pixels wide" << (greyscale ? ", greyscale" : "")
                                        << (fill == Fill::kNoise ? ", noise" : ", hard edges"));
        QImage scalar = original.copy();
        ASSERT_TRUE(ForceSimdPath(SimdPath::kScalar));
        EnhanceRegion(scalar, region, settings);
        QImage vector = original.copy();
        ASSERT_TRUE(ForceSimdPath(GetParam()));
        EnhanceRegion(vector, region, settings);
        ASSERT_NE(FirstDifference(original, scalar), "") << "the enhancement changed nothing";
        ASSERT_EQ(FirstDifference(scalar, vector), "");
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EachPath, SimdPaths,
                         ::testing::Values(SimdPath::kSse2, SimdPath::kSsse3, SimdPath::kAvx2, SimdPath::kAvx512),
                         [](const ::testing::TestParamInfo<SimdPath>& info) {
                           return std::string(SimdPathName(info.param));
                         });

// SELVO_SIMD names the path the loops take, within what the processor
// runs (the test list runs this once with it set to each name).
TEST(SimdPath, TheEnvironmentNarrowsThePathWithinWhatTheProcessorRuns) {
  const char* asked = std::getenv("SELVO_SIMD");
  if (asked == nullptr) {
    EXPECT_EQ(ActiveSimdPath(), SupportedSimdPath());
    return;
  }
  const std::optional<SimdPath> path = ParseSimdPath(asked);
  ASSERT_TRUE(path.has_value()) << asked;
  EXPECT_EQ(ActiveSimdPath(), std::min(*path, SupportedSimdPath())) << asked;
}

TEST(SimdPath, NamesAndForcing) {
  for (SimdPath path : {SimdPath::kScalar, SimdPath::kSse2, SimdPath::kSsse3, SimdPath::kAvx2, SimdPath::kAvx512}) {
    EXPECT_EQ(ParseSimdPath(SimdPathName(path)), path);
  }
  EXPECT_EQ(ParseSimdPath("AVX2"), SimdPath::kAvx2);
  EXPECT_EQ(ParseSimdPath("avx1024"), std::nullopt);
  EXPECT_EQ(ParseSimdPath(""), std::nullopt);
  const SimdPath before = ActiveSimdPath();
  EXPECT_TRUE(ForceSimdPath(SimdPath::kScalar));
  EXPECT_EQ(ActiveSimdPath(), SimdPath::kScalar);
  if (SupportedSimdPath() < SimdPath::kAvx2) {
    EXPECT_FALSE(ForceSimdPath(SimdPath::kAvx2));
    EXPECT_EQ(ActiveSimdPath(), SimdPath::kScalar) << "a refused path changes nothing";
  }
  ForceSimdPath(before);
}

}  // namespace
}  // namespace selvo
