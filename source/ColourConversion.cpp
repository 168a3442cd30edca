#include "source/ColourConversion.h"

#include <algorithm>

namespace selvo {
namespace {

std::uint8_t RoundToByte(double v) { return static_cast<std::uint8_t>(std::clamp(v + 0.5, 0.0, 255.0)); }

}  // namespace

std::uint8_t MultiplyBytes(std::uint8_t a, std::uint8_t b) {
  // Exact rounding of a x b / 255 without a division.
  const unsigned product = static_cast<unsigned>(a) * b + 128;
  return static_cast<std::uint8_t>((product + (product >> 8)) >> 8);
}

void LumaChromaToBgr(std::uint8_t luma, std::uint8_t blueChroma, std::uint8_t redChroma, std::uint8_t* bgr) {
  const double cb = blueChroma - 128.0;
  const double cr = redChroma - 128.0;
  bgr[0] = RoundToByte(luma + 1.772 * cb);
  bgr[1] = RoundToByte(luma - 0.344136 * cb - 0.714136 * cr);
  bgr[2] = RoundToByte(luma + 1.402 * cr);
}

void InkToBgr(std::uint8_t cyan, std::uint8_t magenta, std::uint8_t yellow, std::uint8_t black, std::uint8_t* bgr) {
  const std::uint8_t light = static_cast<std::uint8_t>(255 - black);
  bgr[0] = MultiplyBytes(static_cast<std::uint8_t>(255 - yellow), light);
  bgr[1] = MultiplyBytes(static_cast<std::uint8_t>(255 - magenta), light);
  bgr[2] = MultiplyBytes(static_cast<std::uint8_t>(255 - cyan), light);
}

}  // namespace selvo
