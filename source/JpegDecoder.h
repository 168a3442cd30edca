#pragma once
// JPEG decoding straight into the DibBlock layout (bottom-up BGR rows).
#include <cstddef>
#include <cstdint>
#include <string>

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

}  // namespace selvo
