#include "view/PictureStretch.h"

#include <algorithm>
#include <cstring>

#include "source/ByteOrder.h"

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
// A pixel is read as four bytes; the row buffer ends with this many spare
// bytes so that the last pixel's reads stay inside it.
constexpr int kRowSlack = 8;

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
  for (std::size_t x = 0; x < width; ++x) {
    columnBytes_[x] = columns_[x].index * bytesPerPixel;
    std::fill_n(columnWeights_.begin() + static_cast<std::ptrdiff_t>(4 * x), 4, columns_[x].weight);
  }
  blendedRow_.assign(static_cast<std::size_t>(sourceWidth) * static_cast<std::size_t>(bytesPerPixel) + kRowSlack, 0);
  left_.resize(width);
  right_.resize(width);
}

void PictureStretch::DrawRow(const std::uint8_t* upper, const std::uint8_t* lower, std::uint8_t weight,
                             int firstColumn, int columns, std::uint32_t* out) {
  const std::size_t rowBytes = static_cast<std::size_t>(sourceWidth_) * static_cast<std::size_t>(bytesPerPixel_);
  if (weight == 0) {
    std::memcpy(blendedRow_.data(), upper, rowBytes);
  } else {
    BlendRows(upper, lower, weight, rowBytes, blendedRow_.data());
  }
  const auto first = static_cast<std::size_t>(firstColumn);
  const auto count = static_cast<std::size_t>(columns);
  GatherNeighbours(blendedRow_.data(), columnBytes_.data() + first, bytesPerPixel_, count, left_.data() + first,
                   right_.data() + first);
  BlendColumns(reinterpret_cast<const std::uint8_t*>(left_.data() + first),
               reinterpret_cast<const std::uint8_t*>(right_.data() + first), columnWeights_.data() + 4 * first,
               count * 4, reinterpret_cast<std::uint8_t*>(out));
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
  for (int y = firstRow; y < endRow; ++y) {
    const Tap& tap = rows_[static_cast<std::size_t>(y)];
    const int below = std::min(tap.index + 1, sourceRows - 1);
    auto* out = reinterpret_cast<std::uint32_t*>(buffer.scanLine(box.y + y)) + box.x + firstColumn;
    DrawRow(image.RowFromTop(topCut + tap.index), image.RowFromTop(topCut + below), tap.weight, firstColumn,
            endColumn - firstColumn, out);
  }
  return true;
}

}  // namespace selvo
