#include "source/DibBlock.h"

#include <cstring>
#include <new>

#include "source/ByteOrder.h"

namespace selvo {

std::size_t DibBlock::StrideFor(int width, int bytesPerPixel) {
  const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytesPerPixel);
  return (rowBytes + 3) & ~static_cast<std::size_t>(3);
}

std::unique_ptr<DibBlock> DibBlock::Create(int width, int height, int bytesPerPixel) {
  return Allocate(width, height, bytesPerPixel, true);
}

std::unique_ptr<DibBlock> DibBlock::CreateForOverwrite(int width, int height, int bytesPerPixel) {
  auto block = Allocate(width, height, bytesPerPixel, false);
  if (block) block->ClearRowPadding();
  return block;
}

std::unique_ptr<DibBlock> DibBlock::Allocate(int width, int height, int bytesPerPixel, bool cleared) {
  if (width <= 0 || height <= 0 || bytesPerPixel <= 0 || bytesPerPixel > 16) return nullptr;
  if (static_cast<std::int64_t>(width) * height > kMaxPixels) return nullptr;
  std::unique_ptr<DibBlock> block(new (std::nothrow) DibBlock());
  if (!block) return nullptr;
  block->width_ = width;
  block->height_ = height;
  block->bytesPerPixel_ = bytesPerPixel;
  block->stride_ = StrideFor(width, bytesPerPixel);
  block->size_ = kHeaderBytes + block->ImageBytes();
  if (cleared) {
    block->bytes_.reset(new (std::nothrow) std::uint8_t[block->size_]());
  } else {
    block->bytes_.reset(new (std::nothrow) std::uint8_t[block->size_]);
  }
  if (!block->bytes_) return nullptr;
  block->WriteInfoHeader();
  return block;
}

// Padding goes into saved bitmap files: it must not carry old heap bytes.
void DibBlock::ClearRowPadding() {
  const std::size_t used = static_cast<std::size_t>(width_) * static_cast<std::size_t>(bytesPerPixel_);
  if (used == stride_) return;
  for (int row = 0; row < height_; ++row) {
    std::memset(Pixels() + stride_ * static_cast<std::size_t>(row) + used, 0, stride_ - used);
  }
}

int DibBlock::BitCount() const { return bytesPerPixel_ == 3 ? 24 : 32; }

void DibBlock::WriteInfoHeader() {
  std::uint8_t* h = bytes_.get();
  std::memset(h, 0, kHeaderBytes);
  WriteLe32(h + 0, static_cast<std::uint32_t>(kInfoHeaderBytes));
  WriteLe32(h + 4, static_cast<std::uint32_t>(width_));
  WriteLe32(h + 8, static_cast<std::uint32_t>(height_));
  WriteLe16(h + 12, 1);
  WriteLe16(h + 14, static_cast<std::uint16_t>(BitCount()));
  WriteLe32(h + 16, 0);
  WriteLe32(h + 20, static_cast<std::uint32_t>(ImageBytes()));
}

std::unique_ptr<DibBlock> DibBlock::Clone() const {
  auto copy = Allocate(width_, height_, bytesPerPixel_, false);
  if (copy) std::memcpy(copy->bytes_.get(), bytes_.get(), size_);
  return copy;
}

}  // namespace selvo
