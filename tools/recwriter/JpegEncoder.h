#pragma once
// JPEG encoders for the demo generator and the tests; the viewer never
// encodes. Every function returns the complete file image, or an empty
// vector when the library refuses the input.
#include <cstdint>
#include <vector>

namespace selvo {

// rgb: top row first, 3 bytes per pixel (R, G, B), rows tightly packed.
// quality 1..100; 4:2:0 chroma subsampling like the recorder's cameras.
std::vector<std::uint8_t> EncodeJpeg(const std::uint8_t* rgb, int width, int height, int quality);

// grey: top row first, 1 byte per pixel; gives a one-component JPEG.
std::vector<std::uint8_t> EncodeGreyJpeg(const std::uint8_t* grey, int width, int height, int quality);

// cmyk: top row first, 4 bytes per pixel, stored in the inverted form such
// files use (255 = no ink); gives a four-component (YCCK) JPEG.
std::vector<std::uint8_t> EncodeCmykJpeg(const std::uint8_t* cmyk, int width, int height, int quality);

}  // namespace selvo
