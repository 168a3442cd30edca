#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "source/JpegDecoder.h"
#include "tools/recwriter/JpegEncoder.h"

namespace selvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Rewrites the frame size in the first baseline start-of-frame segment, as a
// damaged or hostile file would carry it; the scan data stays that of the
// small picture.
void ClaimFrameSize(Bytes& jpeg, std::uint16_t width, std::uint16_t height) {
  const std::uint8_t sof[] = {0xFF, 0xC0};
  const auto at = std::search(jpeg.begin(), jpeg.end(), std::begin(sof), std::end(sof));
  ASSERT_LT(at + 9, jpeg.end());
  at[5] = static_cast<std::uint8_t>(height >> 8);
  at[6] = static_cast<std::uint8_t>(height);
  at[7] = static_cast<std::uint8_t>(width >> 8);
  at[8] = static_cast<std::uint8_t>(width);
}

// A fuzzer found a 675-byte JPEG claiming 32280 x 8193 pixels that made the
// decoder zero-fill about a gigabyte and spend seconds on it.
TEST(DecoderPixelCap, JpegClaimingAQuarterGigapixelIsRefusedBeforeAnythingIsAllocated) {
  const Bytes grey(16 * 16, 128);
  Bytes jpeg = EncodeGreyJpeg(grey.data(), 16, 16, 80);
  ClaimFrameSize(jpeg, 32280, 8193);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(DecodeJpegMemory(jpeg.data(), jpeg.size(), nullptr), nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
}  // namespace selvo
