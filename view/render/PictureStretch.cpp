#include "view/render/PictureStretch.h"

#include <algorithm>
#include <cstring>

#include "source/ByteOrder.h"
#include "view/render/SimdPath.h"

#ifdef __SSE2__
#include <emmintrin.h>
#include <immintrin.h>
#include <tmmintrin.h>
#endif

namespace selvo {

namespace {

// Weights are 256ths, so a blend of two bytes stays within 16 bits: the
// loops below run on whole vectors of bytes (this file is built with full
// optimisation for that reason).
void BlendRows(const std::uint8_t* __restrict upper, const std::uint8_t* __restrict lower, std::uint8_t weight,
               std::size_t count, std::uint8_t* __restrict out) {
  const std::uint16_t lowerWeight = weight;
  const std::uint16_t upperWeight = static_cast<std::uint16_t>(256 - weight);
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = static_cast<std::uint8_t>(
        static_cast<std::uint16_t>(upper[i] * upperWeight + lower[i] * lowerWeight + 128) >> 8);
  }
}

void BlendColumns(const std::uint8_t* __restrict left, const std::uint8_t* __restrict right,
                  const std::uint8_t* __restrict weights, std::size_t count, std::uint8_t* __restrict out) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t rightWeight = weights[i];
    const std::uint16_t leftWeight = static_cast<std::uint16_t>(256 - rightWeight);
    out[i] = static_cast<std::uint8_t>(
        static_cast<std::uint16_t>(left[i] * leftWeight + right[i] * rightWeight + 128) >> 8);
  }
}

constexpr std::uint32_t kOpaque = 0xFF000000u;

// Each output column's two neighbours as opaque pixels: blue, green, red
// and a byte of the next pixel, which the opaque byte replaces.
void GatherNeighbours(const std::uint8_t* __restrict row, const int* __restrict offsets, int bytesPerPixel,
                      std::size_t count, std::uint32_t* __restrict left, std::uint32_t* __restrict right) {
  for (std::size_t x = 0; x < count; ++x) {
    const std::uint8_t* pixel = row + offsets[x];
    left[x] = ReadLe32(pixel) | kOpaque;
    right[x] = ReadLe32(pixel + bytesPerPixel) | kOpaque;
  }
}

#ifdef __SSE2__
inline int Load32(const std::uint8_t* p) {
  int value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// Four pixels blended with the weights of their four columns (16 bytes):
// the arithmetic of BlendColumns in 16-bit lanes, so the same bytes. The
// blend l * (256 - w) + r * w + 128 over 256 is l + ((r - l) * w + 128) over
// 256 (the first term is whole 256ths), which needs one multiply, not two;
// and as the result is a byte, the bits of the product above 16 never
// matter, so the multiply may wrap.
inline __m128i Blend4(__m128i left, __m128i right, const std::uint8_t* weights) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i half = _mm_set1_epi16(128);
  const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights));
  const auto blend = [&](__m128i l, __m128i r, __m128i rightWeight) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_sub_epi16(r, l), rightWeight), half), 8);
  };
  const __m128i lo = blend(_mm_unpacklo_epi8(left, zero), _mm_unpacklo_epi8(right, zero), _mm_unpacklo_epi8(w, zero));
  const __m128i hi = blend(_mm_unpackhi_epi8(left, zero), _mm_unpackhi_epi8(right, zero), _mm_unpackhi_epi8(w, zero));
  return _mm_add_epi8(_mm_packus_epi16(lo, hi), left);
}

// The gather and the blend of BlendColumns, four output pixels at a time in
// registers: the neighbours never go through memory, which is where the
// plain loops spend their time. The same arithmetic, so the same bytes.
// Answers how many pixels it stretched; the rest are left to the plain loops.
std::size_t StretchColumnsSse2(const std::uint8_t* __restrict row, const int* __restrict offsets, int bytesPerPixel,
                               const std::uint8_t* __restrict weights, std::size_t count,
                               std::uint32_t* __restrict out) {
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(kOpaque));
  std::size_t x = 0;
  for (; x + 4 <= count; x += 4) {
    const std::uint8_t* p0 = row + offsets[x];
    const std::uint8_t* p1 = row + offsets[x + 1];
    const std::uint8_t* p2 = row + offsets[x + 2];
    const std::uint8_t* p3 = row + offsets[x + 3];
    const __m128i left = _mm_or_si128(_mm_setr_epi32(Load32(p0), Load32(p1), Load32(p2), Load32(p3)), opaque);
    const __m128i right =
        _mm_or_si128(_mm_setr_epi32(Load32(p0 + bytesPerPixel), Load32(p1 + bytesPerPixel),
                                    Load32(p2 + bytesPerPixel), Load32(p3 + bytesPerPixel)),
                     opaque);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), Blend4(left, right, weights + 4 * x));
  }
  return x;
}

// With SSSE3 the four pixels' neighbours come out of one 16-byte read of the
// row by two byte shuffles made for them in advance (PrepareShuffles).
__attribute__((target("ssse3"))) std::size_t StretchGroupsSsse3(const std::uint8_t* __restrict row,
                                                                  const int* __restrict groupBytes,
                                                                  const std::uint8_t* __restrict shuffles,
                                                                  const std::uint8_t* __restrict weights,
                                                                  std::size_t groups, std::uint32_t* __restrict out) {
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(kOpaque));
  for (std::size_t g = 0; g < groups; ++g) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + groupBytes[g]));
    const auto* masks = reinterpret_cast<const __m128i*>(shuffles + 32 * g);
    const __m128i left = _mm_or_si128(_mm_shuffle_epi8(bytes, _mm_loadu_si128(masks)), opaque);
    const __m128i right = _mm_or_si128(_mm_shuffle_epi8(bytes, _mm_loadu_si128(masks + 1)), opaque);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * g), Blend4(left, right, weights + 16 * g));
  }
  return 4 * groups;
}

// Blend4 on eight pixels: 16-bit lanes never cross the two 128-bit halves,
// so each half is one group of four with its own weights.
__attribute__((target("avx2"))) inline __m256i BlendWords(__m256i l, __m256i r, __m256i rightWeight) {
  const __m256i half = _mm256_set1_epi16(128);
  return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(r, l), rightWeight), half), 8);
}

__attribute__((target("avx2"))) inline __m256i Blend8(__m256i left, __m256i right, __m256i w) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i lo =
      BlendWords(_mm256_unpacklo_epi8(left, zero), _mm256_unpacklo_epi8(right, zero), _mm256_unpacklo_epi8(w, zero));
  const __m256i hi =
      BlendWords(_mm256_unpackhi_epi8(left, zero), _mm256_unpackhi_epi8(right, zero), _mm256_unpackhi_epi8(w, zero));
  return _mm256_add_epi8(_mm256_packus_epi16(lo, hi), left);
}

__attribute__((target("avx2"))) inline __m256i LoadPair(const std::uint8_t* low, const std::uint8_t* high) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

// StretchGroupsSsse3 two groups at a time, one in each half of the vector.
// Answers how many groups it stretched: an odd last one is left over.
__attribute__((target("avx2"))) std::size_t StretchGroupPairsAvx2(const std::uint8_t* __restrict row,
                                                                   const int* __restrict groupBytes,
                                                                   const std::uint8_t* __restrict shuffles,
                                                                   const std::uint8_t* __restrict weights,
                                                                   std::size_t groups, std::uint32_t* __restrict out) {
  const __m256i opaque = _mm256_set1_epi32(static_cast<int>(kOpaque));
  std::size_t g = 0;
  for (; g + 2 <= groups; g += 2) {
    const __m256i bytes = LoadPair(row + groupBytes[g], row + groupBytes[g + 1]);
    const std::uint8_t* masks = shuffles + 32 * g;
    // The shuffles leave the fourth byte zero in both neighbours, so it
    // blends to zero and is made opaque once, at the end.
    const __m256i left = _mm256_shuffle_epi8(bytes, LoadPair(masks, masks + 32));
    const __m256i right = _mm256_shuffle_epi8(bytes, LoadPair(masks + 16, masks + 48));
    const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + 16 * g));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * g), _mm256_or_si256(Blend8(left, right, w), opaque));
  }
  return g;
}

// With AVX-512 sixteen columns' neighbours come out of one 64-byte read of
// the row, each colour byte straight into a 16-bit lane by a byte permute
// that zeroes the rest (the fourth byte blends to zero and is made opaque
// at the end). The arithmetic of Blend4 on words, the low byte kept: the
// same bytes. Answers how many groups of sixteen it stretched.
__attribute__((target("avx2,avx512f,avx512bw,avx512vbmi"))) std::size_t StretchWideGroupsAvx512(
    const std::uint8_t* __restrict row, const int* __restrict wideBytes, const std::uint8_t* __restrict permutes,
    const std::uint8_t* __restrict weights, int bytesPerPixel, std::size_t groups, std::uint32_t* __restrict out) {
  constexpr __mmask64 kColourLowBytes = 0x1515151515151515ull;  // bytes 0, 2 and 4 of every 8
  const __m512i half = _mm512_set1_epi16(128);
  const __m512i nextPixel = _mm512_set1_epi8(static_cast<char>(bytesPerPixel));
  const __m256i opaque = _mm256_set1_epi32(static_cast<int>(kOpaque));
  for (std::size_t g = 0; g < groups; ++g) {
    const __m512i bytes = _mm512_loadu_si512(row + wideBytes[g]);
    __m256i blended[2];
    for (int h = 0; h < 2; ++h) {
      const __m512i first = _mm512_loadu_si512(permutes + 128 * g + 64 * h);
      const __m512i l = _mm512_maskz_permutexvar_epi8(kColourLowBytes, first, bytes);
      const __m512i r = _mm512_maskz_permutexvar_epi8(kColourLowBytes, _mm512_add_epi8(first, nextPixel), bytes);
      const __m512i w =
          _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + 64 * g + 32 * h)));
      const __m512i step = _mm512_srli_epi16(_mm512_add_epi16(_mm512_mullo_epi16(_mm512_sub_epi16(r, l), w), half), 8);
      blended[h] = _mm512_maskz_cvtepi16_epi8(~__mmask32{0}, _mm512_add_epi16(step, l));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 16 * g), _mm256_or_si256(blended[0], opaque));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 16 * g + 8), _mm256_or_si256(blended[1], opaque));
  }
  return groups;
}

// BlendRows on 32 bytes at a time; answers how many bytes it blended.
__attribute__((target("avx2"))) std::size_t BlendRowsAvx2(const std::uint8_t* __restrict upper,
                                                           const std::uint8_t* __restrict lower, std::uint8_t weight,
                                                           std::size_t count, std::uint8_t* __restrict out) {
  const __m256i w = _mm256_set1_epi8(static_cast<char>(weight));
  std::size_t i = 0;
  for (; i + 32 <= count; i += 32) {
    const __m256i u = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(upper + i));
    const __m256i l = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lower + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), Blend8(u, l, w));
  }
  return i;
}

// BlendRowsAvx2 on 64 bytes at a time: unpacking and packing stay within
// each 128-bit quarter, so each quarter is one group of sixteen bytes.
__attribute__((target("avx2,avx512f,avx512bw"))) std::size_t BlendRowsAvx512(const std::uint8_t* __restrict upper,
                                                                         const std::uint8_t* __restrict lower,
                                                                         std::uint8_t weight, std::size_t count,
                                                                         std::uint8_t* __restrict out) {
  const __m512i zero = _mm512_setzero_si512();
  const __m512i half = _mm512_set1_epi16(128);
  const __m512i w = _mm512_set1_epi16(weight);
  std::size_t i = 0;
  for (; i + 64 <= count; i += 64) {
    const __m512i u = _mm512_loadu_si512(upper + i);
    const __m512i l = _mm512_loadu_si512(lower + i);
    const __m512i lo = _mm512_srli_epi16(
        _mm512_add_epi16(
            _mm512_mullo_epi16(_mm512_sub_epi16(_mm512_unpacklo_epi8(l, zero), _mm512_unpacklo_epi8(u, zero)), w),
            half),
        8);
    const __m512i hi = _mm512_srli_epi16(
        _mm512_add_epi16(
            _mm512_mullo_epi16(_mm512_sub_epi16(_mm512_unpackhi_epi8(l, zero), _mm512_unpackhi_epi8(u, zero)), w),
            half),
        8);
    _mm512_storeu_si512(out + i, _mm512_add_epi8(_mm512_packus_epi16(lo, hi), u));
  }
  return i;
}
#endif

void BlendRowsFast(SimdPath path, const std::uint8_t* upper, const std::uint8_t* lower, std::uint8_t weight,
                   std::size_t count, std::uint8_t* out) {
  std::size_t done = 0;
#ifdef __SSE2__
  if (path >= SimdPath::kAvx512) done = BlendRowsAvx512(upper, lower, weight, count, out);
  if (path >= SimdPath::kAvx2)
    done += BlendRowsAvx2(upper + done, lower + done, weight, count - done, out + done);
#else
  (void)path;
#endif
  BlendRows(upper + done, lower + done, weight, count - done, out + done);
}
}  // namespace

void PictureStretch::BuildTaps(int source, int target, std::vector<Tap>& taps) {
  taps.resize(static_cast<std::size_t>(target));
  for (int i = 0; i < target; ++i) {
    // The centre of target pixel i in source pixels, in 16.16 fixed point.
    std::int64_t position =
        ((static_cast<std::int64_t>(2 * i + 1) * source) << 16) / (2 * static_cast<std::int64_t>(target)) - 0x8000;
    position = std::max<std::int64_t>(position, 0);
    Tap tap;
    tap.index = static_cast<int>(position >> 16);
    tap.weight = static_cast<std::uint8_t>((position & 0xFFFF) >> 8);
    if (tap.index >= source - 1) tap = Tap{source - 1, 0};  // the edge pixel alone
    taps[static_cast<std::size_t>(i)] = tap;
  }
}

void PictureStretch::Prepare(int sourceWidth, int sourceRows, int bytesPerPixel, const PixelBox& box) {
  if (sourceWidth == sourceWidth_ && sourceRows == sourceRows_ && bytesPerPixel == bytesPerPixel_ &&
      box.w == boxWidth_ && box.h == boxHeight_) {
    return;
  }
  sourceWidth_ = sourceWidth;
  sourceRows_ = sourceRows;
  bytesPerPixel_ = bytesPerPixel;
  boxWidth_ = box.w;
  boxHeight_ = box.h;
  BuildTaps(sourceWidth, box.w, columns_);
  BuildTaps(sourceRows, box.h, rows_);
  const auto width = static_cast<std::size_t>(box.w);
  columnBytes_.resize(width);
  columnWeights_.resize(width * 4);
  const int rowBytes = sourceWidth * bytesPerPixel;
  wholeReadColumns_ = 0;
  for (std::size_t x = 0; x < width; ++x) {
    columnBytes_[x] = columns_[x].index * bytesPerPixel;
    std::fill_n(columnWeights_.begin() + static_cast<std::ptrdiff_t>(4 * x), 4, columns_[x].weight);
    if (columnBytes_[x] + bytesPerPixel + 4 <= rowBytes) wholeReadColumns_ = static_cast<int>(x) + 1;
  }
  PrepareShuffles(rowBytes);
  PreparePermutes(rowBytes);
  for (auto& row : stretched_) row.resize(width);
  left_.resize(width);
  right_.resize(width);
}

// The last column's second neighbour must lie within the readBytes read
// from the group's first column, and so must the read within the row.
bool PictureStretch::GroupFitsOneRead(int x, int columns, int readBytes, int rowBytes) const {
  const int base = columnBytes_[static_cast<std::size_t>(x)];
  const int lastEnd = columnBytes_[static_cast<std::size_t>(x + columns - 1)] + bytesPerPixel_ + 3;
  return lastEnd <= base + readBytes && base + readBytes <= rowBytes;
}

void PictureStretch::PrepareShuffles(int rowBytes) {
  groupBytes_.clear();
  shuffles_.clear();
  for (int x = 0; x + 4 <= wholeReadColumns_ && GroupFitsOneRead(x, 4, 16, rowBytes); x += 4) {
    const int base = columnBytes_[static_cast<std::size_t>(x)];
    groupBytes_.push_back(base);
    for (int side = 0; side < 2; ++side) {
      for (int k = 0; k < 4; ++k) {
        const int first = columnBytes_[static_cast<std::size_t>(x + k)] - base + side * bytesPerPixel_;
        for (int b = 0; b < 3; ++b) shuffles_.push_back(static_cast<std::uint8_t>(first + b));
        shuffles_.push_back(0x80);  // a zero, which the opaque byte replaces
      }
    }
  }
}

void PictureStretch::PreparePermutes(int rowBytes) {
  wideBytes_.clear();
  widePermutes_.clear();
  for (int x = 0; x + 16 <= wholeReadColumns_ && GroupFitsOneRead(x, 16, 64, rowBytes); x += 16) {
    const int base = columnBytes_[static_cast<std::size_t>(x)];
    wideBytes_.push_back(base);
    for (int k = 0; k < 16; ++k) {
      const int first = columnBytes_[static_cast<std::size_t>(x + k)] - base;
      // Colour c of column k goes to the low byte of word 4k + c; the
      // high bytes and the fourth word are zeroed by the permute's mask.
      for (int c = 0; c < 4; ++c) {
        widePermutes_.push_back(static_cast<std::uint8_t>(c < 3 ? first + c : 0));
        widePermutes_.push_back(0);
      }
    }
  }
}

const std::uint32_t* PictureStretch::StretchedRow(const DibBlock& image, int topCut, int row, int keep,
                                                  int firstColumn, int columns) {
  for (int slot = 0; slot < 2; ++slot) {
    if (stretchedRow_[slot] == row) return stretched_[slot].data();
  }
  const int slot = stretchedRow_[0] == keep ? 1 : 0;
  stretchedRow_[slot] = row;
  const std::uint8_t* pixels = image.RowFromTop(topCut + row);
  const int end = firstColumn + columns;
  const int whole = std::clamp(wholeReadColumns_, firstColumn, end);
  auto first = static_cast<std::size_t>(firstColumn);
  std::uint32_t* out = stretched_[slot].data();
#ifdef __SSE2__
  if (first == 0 && path_ >= SimdPath::kAvx512) {
    const std::size_t wide = std::min(wideBytes_.size(), static_cast<std::size_t>(whole) / 16);
    first += 16 * StretchWideGroupsAvx512(pixels, wideBytes_.data(), widePermutes_.data(), columnWeights_.data(),
                                          bytesPerPixel_, wide, out);
  }
  // The groups of four go on where the wide ones stopped, if they reach
  // that far.
  const std::size_t groups = std::min(groupBytes_.size(), static_cast<std::size_t>(whole) / 4);
  if (first % 4 == 0 && first / 4 < groups && path_ >= SimdPath::kSsse3) {
    const std::size_t from = first / 4;
    const std::size_t paired =
        path_ >= SimdPath::kAvx2 ? StretchGroupPairsAvx2(pixels, groupBytes_.data() + from, shuffles_.data() + 32 * from,
                                                         columnWeights_.data() + 16 * from, groups - from, out + first)
                                 : 0;
    first += 4 * paired;
    first += StretchGroupsSsse3(pixels, groupBytes_.data() + from + paired, shuffles_.data() + 32 * (from + paired),
                                columnWeights_.data() + 16 * (from + paired), groups - from - paired, out + first);
  }
  if (path_ >= SimdPath::kSse2) {
    first += StretchColumnsSse2(pixels, columnBytes_.data() + first, bytesPerPixel_, columnWeights_.data() + 4 * first,
                                static_cast<std::size_t>(whole) - first, out + first);
  }
#endif
  GatherNeighbours(pixels, columnBytes_.data() + first, bytesPerPixel_, static_cast<std::size_t>(whole) - first,
                   left_.data() + first, right_.data() + first);
  for (int x = whole; x < end; ++x) {
    // At the row's end a four-byte read would pass it.
    const std::uint8_t* p = pixels + columnBytes_[static_cast<std::size_t>(x)];
    const std::uint8_t* q = columns_[static_cast<std::size_t>(x)].weight != 0 ? p + bytesPerPixel_ : p;
    left_[static_cast<std::size_t>(x)] = qRgb(p[2], p[1], p[0]);
    right_[static_cast<std::size_t>(x)] = qRgb(q[2], q[1], q[0]);
  }
  BlendColumns(reinterpret_cast<const std::uint8_t*>(left_.data() + first),
               reinterpret_cast<const std::uint8_t*>(right_.data() + first), columnWeights_.data() + 4 * first,
               static_cast<std::size_t>(end) * 4 - 4 * first, reinterpret_cast<std::uint8_t*>(out + first));
  return stretched_[slot].data();
}

bool PictureStretch::Draw(const DibBlock& image, int topCut, QImage& buffer, const PixelBox& box) {
  const int sourceRows = image.Height() - topCut;
  if (image.Width() <= 0 || sourceRows <= 0 || topCut < 0 || box.w <= 0 || box.h <= 0) return false;
  if (buffer.format() != QImage::Format_RGB32) return false;
  const int bytesPerPixel = image.BytesPerPixel() == 4 ? 4 : 3;
  const int firstColumn = std::max(0, -box.x);
  const int endColumn = std::min(box.w, buffer.width() - box.x);
  const int firstRow = std::max(0, -box.y);
  const int endRow = std::min(box.h, buffer.height() - box.y);
  if (firstColumn >= endColumn || firstRow >= endRow) return true;
  Prepare(image.Width(), sourceRows, bytesPerPixel, box);
  // Every picture is new: nothing kept from the last one may be reused.
  stretchedRow_[0] = stretchedRow_[1] = -1;
  path_ = ActiveSimdPath();
  const int columns = endColumn - firstColumn;
  const auto bytes = static_cast<std::size_t>(columns) * 4;
  // The buffer's pixels looked up once, not once a row (scanLine checks for
  // sharing every time).
  uchar* const pixels = buffer.bits();
  const qsizetype stride = buffer.bytesPerLine();
  for (int y = firstRow; y < endRow; ++y) {
    const Tap& tap = rows_[static_cast<std::size_t>(y)];
    auto* out = pixels + (box.y + y) * stride + static_cast<qsizetype>(box.x + firstColumn) * 4;
    const int below = std::min(tap.index + 1, sourceRows - 1);
    const std::uint32_t* upper = StretchedRow(image, topCut, tap.index, below, firstColumn, columns) + firstColumn;
    if (tap.weight == 0) {
      std::memcpy(out, upper, bytes);
      continue;
    }
    const std::uint32_t* lower = StretchedRow(image, topCut, below, tap.index, firstColumn, columns) + firstColumn;
    BlendRowsFast(path_, reinterpret_cast<const std::uint8_t*>(upper), reinterpret_cast<const std::uint8_t*>(lower),
                  tap.weight, bytes, out);
  }
  return true;
}

}  // namespace selvo
