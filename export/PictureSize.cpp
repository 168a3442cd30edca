#include "export/PictureSize.h"

#include "source/ByteOrder.h"

namespace selvo {

namespace {

bool IsFrameHeader(std::uint8_t marker) {
  // SOF0..SOF15 without DHT (C4), JPG (C8) and DAC (CC).
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool Positive(PictureSize& size, std::uint32_t width, std::uint32_t height) {
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return false;
  size.width = static_cast<int>(width);
  size.height = static_cast<int>(height);
  return true;
}

bool ReadJpegSize(const std::uint8_t* bytes, std::size_t length, PictureSize& size) {
  if (length < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return false;
  std::size_t at = 2;
  while (at + 4 <= length) {
    if (bytes[at] != 0xFF) return false;
    const std::uint8_t marker = bytes[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
      at += 2;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return false;  // the scan or the end before any frame header
    const std::size_t segment = ReadBe16(bytes + at + 2);
    if (segment < 2) return false;
    if (IsFrameHeader(marker)) {
      // length, precision, height, width
      if (segment < 7 || at + 9 > length) return false;
      return Positive(size, ReadBe16(bytes + at + 7), ReadBe16(bytes + at + 5));
    }
    at += 2 + segment;
  }
  return false;
}

bool ReadCodestreamSize(const std::uint8_t* bytes, std::size_t length, PictureSize& size) {
  // SOC, then SIZ: length, capabilities, Xsiz, Ysiz, XOsiz, YOsiz.
  if (length < 22 || ReadBe16(bytes) != 0xFF4F || ReadBe16(bytes + 2) != 0xFF51) return false;
  const std::uint32_t xsiz = ReadBe32(bytes + 8);
  const std::uint32_t ysiz = ReadBe32(bytes + 12);
  const std::uint32_t xosiz = ReadBe32(bytes + 16);
  const std::uint32_t yosiz = ReadBe32(bytes + 20);
  if (xosiz >= xsiz || yosiz >= ysiz) return false;
  return Positive(size, xsiz - xosiz, ysiz - yosiz);
}

// Boxes of [from, to): the JP2 header box holds the image header, whose
// first fields are the height and the width.
bool ReadJp2BoxSize(const std::uint8_t* bytes, std::size_t from, std::size_t to, PictureSize& size) {
  std::size_t at = from;
  while (at + 8 <= to) {
    std::uint64_t box = ReadBe32(bytes + at);
    const std::uint32_t type = ReadBe32(bytes + at + 4);
    std::size_t header = 8;
    if (box == 1) {
      if (at + 16 > to) return false;
      box = (std::uint64_t{ReadBe32(bytes + at + 8)} << 32) | ReadBe32(bytes + at + 12);
      header = 16;
    } else if (box == 0) {
      box = to - at;
    }
    if (box < header) return false;
    const std::size_t end = box > to - at ? to : at + static_cast<std::size_t>(box);
    if (type == 0x6A703268) return ReadJp2BoxSize(bytes, at + header, end, size);  // "jp2h"
    if (type == 0x69686472) {                                                        // "ihdr"
      if (at + header + 8 > to) return false;
      return Positive(size, ReadBe32(bytes + at + header + 4), ReadBe32(bytes + at + header));
    }
    if (type == 0x6A703263) return ReadCodestreamSize(bytes + at + header, end - at - header, size);  // "jp2c"
    if (box > to - at) return false;
    at = end;
  }
  return false;
}

}  // namespace

bool ReadPictureSize(const std::uint8_t* bytes, std::size_t length, ImageCodec codec, PictureSize& size) {
  if (bytes == nullptr) return false;
  if (codec == ImageCodec::Jpeg) return ReadJpegSize(bytes, length, size);
  return ReadCodestreamSize(bytes, length, size) || ReadJp2BoxSize(bytes, 0, length, size);
}

}  // namespace selvo
