#include "export/OverlayBlend.h"

#include <algorithm>
#include <cmath>

namespace selvo {

namespace {

// BT.601 in limited range: 219 steps of luma and 224 of chroma for 255 of
// each RGB channel.
constexpr double kLumaScale = 219.0 / 255.0;
constexpr double kChromaScale = 224.0 / 255.0;

struct Rgb {
  double red = 0;
  double green = 0;
  double blue = 0;
};

// RGB32 in memory: blue, green, red, unused.
const std::uint8_t* PixelAt(const FrameCanvas& canvas, int x, int y) {
  return canvas.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.stride) + 4 * x;
}

Rgb ColourAt(const FrameCanvas& canvas, int x, int y) {
  const std::uint8_t* p = PixelAt(canvas, x, y);
  return Rgb{double(p[2]), double(p[1]), double(p[0])};
}

bool Untouched(const FrameCanvas& overBlack, const FrameCanvas& overWhite, int x, int y) {
  const std::uint8_t* black = PixelAt(overBlack, x, y);
  const std::uint8_t* white = PixelAt(overWhite, x, y);
  return (black[0] | black[1] | black[2]) == 0 && (white[0] & white[1] & white[2]) == 0xFF;
}

// The share of the picture a pixel keeps: what white under it still adds.
double KeptShare(const FrameCanvas& overBlack, const FrameCanvas& overWhite, int x, int y) {
  const Rgb black = ColourAt(overBlack, x, y);
  const Rgb white = ColourAt(overWhite, x, y);
  return (white.red - black.red + white.green - black.green + white.blue - black.blue) / (3 * 255.0);
}

double Luma(const Rgb& c) { return kLumaScale * (0.299 * c.red + 0.587 * c.green + 0.114 * c.blue); }
double BlueDifference(const Rgb& c) { return kChromaScale * (-0.168736 * c.red - 0.331264 * c.green + 0.5 * c.blue); }
double RedDifference(const Rgb& c) { return kChromaScale * (0.5 * c.red - 0.418688 * c.green - 0.081312 * c.blue); }

std::int16_t Steps(double value) { return static_cast<std::int16_t>(std::lround(value)); }
std::uint16_t Keep(double share) { return static_cast<std::uint16_t>(std::lround(std::clamp(share, 0.0, 1.0) * 256)); }

// add + keep x (value - zero) + zero, in the plane's code values.
std::uint8_t Blend(int value, int zero, int add, int keep) {
  return static_cast<std::uint8_t>(std::clamp(zero + add + ((keep * (value - zero) + 128) >> 8), 0, 255));
}

}  // namespace

void OverlayBlend::Build(const FrameCanvas& overBlack, const FrameCanvas& overWhite) {
  int left = overBlack.width, top = overBlack.height, right = 0, bottom = 0;
  for (int y = 0; y < overBlack.height; ++y) {
    for (int x = 0; x < overBlack.width; ++x) {
      if (Untouched(overBlack, overWhite, x, y)) continue;
      left = std::min(left, x);
      right = std::max(right, x + 1);
      top = std::min(top, y);
      bottom = std::max(bottom, y + 1);
    }
  }
  width_ = height_ = 0;
  luma_.clear();
  blue_.clear();
  red_.clear();
  if (right <= left) return;
  // Whole chroma pixels: the frame's own sides are even.
  left_ = left & ~1;
  top_ = top & ~1;
  width_ = std::min((right + 1) & ~1, overBlack.width & ~1) - left_;
  height_ = std::min((bottom + 1) & ~1, overBlack.height & ~1) - top_;
  if (width_ <= 0 || height_ <= 0) {
    width_ = height_ = 0;
    return;
  }
  BuildLuma(overBlack, overWhite);
  BuildChroma(overBlack, overWhite);
}

void OverlayBlend::BuildLuma(const FrameCanvas& overBlack, const FrameCanvas& overWhite) {
  luma_.resize(static_cast<std::size_t>(width_) * height_);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      Term& term = luma_[static_cast<std::size_t>(y) * width_ + x];
      term.add = Steps(Luma(ColourAt(overBlack, left_ + x, top_ + y)));
      term.keep = Keep(KeptShare(overBlack, overWhite, left_ + x, top_ + y));
    }
  }
}

// Each chroma pixel takes the mean of its four luma pixels' terms, as
// 4:2:0 takes the mean of their colours.
void OverlayBlend::BuildChroma(const FrameCanvas& overBlack, const FrameCanvas& overWhite) {
  const int width = width_ / 2;
  const int height = height_ / 2;
  blue_.resize(static_cast<std::size_t>(width) * height);
  red_.resize(blue_.size());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double blue = 0, red = 0, kept = 0;
      for (int k = 0; k < 4; ++k) {
        const int px = left_ + 2 * x + (k & 1);
        const int py = top_ + 2 * y + (k >> 1);
        const Rgb colour = ColourAt(overBlack, px, py);
        blue += BlueDifference(colour) / 4;
        red += RedDifference(colour) / 4;
        kept += KeptShare(overBlack, overWhite, px, py) / 4;
      }
      const std::size_t at = static_cast<std::size_t>(y) * width + x;
      blue_[at] = Term{Steps(blue), Keep(kept)};
      red_[at] = Term{Steps(red), Keep(kept)};
    }
  }
}

void OverlayBlend::Apply(std::uint8_t* const planes[3], const int strides[3]) const {
  for (int y = 0; y < height_; ++y) {
    std::uint8_t* row = planes[0] + static_cast<std::size_t>(top_ + y) * strides[0] + left_;
    const Term* terms = luma_.data() + static_cast<std::size_t>(y) * width_;
    for (int x = 0; x < width_; ++x) row[x] = Blend(row[x], 16, terms[x].add, terms[x].keep);
  }
  const int width = width_ / 2;
  for (int y = 0; y < height_ / 2; ++y) {
    const std::size_t at = static_cast<std::size_t>(y) * width;
    std::uint8_t* blueRow = planes[1] + static_cast<std::size_t>(top_ / 2 + y) * strides[1] + left_ / 2;
    std::uint8_t* redRow = planes[2] + static_cast<std::size_t>(top_ / 2 + y) * strides[2] + left_ / 2;
    for (int x = 0; x < width; ++x) {
      blueRow[x] = Blend(blueRow[x], 128, blue_[at + x].add, blue_[at + x].keep);
      redRow[x] = Blend(redRow[x], 128, red_[at + x].add, red_[at + x].keep);
    }
  }
}

}  // namespace selvo
