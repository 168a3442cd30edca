// Hostile JPEG 2000 headers against the decoder's bounds: a file of a few
// hundred bytes may not cost more than a second or a gigabyte.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "source/ByteOrder.h"
#include "source/Jp2Decoder.h"
#include "tests/BoundedRun.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/Jp2Encoder.h"

namespace selvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::size_t Find(const Bytes& bytes, const char* needle, std::size_t size) {
  for (std::size_t i = 0; i + size <= bytes.size(); ++i) {
    if (std::memcmp(&bytes[i], needle, size) == 0) return i;
  }
  ADD_FAILURE() << "not found";
  return 0;
}

// The header box and the codestream both claim width x height, as one tile.
Bytes WithClaimedSize(Bytes jp2, std::uint32_t width, std::uint32_t height) {
  const std::size_t ihdr = Find(jp2, "ihdr", 4);
  WriteBe32(&jp2[ihdr + 4], height);
  WriteBe32(&jp2[ihdr + 8], width);
  const std::size_t siz = Find(jp2, "\xFF\x51", 2);
  WriteBe32(&jp2[siz + 6], width);
  WriteBe32(&jp2[siz + 10], height);
  WriteBe32(&jp2[siz + 22], width);
  WriteBe32(&jp2[siz + 26], height);
  return jp2;
}

TEST(DecodeJp2File, PicturesOverSixtyFourMegapixelsAreRefusedBeforeAnySampleMemory) {
  const Bytes rgb(16 * 16 * 3, 0x80);
  const Bytes small = EncodeJp2(rgb.data(), 16, 16);
  ASSERT_FALSE(small.empty());
  test::TestFolder folder;
  const struct {
    std::uint32_t width;
    std::uint32_t height;
  } claims[] = {{16384, 8192}, {8193, 8192}};
  for (const auto& claim : claims) {
    const std::string path = folder.Write("big.jp2", WithClaimedSize(small, claim.width, claim.height));
    const test::BoundedOutcome outcome =
        test::RunBounded([&] { return DecodeJp2File(path, nullptr) == nullptr; }, std::chrono::seconds(1));
    EXPECT_TRUE(outcome.passed) << claim.width << " x " << claim.height;
    EXPECT_TRUE(outcome.Within(std::chrono::seconds(1), 1024 * 1024))
        << claim.width << " x " << claim.height << ": " << outcome.seconds << " s, " << outcome.peakGrowthKb << " kB";
  }
}

// The library walks every packet a header promises, data or none: a file
// of a few hundred bytes claiming tens of thousands of quality layers is
// refused before decoding instead of costing half a second or more.
TEST(DecodeJp2File, HeadersPromisingMillionsOfPacketsAreRefusedWithinASecond) {
  const Bytes rgb(16 * 16 * 3, 0x80);
  Bytes jp2 = EncodeJp2(rgb.data(), 16, 16);
  ASSERT_FALSE(jp2.empty());
  test::TestFolder folder;
  ASSERT_TRUE(DecodeJp2File(folder.Write("plain.jp2", jp2), nullptr));
  const std::size_t cod = Find(jp2, "\xFF\x52", 2);
  WriteBe16(&jp2[cod + 6], 65535);  // Lcod, Scod and the progression order come first
  const std::string path = folder.Write("layers.jp2", jp2);
  const test::BoundedOutcome outcome =
      test::RunBounded([&] { return DecodeJp2File(path, nullptr) == nullptr; }, std::chrono::seconds(1));
  EXPECT_TRUE(outcome.passed);
  EXPECT_TRUE(outcome.Within(std::chrono::seconds(1), 1024 * 1024)) << outcome.seconds << " s";
}

}  // namespace
}  // namespace selvo
