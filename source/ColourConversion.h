#pragma once
// Pixel formulas shared by the decoders, on 8-bit samples. Each writes one
// pixel as blue, green, red.
#include <cstdint>

namespace selvo {

// a x b / 255, rounded: 255 x 255 stays 255, so white stays white.
std::uint8_t MultiplyBytes(std::uint8_t a, std::uint8_t b);

// Luma and two chroma samples centred on 128 (sYCC and e-sYCC alike: the
// extended range only matters beyond what 8-bit display colour can show).
void LumaChromaToBgr(std::uint8_t luma, std::uint8_t blueChroma, std::uint8_t redChroma, std::uint8_t* bgr);

// Ink amounts with 0 as no ink and 255 as full ink, the way JPEG 2000
// stores them (JPEG files store the inverse).
void InkToBgr(std::uint8_t cyan, std::uint8_t magenta, std::uint8_t yellow, std::uint8_t black, std::uint8_t* bgr);

}  // namespace selvo
