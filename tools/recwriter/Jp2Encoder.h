#pragma once
// JPEG 2000 encoders for the demo generator and the tests. Each returns a
// complete .jp2 file image (signature box, "jp2 " file-type box, header box,
// codestream box), or an empty vector when the library refuses the input.
#include <cstdint>
#include <vector>

namespace selvo {

// rgb: top row first, 3 bytes per pixel (R, G, B), rows tightly packed.
// Lossy at a modest rate: small files, fast enough for a whole demo folder.
std::vector<std::uint8_t> EncodeJp2(const std::uint8_t* rgb, int width, int height);

// Reversible coding, so a decoder's output can be compared byte for byte.
// components is 1 (grey, 1 byte per pixel) or 3 (RGB).
std::vector<std::uint8_t> EncodeLosslessJp2(const std::uint8_t* pixels, int width, int height, int components);

}  // namespace selvo
