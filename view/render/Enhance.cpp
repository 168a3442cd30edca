#include "view/render/Enhance.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "view/render/SimdPath.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace selvo {

namespace {

constexpr double kClipFraction = 0.005;

std::uint8_t ClipByte(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

std::string Signed(int value) { return (value > 0 ? "+" : "") + std::to_string(value); }

// Rec. 601 weights in 8-bit fixed point; they add up to 256.
inline int Luma(QRgb px) { return (77 * qRed(px) + 150 * qGreen(px) + 29 * qBlue(px)) >> 8; }

bool IsIdentity(const LevelTable& table) {
  for (std::size_t v = 0; v < table.size(); ++v)
    if (table[v] != v) return false;
  return true;
}

inline std::uint32_t Grey(std::uint32_t g) { return 0xFF000000u | (g << 16) | (g << 8) | g; }

// The Rec. 601 luma of four pixels at once: their bytes widened to 16 bits,
// multiplied and paired up by madd, the pairs added.
#ifdef __SSE2__
inline void Luma4(const QRgb* px, std::int32_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i weights = _mm_setr_epi16(29, 150, 77, 0, 29, 150, 77, 0);  // B, G, R, A in memory
  const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px));
  const __m128 lo = _mm_castsi128_ps(_mm_madd_epi16(_mm_unpacklo_epi8(pixels, zero), weights));
  const __m128 hi = _mm_castsi128_ps(_mm_madd_epi16(_mm_unpackhi_epi8(pixels, zero), weights));
  const __m128i even = _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0)));
  const __m128i odd = _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_srli_epi32(_mm_add_epi32(even, odd), 8));
}
#endif

// The loops below run sixteen bytes at a time when vector is set (SSE2, which
// every x86-64 has, unless SELVO_SIMD says scalar); either way the same bytes.
bool UseVectors() { return ActiveSimdPath() >= SimdPath::kSse2; }

void ApplyGreyTable(QRgb* px, int count, const LevelTable& table, [[maybe_unused]] bool vector) {
  int x = 0;
#ifdef __SSE2__
  alignas(16) std::int32_t luma[4];
  for (; vector && x + 4 <= count; x += 4) {
    Luma4(px + x, luma);
    for (int k = 0; k < 4; ++k) px[x + k] = Grey(table[static_cast<std::size_t>(luma[k])]);
  }
#endif
  for (; x < count; ++x) px[x] = Grey(table[static_cast<std::size_t>(Luma(px[x]))]);
}

void ApplyTable(QImage& image, const QRect& r, const LevelTable& table, bool greyscale) {
  const bool vector = UseVectors();
  for (int y = r.top(); y <= r.bottom(); ++y) {
    auto* px = reinterpret_cast<QRgb*>(image.scanLine(y)) + r.left();
    if (greyscale) {
      ApplyGreyTable(px, r.width(), table, vector);
      continue;
    }
    for (int x = 0; x < r.width(); ++x) {
      const QRgb p = px[x];
      px[x] = 0xFF000000u | (std::uint32_t{table[qRed(p)]} << 16) | (std::uint32_t{table[qGreen(p)]} << 8) |
              table[qBlue(p)];
    }
  }
}

#ifdef __SSE2__
inline __m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// (a + 2h + b + 2) >> 2 on sixteen-bit lanes.
inline __m128i Binomial(__m128i a, __m128i h, __m128i b) {
  const __m128i sum = _mm_add_epi16(_mm_add_epi16(a, b), _mm_add_epi16(_mm_slli_epi16(h, 1), _mm_set1_epi16(2)));
  return _mm_srli_epi16(sum, 2);
}
#endif

// [1 2 1] / 4 along a row of 4-byte pixels, edges repeated.
void BlurRow(const std::uint8_t* __restrict in, std::uint8_t* __restrict out, int pixels, [[maybe_unused]] bool vector) {
  const int n = pixels * 4;
  if (pixels == 1) {
    std::copy(in, in + 4, out);
    return;
  }
  for (int c = 0; c < 4; ++c) {
    out[c] = static_cast<std::uint8_t>((3 * in[c] + in[4 + c] + 2) >> 2);
    out[n - 4 + c] = static_cast<std::uint8_t>((3 * in[n - 4 + c] + in[n - 8 + c] + 2) >> 2);
  }
  int i = 4;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128();
  for (; vector && i + 16 <= n - 4; i += 16) {
    const __m128i a = Load(in + i - 4), h = Load(in + i), b = Load(in + i + 4);
    const __m128i lo = Binomial(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(h, zero), _mm_unpacklo_epi8(b, zero));
    const __m128i hi = Binomial(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(h, zero), _mm_unpackhi_epi8(b, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < n - 4; ++i) out[i] = static_cast<std::uint8_t>((in[i - 4] + 2 * in[i] + in[i + 4] + 2) >> 2);
}

// Each byte moves away from its blur by gain / 16 of the difference; every
// term fits 16 bits, so sixteen bytes go at a time.
void MaskRow(std::uint8_t* __restrict px, const std::uint8_t* __restrict above, const std::uint8_t* __restrict here,
             const std::uint8_t* __restrict below, int bytes, int gain, [[maybe_unused]] bool vector) {
  int i = 0;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128();
  const __m128i g = _mm_set1_epi16(static_cast<short>(gain));
  const auto sharpen = [&](__m128i p, __m128i a, __m128i h, __m128i b) {
    const __m128i detail = _mm_sub_epi16(p, Binomial(a, h, b));
    return _mm_add_epi16(p, _mm_srai_epi16(_mm_mullo_epi16(detail, g), 4));
  };
  for (; vector && i + 16 <= bytes; i += 16) {
    const __m128i p = Load(px + i), a = Load(above + i), h = Load(here + i), b = Load(below + i);
    const __m128i lo = sharpen(_mm_unpacklo_epi8(p, zero), _mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(h, zero),
                               _mm_unpacklo_epi8(b, zero));
    const __m128i hi = sharpen(_mm_unpackhi_epi8(p, zero), _mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(h, zero),
                               _mm_unpackhi_epi8(b, zero));
    // Packing saturates: the clip to 0..255 comes free.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(px + i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < bytes; ++i) {
    const int blurred = (above[i] + 2 * here[i] + below[i] + 2) >> 2;
    const int v = px[i] + (((px[i] - blurred) * gain) >> 4);
    px[i] = static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
  }
}

// Unsharp mask against the 3 x 3 binomial blur; strength 100 adds twice the
// detail. The blurred rows live in a ring of three, read from each row
// before the mask overwrites it, so the work stays in the cache.
void Sharpen(QImage& image, const QRect& r, int strength) {
  const int w = r.width();
  const int h = r.height();
  const int rowBytes = w * 4;
  const int gain = strength * 16 / 50;
  if (gain == 0) return;
  const bool vector = UseVectors();
  thread_local std::vector<std::uint8_t> ring;
  ring.resize(static_cast<std::size_t>(rowBytes) * 3);
  const auto source = [&](int y) { return image.constScanLine(r.top() + std::clamp(y, 0, h - 1)) + r.left() * 4; };
  const auto slot = [&](int y) { return ring.data() + static_cast<std::size_t>((y + 3) % 3) * rowBytes; };
  BlurRow(source(0), slot(0), w, vector);
  BlurRow(source(1), slot(1), w, vector);
  for (int y = 0; y < h; ++y) {
    // Row y + 1 is blurred before row y is changed; its slot held row y - 2.
    if (y + 1 < h && y >= 1) BlurRow(source(y + 1), slot(y + 1), w, vector);
    const std::uint8_t* above = slot(y > 0 ? y - 1 : 0);
    const std::uint8_t* below = slot(y + 1 < h ? y + 1 : y);
    MaskRow(image.scanLine(r.top() + y) + r.left() * 4, above, slot(y), below, rowBytes, gain, vector);
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
  const LevelTable table = EnhanceLookupTable(s, bounds.lo, bounds.hi);
  if (s.greyscale || !IsIdentity(table)) ApplyTable(image, r, table, s.greyscale);
  if (s.sharpen > 0) Sharpen(image, r, s.sharpen);
}

}  // namespace selvo
