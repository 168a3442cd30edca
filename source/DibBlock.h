#pragma once
// A decoded image in the layout the views draw: a 40-byte bitmap information
// header, 4 spare bytes, then pixel rows bottom row first, each padded to a
// multiple of 4 bytes, blue-green-red (or 4 bytes per pixel). The block owns
// its memory; whoever holds the unique_ptr frees it.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace selvo {

class DibBlock {
 public:
  static constexpr std::size_t kHeaderBytes = 44;
  static constexpr std::size_t kInfoHeaderBytes = 40;
  // Above this many pixels a header is treated as hostile, not as a picture:
  // a recorder frame is far below it (4K is 8.3 Mpx), and a block this size
  // stays a quarter of a gigabyte even at 4 bytes a pixel.
  static constexpr std::int64_t kMaxPixels = 64LL * 1024 * 1024;

  // A zero-filled block for width x height pixels of bytesPerPixel bytes
  // (3 gives 24 bits; anything else is recorded as 32 bits, as the recorder's
  // tools do). Null for empty or absurd dimensions or when memory runs out.
  static std::unique_ptr<DibBlock> Create(int width, int height, int bytesPerPixel);
  // The same, for a caller that writes every picture byte itself: only the
  // padding at the end of each row is cleared. Clearing a whole block that
  // a decoder then overwrites cost a tenth of the decode.
  static std::unique_ptr<DibBlock> CreateForOverwrite(int width, int height, int bytesPerPixel);

  static std::size_t StrideFor(int width, int bytesPerPixel);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BytesPerPixel() const { return bytesPerPixel_; }
  int BitCount() const;
  std::size_t Stride() const { return stride_; }
  std::size_t ImageBytes() const { return stride_ * static_cast<std::size_t>(height_); }

  // The whole block, header included.
  std::uint8_t* Data() { return bytes_.get(); }
  const std::uint8_t* Data() const { return bytes_.get(); }
  std::size_t Size() const { return size_; }

  // Pixel rows, bottom row first.
  std::uint8_t* Pixels() { return bytes_.get() + kHeaderBytes; }
  const std::uint8_t* Pixels() const { return bytes_.get() + kHeaderBytes; }
  // Row y counted from the top of the picture.
  std::uint8_t* RowFromTop(int y) { return Pixels() + stride_ * static_cast<std::size_t>(height_ - 1 - y); }
  const std::uint8_t* RowFromTop(int y) const {
    return Pixels() + stride_ * static_cast<std::size_t>(height_ - 1 - y);
  }

  std::unique_ptr<DibBlock> Clone() const;

 private:
  DibBlock() = default;
  static std::unique_ptr<DibBlock> Allocate(int width, int height, int bytesPerPixel, bool cleared);
  void WriteInfoHeader();
  void ClearRowPadding();

  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t size_ = 0;
  std::size_t stride_ = 0;
  int width_ = 0;
  int height_ = 0;
  int bytesPerPixel_ = 3;
};

using DibPtr = std::unique_ptr<DibBlock>;

}  // namespace selvo
