#include <gtest/gtest.h>

#include <sys/stat.h>
#include <turbojpeg.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "source/ByteOrder.h"
#include "source/JpegDecoder.h"
#include "tests/BoundedRun.h"
#include "tests/TamperedJpeg.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/JpegEncoder.h"

namespace selvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Flat blocks survive lossy coding almost unchanged; allow for rounding.
constexpr int kTolerance = 4;

// width x height pixels of `channels` bytes: the top `topRows` rows are
// `top`, the rest `bottom`.
Bytes TwoBands(int width, int height, int topRows, const Bytes& top, const Bytes& bottom) {
  Bytes pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels.insert(pixels.end(), y < topRows ? top.begin() : bottom.begin(),
                                                    y < topRows ? top.end() : bottom.end());
  }
  return pixels;
}

// Something with detail, so that a cut file loses real data.
Bytes NaturalRgb(int width, int height) {
  Bytes rgb(static_cast<std::size_t>(width) * height * 3);
  unsigned noise = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1103515245u + 12345u;
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      p[0] = static_cast<std::uint8_t>(x * 255 / width);
      p[1] = static_cast<std::uint8_t>(y * 255 / height);
      p[2] = static_cast<std::uint8_t>((noise >> 16) & 0x3F);
    }
  }
  return rgb;
}

void ExpectPixel(const std::uint8_t* pixel, const Bytes& expected, const std::string& where) {
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(pixel[i], expected[i], kTolerance) << where << " byte " << i;
  }
}

// Overwrites the frame header's height and width.
Bytes WithFrameSize(Bytes jpeg, std::uint16_t width, std::uint16_t height) {
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      WriteBe16(&jpeg[i + 5], height);
      WriteBe16(&jpeg[i + 7], width);
      return jpeg;
    }
  }
  ADD_FAILURE() << "no frame header";
  return jpeg;
}

TEST(DecodeJpeg, ColourImageBecomesBottomUpBgrWithPaddedRows) {
  // Odd width: 15 bytes of pixels, 1 byte of padding per row.
  const Bytes jpeg = EncodeJpeg(TwoBands(5, 32, 16, {255, 0, 0}, {0, 0, 255}).data(), 5, 32, 100);
  test::TestFolder folder;
  const std::string path = folder.Write("a.jpg", jpeg);

  std::uint32_t fromFile = 0;
  std::uint32_t fromMemory = 0;
  // A block the decoder overwrites is not cleared first: leave old bytes
  // where the allocator will hand out the next block of its size, so that
  // header or padding bytes it fails to clear show.
  const auto dirtyHeap = [] { std::make_unique<std::vector<std::uint8_t>>(44 + 16 * 32, 0xAB).reset(); };
  dirtyHeap();
  DibPtr fileBlock = DecodeJpegFile(path, &fromFile);
  dirtyHeap();
  const DibPtr blocks[] = {std::move(fileBlock), DecodeJpegMemory(jpeg.data(), jpeg.size(), &fromMemory)};
  EXPECT_EQ(fromFile, 44u + 16 * 32);
  EXPECT_EQ(fromMemory, fromFile);
  for (const DibPtr& block : blocks) {
    ASSERT_TRUE(block);
    const std::uint8_t* h = block->Data();
    EXPECT_EQ(ReadLe32(h + 0), 40u);
    EXPECT_EQ(ReadLe32(h + 4), 5u);
    EXPECT_EQ(ReadLe32(h + 8), 32u);
    EXPECT_EQ(ReadLe16(h + 12), 1u);
    EXPECT_EQ(ReadLe16(h + 14), 24u);
    EXPECT_EQ(ReadLe32(h + 16), 0u);
    EXPECT_EQ(ReadLe32(h + 20), 16u * 32);
    for (int i = 24; i < 44; ++i) EXPECT_EQ(h[i], 0) << "header byte " << i;
    EXPECT_EQ(block->Size(), 44u + 16 * 32);
    // The first stored row is the picture's bottom row: blue.
    ExpectPixel(h + 44, {255, 0, 0}, "first stored row");
    ExpectPixel(h + 44 + 16 * 31 + 12, {0, 0, 255}, "last stored row");
    for (int row = 0; row < 32; ++row) EXPECT_EQ(h[44 + 16 * row + 15], 0) << "padding of row " << row;
  }
}

TEST(DecodeJpeg, GreyImageIsWidenedTo24Bits) {
  const Bytes jpeg = EncodeGreyJpeg(TwoBands(5, 16, 8, {40}, {220}).data(), 5, 16, 100);
  std::uint32_t size = 0;
  const DibPtr block = DecodeJpegMemory(jpeg.data(), jpeg.size(), &size);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->BitCount(), 24);
  EXPECT_EQ(size, 44u + 16 * 16);
  ExpectPixel(block->RowFromTop(0), {40, 40, 40}, "top");
  ExpectPixel(block->RowFromTop(15) + 12, {220, 220, 220}, "bottom");
}

TEST(DecodeJpeg, FourChannelImageBecomes32BitBgrScaledByFourthChannelAndWhiteStaysWhite) {
  const Bytes jpeg = EncodeCmykJpeg(TwoBands(8, 16, 8, {200, 100, 50, 128}, {255, 255, 255, 255}).data(), 8, 16, 100);
  std::uint32_t size = 0;
  const DibPtr block = DecodeJpegMemory(jpeg.data(), jpeg.size(), &size);
  ASSERT_TRUE(block);
  EXPECT_EQ(ReadLe16(block->Data() + 14), 32u);
  EXPECT_EQ(size, 44u + 32 * 16);
  // channel x fourth / 255, red and blue exchanged; rows bottom-up too.
  ExpectPixel(block->RowFromTop(0), {25, 50, 100, 128}, "top");
  ExpectPixel(block->RowFromTop(15), {255, 255, 255, 255}, "bottom (no ink)");
}

TEST(DecodeJpeg, TruncatedImageKeepsWhatWasDecodedFromMemoryAndFromAFile) {
  const Bytes rgb = NaturalRgb(64, 64);
  const Bytes whole = EncodeJpeg(rgb.data(), 64, 64, 85);
  const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 6 / 10));
  test::TestFolder folder;

  const DibPtr blocks[] = {DecodeJpegMemory(cut.data(), cut.size(), nullptr),
                           DecodeJpegFile(folder.Write("cut.jpg", cut), nullptr)};
  for (const DibPtr& block : blocks) {
    ASSERT_TRUE(block);
    EXPECT_EQ(block->Width(), 64);
    EXPECT_EQ(block->Height(), 64);
    const std::uint8_t* topLeft = block->RowFromTop(0);
    EXPECT_NEAR(topLeft[2], rgb[0], 16);
    EXPECT_NEAR(topLeft[1], rgb[1], 16);
  }
  // The file's block is not cleared before the library writes it, the
  // memory's is: a row the library left unwritten (the lost bottom of a cut
  // file) would differ.
  ASSERT_EQ(blocks[0]->Size(), blocks[1]->Size());
  EXPECT_EQ(std::memcmp(blocks[0]->Data(), blocks[1]->Data(), blocks[0]->Size()), 0);
}

// An edited picture: bytes of the compressed data changed at seeded random
// places in JPEGs of several makes. Whatever the library could still make a
// picture of (clean or with a warning) must come back from a file; only
// what it gives up on is null.
TEST(DecodeJpeg, FileWithDamagedCompressedDataIsAPictureUnlessTheLibraryGivesUp) {
  test::TestFolder folder;
  int warned = 0;
  int fatal = 0;
  for (const test::SampleJpeg& sample : test::VariedJpegs(48, 40)) {
    ASSERT_FALSE(sample.bytes.empty()) << sample.name;
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
      Bytes damaged = sample.bytes;
      ASSERT_TRUE(test::FlipScanBytes(damaged, seed, 1 + static_cast<int>(seed % 3)));
      if (seed % 4 == 0) {
        ASSERT_TRUE(test::BreakScanTables(damaged));
      }
      const test::LibraryDamage expected = test::LibraryVerdict(damaged);
      SCOPED_TRACE(sample.name + ", seed " + std::to_string(seed) + ", " + test::DamageName(expected));
      warned += expected == test::LibraryDamage::kWarning;
      fatal += expected == test::LibraryDamage::kFatal;

      std::uint32_t size = 0;
      const DibPtr block = DecodeJpegFile(folder.Write("damaged.jpg", damaged), &size);
      if (expected == test::LibraryDamage::kFatal) {
        EXPECT_FALSE(block);
        continue;
      }
      ASSERT_TRUE(block);
      EXPECT_EQ(block->Width(), 48);
      EXPECT_EQ(block->Height(), 40);
      EXPECT_EQ(size, block->Size());
      // Decoded into an uncleared block, every byte is the library's: the
      // same as the memory decode into a cleared one.
      const DibPtr cleared = DecodeJpegMemory(damaged.data(), damaged.size(), nullptr);
      ASSERT_TRUE(cleared);
      ASSERT_EQ(cleared->Size(), block->Size());
      EXPECT_EQ(std::memcmp(cleared->Data(), block->Data(), block->Size()), 0);
    }
  }
  // Both kinds of damage must really have been tried.
  EXPECT_GT(warned, 10);
  EXPECT_GT(fatal, 0);
}

TEST(DecodeJpeg, EveryFailureGivesNull) {
  const Bytes rgb = NaturalRgb(16, 16);
  const Bytes good = EncodeJpeg(rgb.data(), 16, 16, 85);
  const Bytes huge = WithFrameSize(good, 60000, 60000);
  const Bytes garbage(200, 0x5A);
  test::TestFolder folder;
  const std::string fifo = folder / "pipe.jpg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  const std::string files[] = {folder / "missing.jpg", folder.Write("empty.jpg", Bytes{}), folder.MakeDir("x.jpg"),
                               fifo, folder.Write("garbage.jpg", garbage), folder.Write("huge.jpg", huge)};
  for (const std::string& path : files) {
    std::uint32_t size = 7;
    EXPECT_FALSE(DecodeJpegFile(path, &size)) << path;
    EXPECT_EQ(size, 7u) << path;
  }
  struct Case {
    const char* what;
    Bytes bytes;
  } memory[] = {{"empty", {}}, {"garbage", garbage}, {"60000 x 60000", huge}};
  for (const Case& c : memory) EXPECT_FALSE(DecodeJpegMemory(c.bytes.data(), c.bytes.size(), nullptr)) << c.what;
  EXPECT_FALSE(DecodeJpegMemory(nullptr, 100, nullptr));
}

// A progressive file as libjpeg-turbo writes it (a handful of scans).
Bytes EncodeProgressive(const Bytes& rgb, int width, int height) {
  tjhandle handle = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const int result = tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &out, &size, TJSAMP_420, 75,
                                 TJFLAG_PROGRESSIVE);
  Bytes jpeg;
  if (result == 0) jpeg.assign(out, out + size);
  tjFree(out);
  tjDestroy(handle);
  return jpeg;
}

// The file with its last scan repeated until it has `scans` of them, each
// cut to its first bytes: tiny on disc, a full pass over the picture each.
Bytes WithRepeatedLastScan(const Bytes& jpeg, int scans, std::size_t keptScanBytes) {
  std::size_t lastScan = 0;
  int present = 0;
  for (std::size_t i = 2; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) {
      lastScan = i;
      ++present;
    }
  }
  const std::size_t end = jpeg.size() - 2;  // the end-of-image marker
  Bytes many(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(end));
  const Bytes scan(jpeg.begin() + static_cast<std::ptrdiff_t>(lastScan),
                   jpeg.begin() + static_cast<std::ptrdiff_t>(std::min(end, lastScan + keptScanBytes)));
  for (int k = present; k < scans; ++k) many.insert(many.end(), scan.begin(), scan.end());
  many.push_back(0xFF);
  many.push_back(0xD9);
  return many;
}

// Neither a header that claims a giant picture nor thousands of scans may
// cost more than a second or a gigabyte: both are refused up front.
TEST(DecodeJpeg, HostileHeadersAndScanFloodsAreRefusedWithinASecondAndAGigabyte) {
  const Bytes small = EncodeJpeg(NaturalRgb(16, 16).data(), 16, 16, 85);
  const Bytes progressive = EncodeProgressive(NaturalRgb(2048, 2048), 2048, 2048);
  ASSERT_FALSE(progressive.empty());
  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"16384 x 16384 header on a tiny file", WithFrameSize(small, 16384, 16384)},
      {"8193 x 8192, just over 64 Mpx", WithFrameSize(small, 8193, 8192)},
      {"2000 scans", WithRepeatedLastScan(progressive, 2000, 14)},
      {"501 scans", WithRepeatedLastScan(progressive, 501, 14)},
      {"300 scans of 2048 x 2048, over a gigapixel of passes", WithRepeatedLastScan(progressive, 300, 14)},
  };
  for (const Case& c : cases) {
    const test::BoundedOutcome outcome =
        test::RunBounded([&] { return DecodeJpegMemory(c.bytes.data(), c.bytes.size(), nullptr) == nullptr; },
                         std::chrono::seconds(1));
    EXPECT_TRUE(outcome.passed) << c.what;
    EXPECT_TRUE(outcome.Within(std::chrono::seconds(1), 1024 * 1024))
        << c.what << ": " << outcome.seconds << " s, " << outcome.peakGrowthKb << " kB";
  }
  // An ordinary progressive file and a picture of exactly 64 Mpx still decode.
  EXPECT_TRUE(DecodeJpegMemory(progressive.data(), progressive.size(), nullptr));
  const Bytes limit = WithFrameSize(small, 8192, 8192);
  EXPECT_TRUE(DecodeJpegMemory(limit.data(), limit.size(), nullptr));
}

}  // namespace
}  // namespace selvo
