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

// One plane of a hand-made codestream: 8-bit samples at the plane's own
// resolution, ceil(width / dx) x ceil(height / dy), top row first.
struct Jp2Plane {
  std::vector<std::uint8_t> samples;
  int dx = 1;
  int dy = 1;
};

// A bare reversible codestream (no boxes) of one to four planes stored as
// given, without a colour transform, so that a test can label it with any
// colour specification (see Jp2BoxWriter).
std::vector<std::uint8_t> EncodeLosslessCodestream(const std::vector<Jp2Plane>& planes, int width, int height);

}  // namespace selvo
