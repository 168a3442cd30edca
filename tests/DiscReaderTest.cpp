#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <map>
#include <memory>
#include <vector>

#include "source/DiscReader.h"
#include "source/Notifier.h"
#include "source/RawDiscDevice.h"
#include "source/text/StringTable.h"

namespace selvo {
namespace {

// A disc whose every block is filled with the low byte of its address and
// the next byte with the one above, so a buffer shows which block it came
// from; it keeps the address and block count of every read and fails the
// blocks it is told to (and any read that includes them).
struct FakeDisc {
  std::vector<std::uint32_t> reads;
  std::vector<int> counts;
  std::map<std::uint32_t, int> failures;  // block -> failures left (-1: always)
  int openResult = RawDiscDevice::kSuccess;
  int openError = 0;
};

class FakeDiscDevice : public RawDiscDevice {
 public:
  explicit FakeDiscDevice(FakeDisc& disc) : disc_(disc) {}
  int OpenByPath(const std::string&) override { return Open(); }
  int OpenByIndex(int) override { return Open(); }
  int Read(std::uint8_t* dest, int count) override {
    if (!IsValidBlockCount(count)) return kCommandFailed;
    disc_.reads.push_back(Lba());
    disc_.counts.push_back(count);
    bool failed = false;
    for (auto failure = disc_.failures.lower_bound(Lba());
         failure != disc_.failures.end() && failure->first < Lba() + static_cast<std::uint32_t>(count); ++failure) {
      if (failure->second == 0) continue;
      if (failure->second > 0) --failure->second;
      failed = true;
    }
    if (failed) return kCommandFailed;
    for (int block = 0; block < count; ++block) {
      const std::uint32_t lba = Lba() + static_cast<std::uint32_t>(block);
      for (int i = 0; i < kBlockBytes; i += 2) {
        dest[block * kBlockBytes + i] = static_cast<std::uint8_t>(lba);
        dest[block * kBlockBytes + i + 1] = static_cast<std::uint8_t>(lba >> 8);
      }
    }
    AdvanceLba(count);
    return kSuccess;
  }
  void Close() override {}
  bool IsOpen() const override { return true; }

 private:
  int Open() {
    SetLastError(disc_.openError);
    return disc_.openResult;
  }
  FakeDisc& disc_;
};

struct ReaderOnFakeDisc {
  FakeDisc disc;
  RecordingNotifier notifier;
  DiscReader reader{notifier, [this](const std::string&) { return std::make_unique<FakeDiscDevice>(disc); }};
};

std::uint16_t BlockTag(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8); }

TEST(DiscReader, LogicalSectorsSkipTheUnusedBlocksAfterEveryRun) {
  ReaderOnFakeDisc fake;
  ASSERT_TRUE(fake.reader.OpenByPath("disc.img"));
  struct Case {
    std::int64_t sector;
    std::uint32_t block;
  } cases[] = {{0, 0}, {2559, 2559}, {2560, 2712}, {5119, 5271}, {5120, 5424}};
  for (const Case& c : cases) {
    fake.disc.reads.clear();
    ASSERT_TRUE(fake.reader.SeekTo(c.sector * 2048, DiscReader::kSeekFromStart));
    EXPECT_EQ(fake.disc.reads, std::vector<std::uint32_t>{c.block}) << c.sector;
  }

  // A read across the end of a run continues in the block after the gap.
  std::vector<std::uint8_t> bytes(8);
  fake.disc.reads.clear();
  ASSERT_TRUE(fake.reader.SeekTo(2560 * 2048 - 4, DiscReader::kSeekFromStart));
  ASSERT_EQ(fake.reader.Read(bytes.data(), 8), 8);
  EXPECT_EQ(fake.disc.reads, (std::vector<std::uint32_t>{2559, 2712}));
  EXPECT_EQ(BlockTag(&bytes[0]), 2559);
  EXPECT_EQ(BlockTag(&bytes[4]), 2712);
  EXPECT_EQ(fake.reader.Position(), 2560 * 2048 + 4);
}

TEST(DiscReader, ReadsWithinTheBufferedSectorCostNoDeviceRead) {
  ReaderOnFakeDisc fake;
  ASSERT_TRUE(fake.reader.OpenByPath("disc.img"));
  std::uint8_t bytes[300];
  ASSERT_TRUE(fake.reader.SeekTo(10 * 2048 + 100, DiscReader::kSeekFromStart));
  ASSERT_EQ(fake.reader.Read(bytes, 256), 256);
  ASSERT_TRUE(fake.reader.SeekTo(-300, DiscReader::kSeekFromCurrent));
  ASSERT_EQ(fake.reader.Read(bytes, 256), 256);
  EXPECT_EQ(fake.disc.reads, std::vector<std::uint32_t>{10});
  EXPECT_EQ(fake.reader.Position(), 10 * 2048 + 312);

  EXPECT_FALSE(fake.reader.SeekTo(0, DiscReader::kSeekFromEnd));
  EXPECT_FALSE(fake.reader.SeekTo(-1, DiscReader::kSeekFromStart));
  ASSERT_TRUE(fake.reader.SeekTo(5000, 7));  // an unknown origin means the start
  EXPECT_EQ(fake.reader.Position(), 0);
}

TEST(DiscReader, FailedSectorIsTriedFourTimesReportedOnceAndNeverServedFromTheBuffer) {
  ReaderOnFakeDisc fake;
  ASSERT_TRUE(fake.reader.OpenByPath("disc.img"));
  std::uint8_t bytes[16];
  fake.disc.failures[4] = -1;
  ASSERT_TRUE(fake.reader.SeekTo(3 * 2048, DiscReader::kSeekFromStart));
  fake.disc.reads.clear();
  ASSERT_TRUE(fake.reader.SeekTo(2048 - 8, DiscReader::kSeekFromCurrent));
  EXPECT_EQ(fake.reader.Read(bytes, 16), -1);
  EXPECT_EQ(fake.disc.reads, std::vector<std::uint32_t>(4, 4));
  EXPECT_TRUE(fake.reader.IsNotReady());
  EXPECT_EQ(fake.notifier.Count(), 1);
  EXPECT_EQ(fake.notifier.Last(), LoadString(50004));

  // The buffer no longer holds sector 3: going back reads it again.
  fake.disc.reads.clear();
  ASSERT_TRUE(fake.reader.SeekTo(3 * 2048, DiscReader::kSeekFromStart));
  EXPECT_EQ(fake.disc.reads, std::vector<std::uint32_t>{3});
  EXPECT_FALSE(fake.reader.IsNotReady());

  // A sector that comes good on the fourth try is read without a message.
  fake.disc.failures[4] = 3;
  ASSERT_TRUE(fake.reader.SeekTo(4 * 2048, DiscReader::kSeekFromStart));
  EXPECT_EQ(fake.notifier.Count(), 1);
}

TEST(DiscReader, SequentialScanReadsWholeStretchesUpToTheEndOfEachRun) {
  ReaderOnFakeDisc fake;
  ASSERT_TRUE(fake.reader.OpenByPath("disc.img"));
  std::vector<std::uint8_t> bytes(40 * 2048);
  ASSERT_TRUE(fake.reader.SeekTo(0, DiscReader::kSeekFromStart));
  ASSERT_EQ(fake.reader.Read(bytes.data(), static_cast<int>(bytes.size())), static_cast<int>(bytes.size()));
  EXPECT_EQ(fake.disc.reads, (std::vector<std::uint32_t>{0, 32}));
  EXPECT_EQ(fake.disc.counts, (std::vector<int>{32, 32}));
  for (int sector = 0; sector < 40; ++sector) EXPECT_EQ(BlockTag(&bytes[sector * 2048]), sector);

  // A stretch never runs into the blocks the recorder leaves unused.
  fake.disc.reads.clear();
  fake.disc.counts.clear();
  ASSERT_TRUE(fake.reader.SeekTo(2550 * 2048, DiscReader::kSeekFromStart));
  ASSERT_EQ(fake.reader.Read(bytes.data(), 12 * 2048), 12 * 2048);
  EXPECT_EQ(fake.disc.reads, (std::vector<std::uint32_t>{2550, 2712}));
  EXPECT_EQ(fake.disc.counts, (std::vector<int>{10, 32}));
  EXPECT_EQ(BlockTag(&bytes[9 * 2048]), 2559);
  EXPECT_EQ(BlockTag(&bytes[10 * 2048]), 2712);
}

TEST(DiscReader, DamagedSectorInsideAStretchCostsOnlyItself) {
  ReaderOnFakeDisc fake;
  ASSERT_TRUE(fake.reader.OpenByPath("disc.img"));
  fake.disc.failures[5] = -1;
  std::uint8_t bytes[2048];
  for (int sector = 0; sector < 40; ++sector) {
    const bool read = fake.reader.SeekTo(sector * 2048, DiscReader::kSeekFromStart) &&
                      fake.reader.Read(bytes, 2048) == 2048;
    EXPECT_EQ(read, sector != 5) << sector;
    if (read) {
      EXPECT_EQ(BlockTag(bytes), sector) << sector;
    }
  }
  EXPECT_EQ(fake.notifier.Count(), 1);
  // The failed stretch is tried once as a whole; its sectors then one by one,
  // the damaged one with every retry; the next stretch is whole again.
  std::vector<std::uint32_t> expected{0};
  for (std::uint32_t sector = 0; sector < 32; ++sector) {
    expected.insert(expected.end(), sector == 5 ? DiscReader::kSectorReadTries : 1, sector);
  }
  expected.push_back(32);
  EXPECT_EQ(fake.disc.reads, expected);
  EXPECT_EQ(fake.disc.counts.back(), 32);
}

TEST(DiscReader, DriveThatIsNotReadySaysSoAndAnyOtherFailedOpenSaysWhy) {
  struct Case {
    int error;
    std::string message;
  } cases[] = {{RawDiscDevice::kErrorNotReady, LoadString(50002)},
               {ENOENT, "Cannot open \"/dev/sr0\": " + std::string(std::strerror(ENOENT))},
               {EISDIR, "Cannot open \"/dev/sr0\": " + std::string(std::strerror(EISDIR))}};
  for (const Case& c : cases) {
    ReaderOnFakeDisc fake;
    fake.disc.openResult = RawDiscDevice::kOpenFailed;
    fake.disc.openError = c.error;
    EXPECT_FALSE(fake.reader.OpenByPath("/dev/sr0"));
    EXPECT_EQ(fake.reader.LastOpenError(), c.error);
    EXPECT_EQ(fake.notifier.Count(), 1);
    EXPECT_EQ(fake.notifier.Last(), c.message);
    EXPECT_FALSE(fake.reader.OpenByIndex(0));
    EXPECT_EQ(fake.notifier.Count(), 2);
  }
}

}  // namespace
}  // namespace selvo
