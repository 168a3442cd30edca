#pragma once
// JPEG decoding straight into the DibBlock layout (bottom-up BGR rows).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "source/DibBlock.h"

namespace selvo {

// Colour and greyscale images give 24-bit BGR. Four-channel (CMYK / YCCK)
// images give 32 bits per pixel: B, G, R, each the ink-inverted channel times
// the fourth channel / 255 (rounded), then the fourth channel itself; rows are
// bottom-up too. Other channel counts are refused by the library.

// A file that decodes with warnings (damaged compressed data) is a picture:
// what the library made of it stays. Null when the library gives up (an
// unreadable header, a fatal error while decoding) or the file cannot be
// read. sizeOut (may be null) receives 44 + stride x height, on success only.
// failure (may be null) receives why on null: the library's own message
// where it gave up, our words where we refused.
DibPtr DecodeJpegFile(const std::string& path, std::uint32_t* sizeOut, std::string* failure = nullptr);

// A damaged image in memory still yields whatever was decoded (the rest of
// the block stays zero); only an unreadable header gives null.
DibPtr DecodeJpegMemory(const std::uint8_t* bytes, std::size_t length, std::uint32_t* sizeOut,
                        std::string* failure = nullptr);

// A picture's Y, Cb and Cr planes as the file codes them: full range, as
// JFIF's YCbCr is, at the file's own chroma subsampling, top row first.
struct JpegPlanes {
  int width = 0;
  int height = 0;
  int chromaWidth = 0;
  int chromaHeight = 0;
  int chromaShiftX = 0;  // log2 of luma pixels per chroma pixel across
  int chromaShiftY = 0;  // and down
  std::uint8_t* planes[3] = {nullptr, nullptr, nullptr};
  int strides[3] = {0, 0, 0};
  std::vector<std::uint8_t> memory;  // kept from one picture to the next
};

// The planes of a three-component YCbCr picture that the library decodes
// without a single complaint. false for anything else (greyscale, four
// channels, damaged data, a refused file): DecodeJpegMemory's picture is
// then the one the viewer shows, and the caller takes that.
bool DecodeJpegPlanes(const std::uint8_t* bytes, std::size_t length, JpegPlanes& out);

}  // namespace selvo
