#include "tools/recwriter/TrailerWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "source/CalendarTime.h"
#include "source/Jp2Decoder.h"
#include "source/JpegDecoder.h"
#include "source/TrailerParser.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/Jp2Encoder.h"
#include "tools/recwriter/JpegEncoder.h"

namespace selvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr CalendarSeconds kCallerTime = 12345;
constexpr std::uint32_t kCallerStamp = 777;

Bytes TestPicture() {
  Bytes rgb(kWidth * kHeight * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 5));
  return rgb;
}

Bytes Encode(ImageFormat format) {
  const Bytes rgb = TestPicture();
  return format == ImageFormat::kJpeg ? EncodeJpeg(rgb.data(), kWidth, kHeight, 80)
                                      : EncodeJp2(rgb.data(), kWidth, kHeight);
}

ImageInfo Parse(ImageFormat format, const Bytes& bytes) {
  ImageInfo info;
  info.recordTime = kCallerTime;
  info.stampMs = kCallerStamp;
  const bool recognised = format == ImageFormat::kJpeg ? ParseJpegInfo(bytes.data(), bytes.size(), info)
                                                       : ParseJp2Info(bytes.data(), bytes.size(), info);
  EXPECT_TRUE(recognised);
  return info;
}

DibPtr Decode(ImageFormat format, const Bytes& bytes, const test::TestFolder& folder) {
  if (format == ImageFormat::kJpeg) return DecodeJpegMemory(bytes.data(), bytes.size(), nullptr);
  return DecodeJp2File(folder.Write("image.jp2", bytes), nullptr);
}

bool SamePixels(const DibBlock& a, const DibBlock& b) {
  return a.ImageBytes() == b.ImageBytes() && std::memcmp(a.Pixels(), b.Pixels(), a.ImageBytes()) == 0;
}

struct RoundTripCase {
  const char* name;
  TrailerDamage damage;
  std::int32_t status;
  bool timeInTrailer;
  bool stampInTrailer;
};

constexpr RoundTripCase kRoundTrips[] = {
    {"valid", TrailerDamage::kNone, 0, true, true},
    {"without time", TrailerDamage::kWithoutTime, kNoValidTime, false, true},
    {"no trailer", TrailerDamage::kNoTrailer, kNoTrailer, false, false},
    {"altered image", TrailerDamage::kAlteredImage, kImageAltered, true, true},
    {"altered time", TrailerDamage::kAlteredTime, kTimeAltered, true, true},
    // The time check covers the data sum: an edited picture fails both.
    {"tampered data", TrailerDamage::kTamperedData, kImageAltered | kTimeAltered, true, true},
};

class TrailerWriterRoundTrip : public ::testing::TestWithParam<ImageFormat> {};

// Every kind of trailer the writer produces must read back through the
// viewer's parser with exactly the flags, time and stamp that were meant, and
// the image must still decode: an altered demo frame is shown, not dropped.
TEST_P(TrailerWriterRoundTrip, ParserReadsBackWhatWasWritten) {
  const ImageFormat format = GetParam();
  const std::optional<TrailerWriter> writer = TrailerWriter::For(format, Encode(format));
  ASSERT_TRUE(writer.has_value());
  test::TestFolder folder;
  const DibPtr original = Decode(format, writer->Write({}, TrailerDamage::kNoTrailer), folder);
  ASSERT_NE(original, nullptr);

  // Fresh values per write from the one prepared writer, as the fast mode does.
  std::uint32_t seconds = static_cast<std::uint32_t>(
      MakeLocalTime(CalendarFields{2026, 3, 7, 9, 0, 0}) - RecorderEpoch());
  std::uint32_t stamp = 0x12345678;
  for (const RoundTripCase& c : kRoundTrips) {
    SCOPED_TRACE(c.name);
    seconds += 17;
    stamp += 100;
    const Bytes written = writer->Write({seconds, stamp}, c.damage);
    const ImageInfo info = Parse(format, written);
    EXPECT_EQ(info.status, c.status);

    const std::uint32_t shownSeconds =
        c.damage == TrailerDamage::kAlteredTime ? TrailerWriter::AlteredSeconds(seconds) : seconds;
    EXPECT_EQ(info.recordTime, c.timeInTrailer ? CalendarFromRecorderSeconds(shownSeconds) : kCallerTime);
    EXPECT_EQ(info.stampMs, c.stampInTrailer ? stamp : kCallerStamp);

    const DibPtr decoded = Decode(format, written, folder);
    ASSERT_NE(decoded, nullptr);
    if ((format == ImageFormat::kJpeg && c.damage == TrailerDamage::kAlteredImage) ||
        c.damage == TrailerDamage::kTamperedData) {
      EXPECT_FALSE(SamePixels(*decoded, *original)) << "the altered frame should look altered";
    } else {
      EXPECT_TRUE(SamePixels(*decoded, *original));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, TrailerWriterRoundTrip,
                         ::testing::Values(ImageFormat::kJpeg, ImageFormat::kJp2),
                         [](const auto& info) { return info.param == ImageFormat::kJpeg ? "Jpeg" : "Jp2"; });

// A hand-made JPEG: start, a quantisation table whose last entries are
// A1 A2 A3 A4, a three-component scan header, then `data` as compressed bytes.
Bytes MinimalJpeg(const Bytes& data) {
  Bytes b = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};
  for (int i = 0; i < 60; ++i) b.push_back(static_cast<std::uint8_t>(i + 1));
  b.insert(b.end(), {0xA1, 0xA2, 0xA3, 0xA4});
  b.insert(b.end(), {0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00});
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

// Independent of the parser: the bytes themselves, so that a writer and a
// parser wrong in the same way cannot pass together.
TEST(TrailerWriterLayout, JpegTrailerBytesMatchTheRecorderLayout) {
  const Bytes image = MinimalJpeg({0x12, 0x34, 0xFF, 0xD9});
  const std::optional<TrailerWriter> writer = TrailerWriter::ForJpeg(image);
  ASSERT_TRUE(writer.has_value());

  Bytes expected = image;
  expected.insert(expected.end(), 28, 0x00);  // 4 data bytes aligned to 32
  expected.insert(expected.end(), {0x8E, 0x63, 0x80, 0x51, 0x01, 0x00, 0x0D, 0x12,  //
                                   0xA1, 0xA2, 0xA3, 0xA4, 0x04, 0x03, 0x02, 0x01});
  EXPECT_EQ(writer->Write({86400, 0x01020304}), expected);

  Bytes withoutTime = image;
  withoutTime.insert(withoutTime.end(), 28, 0x00);
  withoutTime.insert(withoutTime.end(), {0x0D, 0x12, 0xA1, 0xA2, 0xA3, 0xA4, 0x04, 0x03, 0x02, 0x01});
  EXPECT_EQ(writer->Write({86400, 0x01020304}, TrailerDamage::kWithoutTime), withoutTime);
}

TEST(TrailerWriterLayout, JpegAlignmentCountsFromFirstCompressedByteThroughEndMarker) {
  struct Case {
    std::size_t dataBytes;  // end marker included
    std::size_t padding;
  };
  for (const Case c : {Case{1000, 24}, Case{1024, 0}, Case{33, 31}, Case{2, 30}}) {
    SCOPED_TRACE(c.dataBytes);
    Bytes data(c.dataBytes - 2, 0x11);
    data.insert(data.end(), {0xFF, 0xD9});
    const Bytes image = MinimalJpeg(data);
    const std::optional<TrailerWriter> writer = TrailerWriter::ForJpeg(image);
    ASSERT_TRUE(writer.has_value());
    const Bytes written = writer->Write({86400, 1});
    EXPECT_EQ(written.size(), image.size() + c.padding + 16);
  }
}

TEST(TrailerWriterLayout, Jp2TrailerBytesMatchTheRecorderLayout) {
  Bytes image = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A,
                 0x00, 0x00, 0x00, 0x14, 'f',  't',  'y',  'p',  'j',  'p',  '2',  ' ',
                 0x00, 0x00, 0x00, 0x00, 'j',  'p',  '2',  ' '};
  image.insert(image.end(), {0xFF, 0x93, 0x01, 0x02, 0x03, 0xFF, 0xD9});
  const std::optional<TrailerWriter> writer = TrailerWriter::ForJp2(image);
  ASSERT_TRUE(writer.has_value());

  Bytes expected = image;
  expected.insert(expected.end(), {0xD8, 0x00, 0x80, 0x51, 0x01, 0x00,  // timeSum, seconds
                                   34, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,  // sodOffset, count
                                   0x06, 0x00, 0x04, 0x03, 0x02, 0x01});  // sum, stamp
  EXPECT_EQ(writer->Write({86400, 0x01020304}), expected);
}

TEST(TrailerWriterLayout, RefusesBytesTheParserWouldNotRecognise) {
  const Bytes jpegWithoutEnd = MinimalJpeg({0x12, 0x34, 0x56});
  Bytes jpegWithoutTable = MinimalJpeg({0xFF, 0xD9});
  jpegWithoutTable[3] = 0xDC;
  EXPECT_FALSE(TrailerWriter::ForJpeg({}).has_value());
  EXPECT_FALSE(TrailerWriter::ForJpeg(jpegWithoutEnd).has_value());
  EXPECT_FALSE(TrailerWriter::ForJpeg(jpegWithoutTable).has_value());

  Bytes jp2WithoutEnd = Encode(ImageFormat::kJp2);
  ASSERT_GT(jp2WithoutEnd.size(), 2u);
  jp2WithoutEnd.resize(jp2WithoutEnd.size() - 2);
  EXPECT_FALSE(TrailerWriter::ForJp2(jp2WithoutEnd).has_value());
  EXPECT_FALSE(TrailerWriter::ForJp2(Encode(ImageFormat::kJpeg)).has_value());
}

}  // namespace
}  // namespace selvo
