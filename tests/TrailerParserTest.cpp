#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include <string>
#include <vector>

#include "source/ByteOrder.h"
#include "source/FileDescriptor.h"
#include "source/Sha256.h"
#include "source/TrailerParser.h"
#include "tests/BoundedRun.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/Jp2Encoder.h"
#include "tools/recwriter/JpegEncoder.h"

namespace selvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr CalendarSeconds kCallerTime = 123456;
constexpr std::uint32_t kCallerStamp = 0xCAFEF00D;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes Le16(std::uint16_t v) {
  Bytes b(2);
  WriteLe16(b.data(), v);
  return b;
}

Bytes Le32(std::uint32_t v) {
  Bytes b(4);
  WriteLe32(b.data(), v);
  return b;
}

ImageInfo CallerInfo() {
  ImageInfo info;
  info.status = -1;
  info.recordTime = kCallerTime;
  info.stampMs = kCallerStamp;
  return info;
}

// --- JPEG -----------------------------------------------------------------

// The last four entries of the fixture's first quantisation table.
const Bytes kDqt4 = {61, 62, 63, 64};

// Start marker, an application segment hiding an FF DB pair (which must be
// skipped by its length), one quantisation table with entries 1..64 and a
// three-component start-of-scan header; the compressed data follows.
Bytes JpegHead() {
  Bytes head = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00,
                0xFF, 0xDB, 0x00, 0x43, 0x00, 0x01, 0x02, 0x03, 0x04};
  head = head + Bytes{0xFF, 0xDB, 0x00, 0x43, 0x00};
  for (int i = 1; i <= 64; ++i) head.push_back(static_cast<std::uint8_t>(i));
  return head + Bytes{0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00};
}

// The worked example: compressed bytes 12 34 FF D9 (count 4, sum 0x120D),
// 28 alignment bytes, then time check, seconds 86,400, data sum and table.
const Bytes kWorkedData = {0x12, 0x34, 0xFF, 0xD9};
const Bytes kWorkedAlignment(28, 0x00);
const Bytes kWorkedTrailer = Bytes{0x8E, 0x63, 0x80, 0x51, 0x01, 0x00, 0x0D, 0x12} + kDqt4;

std::uint16_t JpegDataSum(const Bytes& data) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < data.size(); ++i) sum += (i % 2 == 0) ? data[i] * 256u : data[i];
  if (data.size() % 2 != 0) sum += 0xFF;
  return static_cast<std::uint16_t>(sum);
}

// A trailer as the recorder writes it for the given compressed data.
Bytes JpegTrailer(const Bytes& data, std::uint32_t seconds) {
  const std::uint16_t sum = JpegDataSum(data);
  const auto timeSum = static_cast<std::uint16_t>(sum + (seconds & 0xFFFF) + (seconds >> 16));
  return Le16(timeSum) + Le32(seconds) + Le16(sum) + kDqt4;
}

// Compressed data of `count` bytes through the end marker, free of FF.
Bytes JpegData(std::size_t count) {
  Bytes data(count - 2);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>((i * 37 + 11) % 255);
  return data + Bytes{0xFF, 0xD9};
}

struct ParseResult {
  bool recognised;
  ImageInfo info;
};

ParseResult ParseJpeg(const Bytes& bytes) {
  ParseResult r{false, CallerInfo()};
  r.recognised = ParseJpegInfo(bytes.data(), bytes.size(), r.info);
  return r;
}

TEST(ParseJpegInfo, WorkedExampleIsUnalteredAndCarriesItsTime) {
  const ParseResult r = ParseJpeg(JpegHead() + kWorkedData + kWorkedAlignment + kWorkedTrailer + Le32(4321));
  ASSERT_TRUE(r.recognised);
  EXPECT_EQ(r.info.status, 0);
  EXPECT_EQ(r.info.recordTime, MakeLocalTime(CalendarFields{2000, 1, 2, 0, 0, 0}));
  EXPECT_EQ(r.info.stampMs, 4321u);
}

TEST(ParseJpegInfo, AlterationsSetTheirFlags) {
  const std::uint32_t dqt4AsStamp = ReadLe32(kDqt4.data());
  Bytes changedByte = kWorkedData;
  changedByte[1] = 0x35;
  Bytes changedSeconds = kWorkedTrailer;
  changedSeconds[2] = 0x81;  // 86,401 under the old time check
  Bytes changedTable = JpegHead();
  changedTable[changedTable.size() - 15] ^= 1;  // last quantisation entry

  struct Case {
    const char* what;
    Bytes bytes;
    std::int32_t status;
    CalendarSeconds recordTime;
    std::uint32_t stampMs;
  } cases[] = {
      // The time check covers the data sum, so changed image data fails both.
      {"compressed byte", JpegHead() + changedByte + kWorkedAlignment + kWorkedTrailer, 3,
       CalendarFromRecorderSeconds(86400), dqt4AsStamp},
      {"seconds", JpegHead() + kWorkedData + kWorkedAlignment + changedSeconds, 2, CalendarFromRecorderSeconds(86401),
       dqt4AsStamp},
      {"quantisation table", changedTable + kWorkedData + kWorkedAlignment + kWorkedTrailer, 1,
       CalendarFromRecorderSeconds(86400), dqt4AsStamp},
      {"last valid second", JpegHead() + kWorkedData + kWorkedAlignment + JpegTrailer(kWorkedData, 946079999), 0,
       CalendarFromRecorderSeconds(946079999), dqt4AsStamp},
      {"first invalid second", JpegHead() + kWorkedData + kWorkedAlignment + JpegTrailer(kWorkedData, 946080000), 4,
       kCallerTime, dqt4AsStamp},
      {"no end of image", JpegHead() + Bytes{0x12, 0x34, 0xFF, 0x00, 0x56}, 7, kCallerTime, 0},
      {"ends at the end marker", JpegHead() + kWorkedData, 7, kCallerTime, kCallerStamp},
      {"five bytes after alignment", JpegHead() + kWorkedData + kWorkedAlignment + Bytes(5, 0), 7, kCallerTime,
       kCallerStamp},
  };
  for (const Case& c : cases) {
    const ParseResult r = ParseJpeg(c.bytes);
    EXPECT_TRUE(r.recognised) << c.what;
    EXPECT_EQ(r.info.status, c.status) << c.what;
    EXPECT_EQ(r.info.recordTime, c.recordTime) << c.what;
    EXPECT_EQ(r.info.stampMs, c.stampMs) << c.what;
  }
}

TEST(ParseJpegInfo, ShortTrailerOrTableInPaddingIsCheckedWithoutTime) {
  const Bytes checks = Le16(0x120D) + kDqt4;
  struct Case {
    const char* what;
    Bytes afterData;
    std::int32_t status;
    std::uint32_t stampMs;
  } cases[] = {
      {"6 bytes", kWorkedAlignment + checks, 4, ReadLe32(kDqt4.data())},
      {"10 bytes", kWorkedAlignment + checks + Le32(77), 4, 77},
      {"11 bytes, wrong sum", kWorkedAlignment + Le16(0x120E) + kDqt4 + Bytes{0} + Le32(78), 5, 78},
      // FF DB in the padding ends it early: what follows is sum and table
      // even though a full 16-byte trailer would fit.
      {"FF DB in padding", Bytes(10, 0) + Bytes{0xFF, 0xDB} + checks + Bytes(6, 0x55) + Le32(79), 4, 79},
      // The end marker's FF pairs with the first padding byte.
      {"DB right after end marker", Bytes{0xDB} + checks + Bytes(6, 0x55) + Le32(80), 4, 80},
  };
  for (const Case& c : cases) {
    const ParseResult r = ParseJpeg(JpegHead() + kWorkedData + c.afterData);
    EXPECT_TRUE(r.recognised) << c.what;
    EXPECT_EQ(r.info.status, c.status) << c.what;
    EXPECT_EQ(r.info.recordTime, kCallerTime) << c.what;
    EXPECT_EQ(r.info.stampMs, c.stampMs) << c.what;
  }
}

TEST(ParseJpegInfo, PadsCompressedDataToMultiplesOf32) {
  struct Case {
    std::size_t dataBytes;
    std::size_t padding;
  } cases[] = {{1000, 24}, {1024, 0}, {33, 31}};
  for (const Case& c : cases) {
    const Bytes data = JpegData(c.dataBytes);
    const Bytes trailer = JpegTrailer(data, 1000) + Le32(5);
    const ParseResult right = ParseJpeg(JpegHead() + data + Bytes(c.padding, 0xAA) + trailer);
    EXPECT_EQ(right.info.status, 0) << c.dataBytes;
    // One padding byte more shifts every field the parser reads.
    const ParseResult wrong = ParseJpeg(JpegHead() + data + Bytes(c.padding + 1, 0xAA) + trailer);
    EXPECT_NE(wrong.info.status, 0) << c.dataBytes;
  }
}

// The data is walked in blocks; the end marker may fall at any offset in a
// block or straddle two, behind FF bytes that end no image (FF 00, FF FF,
// FF D8) and in front of a trailer that holds FF D9 itself.
TEST(ParseJpegInfo, EndMarkerIsFoundAndSummedAtEveryOffsetAmongDecoys) {
  const std::uint8_t decoys[] = {0x00, 0xFF, 0xD8};
  for (std::size_t count = 2; count <= 100; ++count) {
    Bytes data(count - 2);
    for (std::size_t i = 0; i < data.size(); ++i) {
      data[i] = static_cast<std::uint8_t>((i * 37 + 11) % 255);
      if (i % 5 == 3) data[i] = 0xFF;
      if (i % 5 == 4) data[i] = decoys[(i / 5) % 3];
    }
    data = data + Bytes{0xFF, 0xD9};
    const Bytes padding((32 - count % 32) % 32, 0xAA);
    const std::uint32_t seconds = 0x00D9FF00;  // written 00 FF D9 00: an end marker that ends nothing
    const ParseResult right = ParseJpeg(JpegHead() + data + padding + JpegTrailer(data, seconds) + Le32(5));
    EXPECT_EQ(right.info.status, 0) << count;
    Bytes edited = data;
    edited[count / 2] ^= 0x01;
    if (edited[count / 2] == 0xFF || edited[count / 2] == 0xD9 || count < 3) continue;
    const ParseResult wrong = ParseJpeg(JpegHead() + edited + padding + JpegTrailer(data, seconds) + Le32(5));
    EXPECT_EQ(wrong.info.status & kImageAltered, kImageAltered) << count;
  }
}

TEST(ParseJpegInfo, RefusesWhatIsNotARecorderJpegAndKeepsCallerValues) {
  const Bytes head = JpegHead();
  const std::size_t tablePos = 20;  // FF of the real quantisation table
  Bytes noTable = head;
  noTable[tablePos + 1] = 0xDC;
  Bytes noScan = head;
  noScan[noScan.size() - 13] = 0xDD;
  // Everything a recorder JPEG needs, but its only table lies inside an
  // application segment, where the recorder never looks.
  const Bytes tableInApp = Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 82, 0xFF, 0xDB} + Bytes(78, 0x01) +
                           Bytes(head.end() - 14, head.end()) + kWorkedData + kWorkedAlignment + kWorkedTrailer;

  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"empty", {}},
      {"one byte", {0xFF}},
      {"no start marker", Bytes{0xFF, 0xD9} + Bytes(head.begin() + 2, head.end()) + kWorkedData},
      {"no quantisation table", noTable + kWorkedData},
      {"table cut short", Bytes(head.begin(), head.begin() + tablePos + 60)},
      {"no start of scan", noScan + kWorkedData},
      {"table only inside an application segment", tableInApp},
  };
  for (const Case& c : cases) {
    const ParseResult r = ParseJpeg(c.bytes);
    EXPECT_FALSE(r.recognised) << c.what;
    EXPECT_EQ(r.info.status, 0) << c.what;
    EXPECT_EQ(r.info.recordTime, kCallerTime) << c.what;
    EXPECT_EQ(r.info.stampMs, kCallerStamp) << c.what;
  }
}

TEST(ParseJpegInfo, EncoderOutputWithoutTrailerIsRecognisedAsBare) {
  std::vector<std::uint8_t> rgb(64 * 48 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7);
  const Bytes jpeg = EncodeJpeg(rgb.data(), 64, 48, 85);
  ASSERT_FALSE(jpeg.empty());
  const ParseResult r = ParseJpeg(jpeg);
  EXPECT_TRUE(r.recognised);
  EXPECT_EQ(r.info.status, 7);
}

// --- JPEG 2000 ------------------------------------------------------------

Bytes Jp2Head() {
  Bytes head = {0x00, 0x00, 0x00, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A,
                0x00, 0x00, 0x00, 0x14, 'f', 't', 'y', 'p', 'j', 'p', '2', ' ', 0x00, 0x00, 0x00, 0x00,
                'j', 'p', '2', ' '};
  // Stand-in for the header box and main header: markers but no FF 93.
  return head + Bytes{0x00, 0x00, 0x00, 0x10, 'j', 'p', '2', 'c', 0xFF, 0x4F, 0xFF, 0x51, 0x00, 0x02, 0xFF, 0x90,
                      0x00, 0x0A, 0xFF, 0x93};
}

// The worked example: bytes 01 02 03 between the markers, count 3, sum 6.
const Bytes kJp2Data = {0x01, 0x02, 0x03, 0xFF, 0xD9};

std::uint32_t Jp2SodOffset() { return static_cast<std::uint32_t>(Jp2Head().size()); }

struct Jp2Fields {
  std::uint16_t timeSum = 0xD8;
  std::uint32_t seconds = 86400;
  std::uint32_t sodOffset = Jp2SodOffset();
  std::uint32_t count = 3;
  std::uint16_t sum = 6;
  std::uint32_t stampMs = 9876;
};

Bytes Jp2Trailer(const Jp2Fields& f) {
  return Le16(f.timeSum) + Le32(f.seconds) + Le32(f.sodOffset) + Le32(f.count) + Le16(f.sum) + Le32(f.stampMs);
}

ParseResult ParseJp2(const Bytes& bytes) {
  ParseResult r{false, CallerInfo()};
  r.recognised = ParseJp2Info(bytes.data(), bytes.size(), r.info);
  return r;
}

TEST(ParseJp2Info, WorkedExampleAndItsAlterations) {
  auto with = [](auto change) {
    Jp2Fields f;
    change(f);
    return Jp2Head() + kJp2Data + Jp2Trailer(f);
  };
  Bytes changedData = Jp2Head() + kJp2Data + Jp2Trailer(Jp2Fields{});
  changedData[Jp2SodOffset() + 1] = 0x07;
  const Jp2Fields worked;
  const Bytes shortTrailer = Le32(worked.sodOffset) + Le32(worked.count) + Le16(worked.sum) + Le32(55);

  struct Case {
    const char* what;
    Bytes bytes;
    std::int32_t status;
    CalendarSeconds recordTime;
    std::uint32_t stampMs;
  } cases[] = {
      {"worked example", with([](Jp2Fields&) {}), 0, CalendarFromRecorderSeconds(86400), 9876},
      {"upper halves differ", with([](Jp2Fields& f) {
         f.sodOffset += 0x10000;
         f.count += 0x70000;
       }), 0,
       CalendarFromRecorderSeconds(86400), 9876},
      {"offset", with([](Jp2Fields& f) { f.sodOffset += 1; }), 1, CalendarFromRecorderSeconds(86400), 9876},
      {"count", with([](Jp2Fields& f) { f.count = 4; }), 1, CalendarFromRecorderSeconds(86400), 9876},
      {"stored sum", with([](Jp2Fields& f) { f.sum = 7; }), 1, CalendarFromRecorderSeconds(86400), 9876},
      {"data byte", changedData, 3, CalendarFromRecorderSeconds(86400), 9876},
      {"seconds", with([](Jp2Fields& f) { f.seconds = 86401; }), 2, CalendarFromRecorderSeconds(86401), 9876},
      {"last valid second", with([](Jp2Fields& f) {
         f.seconds = 946079999;
         f.timeSum = 6 + 0xFF + 0x08 + 0x64 + 0x38;
       }),
       0, CalendarFromRecorderSeconds(946079999), 9876},
      {"first invalid second", with([](Jp2Fields& f) {
         f.seconds = 946080000;
         f.timeSum = 6 + 0x00 + 0x09 + 0x64 + 0x38;
       }),
       4, kCallerTime, 9876},
      {"no time", Jp2Head() + kJp2Data + shortTrailer, 4, kCallerTime, 55},
      // Six bytes: the sum reads FF FF past the end, the stamp zeros.
      {"six bytes", Jp2Head() + kJp2Data + Bytes(shortTrailer.begin(), shortTrailer.begin() + 6), 5, kCallerTime, 0},
      {"five bytes", Jp2Head() + kJp2Data + Bytes(5, 0), 7, kCallerTime, kCallerStamp},
      {"ends at the end marker", Jp2Head() + kJp2Data, 7, kCallerTime, kCallerStamp},
  };
  for (const Case& c : cases) {
    const ParseResult r = ParseJp2(c.bytes);
    EXPECT_TRUE(r.recognised) << c.what;
    EXPECT_EQ(r.info.status, c.status) << c.what;
    EXPECT_EQ(r.info.recordTime, c.recordTime) << c.what;
    EXPECT_EQ(r.info.stampMs, c.stampMs) << c.what;
  }
}

TEST(ParseJp2Info, RefusesWhatIsNotARecorderJp2AndKeepsCallerValues) {
  const Bytes head = Jp2Head();
  Bytes badSignature = head + kJp2Data;
  badSignature[5] = 'p';
  Bytes badBrand = head + kJp2Data;
  badBrand[31] = 'x';
  const Bytes noStart = Bytes(head.begin(), head.end() - 1) + kJp2Data + Jp2Trailer(Jp2Fields{});

  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"empty", {}},
      {"signature only", Bytes(head.begin(), head.begin() + 12)},
      {"bad signature", badSignature},
      {"bad compatibility brand", badBrand},
      {"no start of data", noStart},
      {"no end of codestream", Jp2Head() + Bytes{1, 2, 3, 0xFF, 0x00} + Jp2Trailer(Jp2Fields{})},
  };
  for (const Case& c : cases) {
    const ParseResult r = ParseJp2(c.bytes);
    EXPECT_FALSE(r.recognised) << c.what;
    EXPECT_EQ(r.info.recordTime, kCallerTime) << c.what;
    EXPECT_EQ(r.info.stampMs, kCallerStamp) << c.what;
  }
}

TEST(ParseJp2Info, EncoderOutputWithoutTrailerIsRecognisedAsBare) {
  std::vector<std::uint8_t> rgb(32 * 24 * 3, 0x40);
  const Bytes jp2 = EncodeJp2(rgb.data(), 32, 24);
  ASSERT_FALSE(jp2.empty());
  const ParseResult r = ParseJp2(jp2);
  EXPECT_TRUE(r.recognised);
  EXPECT_EQ(r.info.status, 7);
}

// --- files ----------------------------------------------------------------

TEST(ReadImageInfo, ParsesByKindAndRefusesWhatIsNotAReadableFile) {
  test::TestFolder folder;
  const std::string jpeg = folder.Write("a.jpg", JpegHead() + kWorkedData + kWorkedAlignment + kWorkedTrailer);
  const std::string jp2 = folder.Write("a.jp2", Jp2Head() + kJp2Data + Jp2Trailer(Jp2Fields{}));
  const std::string fifo = folder / "pipe.jpg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  ImageInfo info = CallerInfo();
  EXPECT_TRUE(ReadImageInfo(jpeg, info, ImageCodec::Jpeg));
  EXPECT_EQ(info.status, 0);
  info = CallerInfo();
  EXPECT_TRUE(ReadImageInfo(jp2, info, ImageCodec::Jpeg2000));
  EXPECT_EQ(info.stampMs, 9876u);
  info = CallerInfo();
  EXPECT_FALSE(ReadImageInfo(jpeg, info, ImageCodec::Jpeg2000)) << "a JPEG is not a JPEG 2000 image";

  for (const std::string& path : {folder / "missing.jpg", folder.MakeDir("dir.jpg"), fifo}) {
    info = CallerInfo();
    EXPECT_FALSE(ReadImageInfo(path, info, ImageCodec::Jpeg)) << path;
    EXPECT_EQ(info.recordTime, kCallerTime) << path;
  }
}


// --- files walked in pieces -------------------------------------------------

// What the walk in pieces must give for an image: the verdict, time, stamp
// and hash of the same bytes parsed in memory, wherever the pieces break.
struct FileVerdict {
  bool read;
  bool parsed;
  std::int32_t status;
  CalendarSeconds recordTime;
  std::uint32_t stampMs;
  Sha256Digest sha256;
  bool operator==(const FileVerdict& o) const {
    return read == o.read && parsed == o.parsed && status == o.status && recordTime == o.recordTime &&
           stampMs == o.stampMs && sha256 == o.sha256;
  }
};

FileVerdict InMemory(const Bytes& bytes, int kind) {
  ImageInfo info = CallerInfo();
  const bool parsed = kind == 1 ? ParseJpegInfo(bytes.data(), bytes.size(), info)
                                : ParseJp2Info(bytes.data(), bytes.size(), info);
  return {true, parsed, info.status, info.recordTime, info.stampMs, Sha256::Of(bytes.data(), bytes.size())};
}

// The bytes in a file of memory, read from its start in pieces.
FileVerdict InPieces(const Bytes& bytes, int kind, std::size_t pieceBytes) {
  const FileDescriptor file(::memfd_create("image", MFD_CLOEXEC));
  if (!file.IsOpen() || ::write(file.Get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
      ::lseek(file.Get(), 0, SEEK_SET) != 0) {
    return {};
  }
  ImageFileReading reading;
  reading.info = CallerInfo();
  ReadImageFileInPieces(file.Get(), bytes.size(), kind == 1 ? ImageCodec::Jpeg : ImageCodec::Jpeg2000, true, reading,
                        pieceBytes);
  return {reading.read, reading.parsed, reading.info.status, reading.info.recordTime, reading.info.stampMs,
          reading.sha256};
}

// Every byte of the images flipped in turn, and the images cut at every
// length, so that markers, sums and trailers meet every piece boundary.
TEST(ReadImageFileInPieces, GivesTheVerdictStampAndHashOfTheImageInMemory) {
  const Bytes longData = JpegData(700);
  const struct {
    const char* what;
    Bytes bytes;
    int kind;
  } images[] = {
      {"worked JPEG", JpegHead() + kWorkedData + kWorkedAlignment + kWorkedTrailer + Le32(4321), 1},
      {"JPEG padded before its stamp",
       JpegHead() + longData + Bytes(4, 0xAA) + JpegTrailer(longData, 1000) + Bytes(300, 0) + Le32(77), 1},
      {"worked JPEG 2000", Jp2Head() + kJp2Data + Jp2Trailer(Jp2Fields{}), 0},
      {"JPEG 2000 with long data", Jp2Head() + Bytes(400, 0x11) + kJp2Data + Jp2Trailer(Jp2Fields{}), 0},
  };
  for (const auto& image : images) {
    std::vector<Bytes> variants = {image.bytes};
    for (std::size_t i = 0; i < image.bytes.size(); i += 3) {
      Bytes flipped = image.bytes;
      flipped[i] ^= (i % 2 == 0) ? 0xFF : 0x26;
      variants.push_back(flipped);
      variants.emplace_back(image.bytes.begin(), image.bytes.begin() + static_cast<std::ptrdiff_t>(i));
    }
    // The end marker at every offset, so that its pair also straddles pieces.
    for (std::size_t count = 2; count < 200 && image.kind == 1; ++count) {
      const Bytes data = JpegData(count);
      variants.push_back(JpegHead() + data + Bytes((32 - count % 32) % 32, 0) + JpegTrailer(data, 1000) + Le32(5));
    }
    for (std::size_t count = 0; count < 200 && image.kind == 0; ++count) {
      variants.push_back(Jp2Head() + Bytes(count, 0x11) + kJp2Data + Jp2Trailer(Jp2Fields{}));
    }
    for (const Bytes& bytes : variants) {
      const FileVerdict expected = InMemory(bytes, image.kind);
      for (std::size_t pieceBytes : {std::size_t{64}, std::size_t{67}, std::size_t{4096}}) {
        ASSERT_EQ(InPieces(bytes, image.kind, pieceBytes), expected)
            << image.what << ", " << bytes.size() << " bytes, pieces of " << pieceBytes;
      }
    }
  }
}

// Zeros padded in before the stamp keep an image valid, whatever its size:
// a sparse file of that shape, as big as wanted, for free.
std::string WritePaddedJpeg(const test::TestFolder& folder, const std::string& name, off_t size) {
  const Bytes data = JpegData(1000);
  const std::string path = folder.Write(name, JpegHead() + data + Bytes(24, 0) + JpegTrailer(data, 1000));
  if (::truncate(path.c_str(), size - 4) != 0) return {};
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) return {};
  const bool written = std::fwrite(Le32(4242).data(), 1, 4, file) == 4;
  return std::fclose(file) == 0 && written ? path : std::string();
}

TEST(ReadImageFile, JudgesAHugeImageInBoundedMemoryAndStopsWithinAPieceWhenAsked) {
  test::TestFolder folder;
  const std::string large = WritePaddedJpeg(folder, "large.jpg", off_t{256} << 20);
  ASSERT_FALSE(large.empty());
  const test::BoundedOutcome judged = test::RunBounded(
      [&] {
        ImageInfo info = CallerInfo();
        return ReadImageInfo(large, info, ImageCodec::Jpeg) && info.status == 0 && info.stampMs == 4242u;
      },
      std::chrono::seconds(60));
  EXPECT_TRUE(judged.finished && judged.passed);
  EXPECT_LT(judged.peakGrowthKb, 32 * 1024) << "a piece, not the file, is held";

  // A gigabyte read to its end takes seconds; the stop comes after 20 ms.
  const std::string huge = WritePaddedJpeg(folder, "huge.jpg", off_t{1000} * 1000 * 1000);
  ASSERT_FALSE(huge.empty());
  std::atomic<bool> stop{false};
  std::chrono::steady_clock::time_point asked;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    asked = std::chrono::steady_clock::now();
    stop = true;
  });
  ImageInfo info = CallerInfo();
  EXPECT_FALSE(ReadImageInfo(huge, info, ImageCodec::Jpeg, &stop));
  const auto ended = std::chrono::steady_clock::now();
  stopper.join();
  // One piece is a few milliseconds; the bound leaves room for a sanitizer
  // build on a loaded machine and still lies far below the whole read.
  EXPECT_LT(ended - asked, std::chrono::milliseconds(500));
  EXPECT_EQ(info.recordTime, kCallerTime) << "a stopped read judged nothing";
}
}  // namespace
}  // namespace selvo
