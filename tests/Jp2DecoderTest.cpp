#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "source/ByteOrder.h"
#include "source/Jp2Decoder.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/Jp2Encoder.h"
#include "tools/recwriter/JpegEncoder.h"

namespace selvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Every sample different, so a swapped channel, row or column shows.
Bytes DistinctSamples(std::size_t count) {
  Bytes samples(count);
  for (std::size_t i = 0; i < count; ++i) samples[i] = static_cast<std::uint8_t>(10 + i * 5);
  return samples;
}

std::size_t FindBytes(const Bytes& haystack, const char* needle, std::size_t needleSize) {
  for (std::size_t i = 0; i + needleSize <= haystack.size(); ++i) {
    if (std::memcmp(&haystack[i], needle, needleSize) == 0) return i;
  }
  ADD_FAILURE() << "not found";
  return 0;
}

TEST(DecodeJp2File, ColourImageBecomesExactBottomUpBgrWithPaddedRows) {
  const Bytes rgb = DistinctSamples(5 * 3 * 3);
  test::TestFolder folder;
  const std::string path = folder.Write("a.jp2", EncodeLosslessJp2(rgb.data(), 5, 3, 3));
  std::uint32_t size = 0;
  const DibPtr block = DecodeJp2File(path, &size);
  ASSERT_TRUE(block);
  EXPECT_EQ(size, 44u + 16 * 3);
  EXPECT_EQ(block->Size(), size);
  EXPECT_EQ(ReadLe32(block->Data() + 4), 5u);
  EXPECT_EQ(ReadLe32(block->Data() + 8), 3u);
  EXPECT_EQ(ReadLe16(block->Data() + 14), 24u);
  for (int y = 0; y < 3; ++y) {
    // Rows are stored bottom row first.
    const std::uint8_t* stored = block->Pixels() + 16 * (2 - y);
    for (int x = 0; x < 5; ++x) {
      const std::uint8_t* source = &rgb[(y * 5 + x) * 3];
      EXPECT_EQ(stored[x * 3 + 0], source[2]) << x << "," << y;
      EXPECT_EQ(stored[x * 3 + 1], source[1]) << x << "," << y;
      EXPECT_EQ(stored[x * 3 + 2], source[0]) << x << "," << y;
    }
    EXPECT_EQ(stored[15], 0) << "padding of row " << y;
  }
}

TEST(DecodeJp2File, GreyImageIsWidenedTo24Bits) {
  const Bytes grey = DistinctSamples(5 * 3);
  test::TestFolder folder;
  const DibPtr block = DecodeJp2File(folder.Write("g.jp2", EncodeLosslessJp2(grey.data(), 5, 3, 1)), nullptr);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->BitCount(), 24);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const std::uint8_t* pixel = block->RowFromTop(y) + x * 3;
      const std::uint8_t expected = grey[static_cast<std::size_t>(y * 5 + x)];
      EXPECT_TRUE(pixel[0] == expected && pixel[1] == expected && pixel[2] == expected) << x << "," << y;
    }
  }
}

TEST(DecodeJp2File, FrameLargerThanAMegabyteReportsItsRealSize) {
  // 720 x 480 needs more than the 1,032,192 bytes once reserved for any frame.
  const Bytes rgb(720 * 480 * 3, 0x80);
  test::TestFolder folder;
  std::uint32_t size = 0;
  const DibPtr block = DecodeJp2File(folder.Write("big.jp2", EncodeJp2(rgb.data(), 720, 480)), &size);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->Width(), 720);
  EXPECT_EQ(block->Height(), 480);
  EXPECT_EQ(size, 44u + 2160 * 480);
  EXPECT_NEAR(block->RowFromTop(240)[300], 0x80, 4);
}

TEST(DecodeJp2File, EveryFailureGivesNull) {
  const Bytes rgb = DistinctSamples(16 * 16 * 3);
  const Bytes good = EncodeJp2(rgb.data(), 16, 16);
  ASSERT_FALSE(good.empty());
  // Both the header box and the codestream claim 60000 x 60000.
  Bytes huge = good;
  const std::size_t ihdr = FindBytes(huge, "ihdr", 4);
  WriteBe32(&huge[ihdr + 4], 60000);
  WriteBe32(&huge[ihdr + 8], 60000);
  const std::size_t siz = FindBytes(huge, "\xFF\x51", 2);
  WriteBe32(&huge[siz + 6], 60000);
  WriteBe32(&huge[siz + 10], 60000);
  const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));

  test::TestFolder folder;
  const std::string files[] = {folder / "missing.jp2",
                               folder.Write("empty.jp2", Bytes{}),
                               folder.MakeDir("x.jp2"),
                               folder.Write("cut.jp2", cut),
                               folder.Write("jpeg.jp2", EncodeJpeg(rgb.data(), 16, 16, 85)),
                               folder.Write("huge.jp2", huge)};
  for (const std::string& path : files) {
    std::uint32_t size = 7;
    EXPECT_FALSE(DecodeJp2File(path, &size)) << path;
    EXPECT_EQ(size, 7u) << path;
  }
}

}  // namespace
}  // namespace selvo
