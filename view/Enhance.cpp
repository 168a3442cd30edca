#include "view/Enhance.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace selvo {

namespace {

constexpr double kClipFraction = 0.005;

std::uint8_t ClipByte(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

std::string Signed(int value) { return (value > 0 ? "+" : "") + std::to_string(value); }

// Rec. 601 weights in 8-bit fixed point; they add up to 256.
inline int Luma(QRgb px) { return (77 * qRed(px) + 150 * qGreen(px) + 29 * qBlue(px)) >> 8; }

void ApplyTable(QImage& image, const QRect& r, const LevelTable& table, bool greyscale) {
  for (int y = r.top(); y <= r.bottom(); ++y) {
    auto* px = reinterpret_cast<QRgb*>(image.scanLine(y)) + r.left();
    if (greyscale) {
      for (int x = 0; x < r.width(); ++x) {
        const std::uint32_t g = table[static_cast<std::size_t>(Luma(px[x]))];
        px[x] = 0xFF000000u | (g << 16) | (g << 8) | g;
      }
    } else {
      auto* bytes = reinterpret_cast<std::uint8_t*>(px);
      const int count = r.width() * 4;
      // The fourth byte goes through the table as well and is put back
      // opaque afterwards: one branch-free loop the compiler can unroll.
      for (int i = 0; i < count; ++i) bytes[i] = table[bytes[i]];
      for (int x = 0; x < r.width(); ++x) px[x] |= 0xFF000000u;
    }
  }
}

// [1 2 1] / 4 along a row of 4-byte pixels, edges repeated.
void BlurRow(const std::uint8_t* in, std::uint8_t* out, int pixels) {
  const int n = pixels * 4;
  if (pixels == 1) {
    std::copy(in, in + 4, out);
    return;
  }
  for (int c = 0; c < 4; ++c) {
    out[c] = static_cast<std::uint8_t>((3 * in[c] + in[4 + c] + 2) >> 2);
    out[n - 4 + c] = static_cast<std::uint8_t>((3 * in[n - 4 + c] + in[n - 8 + c] + 2) >> 2);
  }
  for (int i = 4; i < n - 4; ++i) out[i] = static_cast<std::uint8_t>((in[i - 4] + 2 * in[i] + in[i + 4] + 2) >> 2);
}

// Unsharp mask: each byte moves away from its 3 x 3 binomial blur by
// strength / 50 of the difference (strength 100 adds twice the detail).
void Sharpen(QImage& image, const QRect& r, int strength) {
  const int w = r.width();
  const int h = r.height();
  const int rowBytes = w * 4;
  thread_local std::vector<std::uint8_t> rows;
  rows.resize(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) {
    BlurRow(image.constScanLine(r.top() + y) + r.left() * 4, rows.data() + static_cast<std::size_t>(y) * rowBytes, w);
  }
  const int gain = strength * 256 / 50;
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* above = rows.data() + static_cast<std::size_t>(std::max(y - 1, 0)) * rowBytes;
    const std::uint8_t* here = rows.data() + static_cast<std::size_t>(y) * rowBytes;
    const std::uint8_t* below = rows.data() + static_cast<std::size_t>(std::min(y + 1, h - 1)) * rowBytes;
    std::uint8_t* px = image.scanLine(r.top() + y) + r.left() * 4;
    for (int i = 0; i < rowBytes; ++i) {
      const int blurred = (above[i] + 2 * here[i] + below[i] + 2) >> 2;
      const int v = px[i] + (((px[i] - blurred) * gain) >> 8);
      px[i] = static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
  }
}

}  // namespace

bool EnhanceSettings::IsActive() const {
  return brightness != 0 || contrast != 0 || gammaTenths != 10 || autoLevels || sharpen != 0 || greyscale;
}

EnhanceSettings EnhanceSettings::Clamped() const {
  EnhanceSettings s = *this;
  s.brightness = std::clamp(brightness, kMinPercent, kMaxPercent);
  s.contrast = std::clamp(contrast, kMinPercent, kMaxPercent);
  s.gammaTenths = std::clamp(gammaTenths, kMinGammaTenths, kMaxGammaTenths);
  s.sharpen = std::clamp(sharpen, 0, kMaxSharpen);
  return s;
}

bool EnhanceSettings::operator==(const EnhanceSettings& o) const {
  return brightness == o.brightness && contrast == o.contrast && gammaTenths == o.gammaTenths &&
         autoLevels == o.autoLevels && sharpen == o.sharpen && greyscale == o.greyscale;
}

std::string EnhanceDescription(const EnhanceSettings& settings) {
  const EnhanceSettings s = settings.Clamped();
  if (!s.IsActive()) return std::string();
  std::string parts;
  const auto add = [&parts](const std::string& part) { parts += (parts.empty() ? "" : ", ") + part; };
  if (s.brightness != 0) add("brightness " + Signed(s.brightness));
  if (s.contrast != 0) add("contrast " + Signed(s.contrast));
  if (s.gammaTenths != 10) add("gamma " + std::to_string(s.gammaTenths / 10) + "." + std::to_string(s.gammaTenths % 10));
  if (s.autoLevels) add("auto levels");
  if (s.sharpen != 0) add("sharpen " + std::to_string(s.sharpen));
  if (s.greyscale) add("greyscale");
  return "enhanced: " + parts;
}

LevelTable EnhanceLookupTable(const EnhanceSettings& settings, int lo, int hi) {
  const EnhanceSettings s = settings.Clamped();
  lo = std::clamp(lo, 0, 255);
  hi = std::clamp(hi, 0, 255);
  if (hi <= lo) {
    lo = 0;
    hi = 255;
  }
  // Full contrast would be a step function; stop just short of it.
  const double slope = s.contrast >= 0 ? 100.0 / std::max(1, 100 - s.contrast) : (100.0 + s.contrast) / 100.0;
  const double lift = s.brightness * 255.0 / 100.0;
  const double exponent = 10.0 / s.gammaTenths;
  LevelTable table{};
  for (int v = 0; v < 256; ++v) {
    double x = (v - lo) * 255.0 / (hi - lo);
    x = (x - 127.5) * slope + 127.5 + lift;
    x = std::clamp(x, 0.0, 255.0);
    x = 255.0 * std::pow(x / 255.0, exponent);
    table[static_cast<std::size_t>(v)] = ClipByte(x);
  }
  return table;
}

LevelBounds AutoLevelBounds(const QImage& image, const QRect& rect) {
  const QRect r = rect.intersected(image.rect());
  if (r.isEmpty() || image.depth() != 32) return {};
  // Every second pixel of every second row: the bounds of a picture do not
  // need every pixel, and the histogram is then a quarter of the cost.
  std::array<int, 256> histogram{};
  int total = 0;
  for (int y = r.top(); y <= r.bottom(); y += 2) {
    const auto* px = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = r.left(); x <= r.right(); x += 2, ++total) ++histogram[static_cast<std::size_t>(Luma(px[x]))];
  }
  const int clip = static_cast<int>(total * kClipFraction);
  LevelBounds bounds;
  for (int seen = 0; bounds.lo < 255; ++bounds.lo) {
    seen += histogram[static_cast<std::size_t>(bounds.lo)];
    if (seen > clip) break;
  }
  for (int seen = 0; bounds.hi > 0; --bounds.hi) {
    seen += histogram[static_cast<std::size_t>(bounds.hi)];
    if (seen > clip) break;
  }
  if (bounds.hi <= bounds.lo) return {};
  return bounds;
}

void EnhanceRegion(QImage& image, const QRect& rect, const EnhanceSettings& settings) {
  const EnhanceSettings s = settings.Clamped();
  const QRect r = rect.intersected(image.rect());
  if (!s.IsActive() || r.isEmpty() || image.depth() != 32) return;
  const LevelBounds bounds = s.autoLevels ? AutoLevelBounds(image, r) : LevelBounds{};
  ApplyTable(image, r, EnhanceLookupTable(s, bounds.lo, bounds.hi), s.greyscale);
  if (s.sharpen > 0) Sharpen(image, r, s.sharpen);
}

}  // namespace selvo
