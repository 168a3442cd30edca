#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <string>
#include <vector>

#include "source/ByteOrder.h"
#include "source/InfoIndex.h"
#include "source/ShiftJis.h"
#include "source/TimeList.h"
#include "tests/BoundedRun.h"
#include "tests/InfoFileBytes.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

using test::InfoEntryFields;
using test::InfoFileBytes;
using test::TestFolder;

const std::string kParkingShiftJis = "\x92\x93\x8E\xD4\x8F\xEA";  // 駐車場

TEST(InfoIndex, ReadsHeaderEntriesAndChannelsInOrderOfFirstAppearance) {
  TestFolder folder;
  folder.Write("INFO/REC.INF",
               InfoFileBytes({{10, 100, 2}, {11, 110, 0}, {12, 120, 2}, {13, 130, 5}}, {{2, "GATE"}}));
  InfoIndex index;
  ASSERT_TRUE(index.Load(folder.Path()));
  EXPECT_EQ(index.EntryCount(), 4u);
  EXPECT_EQ(index.EntrySeconds(3), 13u);
  EXPECT_EQ(index.EntryStamp(1), 110u);
  EXPECT_EQ(index.EntryChannel(3), 5);
  EXPECT_EQ(index.ChannelImageCount(2), 2u);
  EXPECT_EQ(index.ChannelImageCount(7), 0u);
  EXPECT_EQ(index.ChannelFirstImage(2), 1u);
  EXPECT_EQ(index.ChannelLastImage(2), 3u);
  EXPECT_EQ(index.ChannelTitleBytes(2), "GATE");
  const std::array<int, 16> expected{2, 0, 5, -9, -9, -9, -9, -9, -9, -9, -9, -9, -9, -9, -9, -9};
  EXPECT_EQ(index.ChannelList(), expected);
}

TEST(InfoIndex, FindsFolderAndExtensionWhateverTheirCase) {
  TestFolder folder;
  folder.Write("info/export.inf", InfoFileBytes({{1, 2, 3}}));
  folder.Write("info/notes.txt", "not an index");
  InfoIndex index;
  EXPECT_TRUE(index.Load(folder.Path()));
  EXPECT_EQ(index.ChannelSlot(0), 3);
}

TEST(InfoIndex, TitleOfSixteenBytesWithoutTerminatorStopsAtSixteen) {
  TestFolder folder;
  const std::string file = folder.Write("INFO/A.INF", InfoFileBytes({{1, 2, 0}}, {{0, "ABCDEFGHIJKLMNOP"}}));
  InfoIndex index;
  ASSERT_TRUE(index.LoadFile(file));
  EXPECT_EQ(index.ChannelTitleBytes(0), "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(index.ChannelTitleBytes(16), "");
  EXPECT_EQ(index.ChannelTitleBytes(-5), "");
}

TEST(InfoIndex, TruncatedOrOverclaimingFilesCountAsAbsent) {
  TestFolder folder;
  const std::vector<std::uint8_t> good = InfoFileBytes({{1, 2, 0}, {3, 4, 1}});

  std::vector<std::uint8_t> shortHeader(good.begin(), good.begin() + 1000);
  std::vector<std::uint8_t> shortEntries(good.begin(), good.end() - 1);
  // N = 4,000,000,000 would need 64 GB of entries: refused before any
  // allocation (ASan would abort on the attempt).
  std::vector<std::uint8_t> hugeCount = good;
  WriteLe32(hugeCount.data(), 4000000000u);

  for (const auto* bytes : {&shortHeader, &shortEntries, &hugeCount}) {
    const std::string file = folder.Write("x.INF", *bytes);
    InfoIndex index;
    EXPECT_FALSE(index.LoadFile(file)) << bytes->size() << " bytes";
    EXPECT_FALSE(index.Loaded());
    EXPECT_EQ(index.EntryCount(), 0u);
    EXPECT_EQ(index.ChannelSlot(0), InfoIndex::kEmptySlot);
  }
  InfoIndex index;
  EXPECT_FALSE(index.Load(folder / "no-such-folder"));
}

TEST(InfoIndex, ChannelBytesOutsideZeroToFifteenBelongToNoChannel) {
  TestFolder folder;
  const std::string file = folder.Write("A.INF", InfoFileBytes({{1, 0, 99}, {1, 0, -5}, {1, 0, 4}, {1, 0, 15}}));
  InfoIndex index;
  ASSERT_TRUE(index.LoadFile(file));
  EXPECT_EQ(index.EntryChannel(0), -1);
  EXPECT_EQ(index.EntryChannel(1), -1);
  EXPECT_EQ(index.EntryChannel(3), 15);
  EXPECT_EQ(index.ChannelSlot(0), 4);
  EXPECT_EQ(index.ChannelSlot(1), 15);
  EXPECT_EQ(index.ChannelSlot(2), InfoIndex::kEmptySlot);
  EXPECT_EQ(index.ChannelImageCount(99), 0u);
  EXPECT_EQ(index.ChannelFirstImage(-5), 0u);
  // Named as such, not passed over as images without a camera.
  EXPECT_EQ(index.ForeignChannelText(),
            "2 entries name cameras outside 1..16 (the first: 100); those images belong to no camera");
  ASSERT_TRUE(index.LoadFile(folder.Write("B.INF", InfoFileBytes({{1, 0, 16}, {1, 0, 0}}))));
  EXPECT_EQ(index.ForeignChannelText(),
            "1 entry names a camera outside 1..16 (the first: 17); those images belong to no camera");
  ASSERT_TRUE(index.LoadFile(folder.Write("C.INF", InfoFileBytes({{1, 0, 0}}))));
  EXPECT_EQ(index.ForeignChannelText(), "");
}

// An index that is there and cannot be read is told with its reason; one
// that is absent or refused for its count alone is not a reading problem.
TEST(InfoIndex, IndexThatCannotBeReadSaysWhy) {
  TestFolder folder;
  const std::vector<std::uint8_t> whole = InfoFileBytes({{1, 0, 0}, {2, 0, 1}});
  InfoIndex index;
  EXPECT_FALSE(index.Load(folder.Path()));
  EXPECT_EQ(index.Problem(), "");
  const std::string file = folder.Write("INFO/REC.INF", whole);
  EXPECT_FALSE(index.Load(folder.Path(), 3));
  EXPECT_EQ(index.Problem(), "");
  folder.Write("INFO/REC.INF", std::vector<std::uint8_t>(whole.begin(), whole.end() - 1));
  EXPECT_FALSE(index.Load(folder.Path()));
  EXPECT_EQ(index.Problem(), file + ": cut short: fewer entries than it counts");
  ASSERT_EQ(::unlink(file.c_str()), 0);
  ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
  EXPECT_FALSE(index.Load(folder.Path()));
  EXPECT_EQ(index.Problem(), file + ": a FIFO, not a file");
}

TEST(TimeList, ReadsEachLineAsAtolWould) {
  const std::string longLine = std::string(300, '7');
  TimeList list;
  list.LoadText("  1500\n-5\n+42ms\r\ngarbage\n\n" + longLine + "\n99\n\t8");
  const std::vector<std::uint32_t> expected{1500, 4294967291u, 42, 0, 0,
                                            static_cast<std::uint32_t>(0x7FFFFFFFFFFFFFFF), 99, 8};
  ASSERT_EQ(list.Size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(list.At(i), expected[i]) << "line " << i;
}

TEST(TimeList, MissingFileLeavesItAbsent) {
  TestFolder folder;
  TimeList list;
  list.LoadText("5\n");
  EXPECT_FALSE(list.Load(folder / "time.txt"));
  EXPECT_FALSE(list.Present());
  folder.Write("time.txt", "10\n20\n");
  EXPECT_TRUE(list.Load(folder / "time.txt"));
  EXPECT_EQ(list.Size(), 2u);
  EXPECT_EQ(list.At(1), 20u);
}

// A huge line (128 MiB here, as a sparse file so the test writes almost
// nothing; a gigabyte behaves alike, only slower) must be read piece by
// piece: its head is the stamp, the line after it keeps its number, and
// memory stays where it was.
// Memory is what the huge line threatened; the time limit only catches a
// read that goes quadratic, with room for sanitizers on a busy machine.
constexpr std::chrono::seconds kHugeLineTimeLimit{10};

TEST(TimeList, HugeLineNeitherExhaustsMemoryNorShiftsLaterLines) {
  TestFolder folder;
  const std::string path = folder.Write("time.txt", "1234");
  ASSERT_EQ(::truncate(path.c_str(), off_t{128} << 20), 0);
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "\n42\n", 4), 4);
  ::close(fd);
  const test::BoundedOutcome outcome = test::RunBounded(
      [&] {
        TimeList list;
        return list.Load(path) && list.Size() == 2 && list.At(0) == 1234 && list.At(1) == 42;
      },
      kHugeLineTimeLimit);
  EXPECT_TRUE(outcome.passed);
  EXPECT_TRUE(outcome.Within(kHugeLineTimeLimit, 16 * 1024))
      << outcome.seconds << " s, " << outcome.peakGrowthKb << " kB";
}

TEST(TimeList, FifoOrFolderNamedTimeTxtIsRefusedWithoutBlocking) {
  TestFolder folder;
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
  folder.MakeDir("dir");
  for (const char* name : {"fifo", "dir"}) {
    const test::BoundedOutcome outcome = test::RunBounded(
        [&] {
          TimeList list;
          return !list.Load(folder / name) && !list.Present();
        },
        std::chrono::seconds(1));
    EXPECT_TRUE(outcome.finished && outcome.passed) << name;
  }
}

// Stamps past the last image are never asked for; a file of endless short
// lines costs no more than the images it describes.
TEST(TimeList, StopsAtTheLineLimit) {
  TestFolder folder;
  TimeList list;
  ASSERT_TRUE(list.Load(folder.Write("time.txt", "1\n2\n3\n4\n"), 2));
  EXPECT_EQ(list.Size(), 2u);
  EXPECT_EQ(list.At(1), 2u);
}

TEST(ShiftJisToUtf8, DecodesTitlesAndMarksBadBytes) {
  struct Case {
    std::string bytes;
    std::string expected;
  } cases[] = {
      {"GATE", "GATE"},
      {kParkingShiftJis, "\xE9\xA7\x90\xE8\xBB\x8A\xE5\xA0\xB4"},
      {"\xB1\xB2", "\xEF\xBD\xB1\xEF\xBD\xB2"},   // half-width katakana
      {"A\x92", "A?"},                             // lead byte cut off at the end
      {"\xFF" "B", "?B"},                          // never a Shift_JIS byte
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ShiftJisToUtf8(c.bytes.data(), c.bytes.size()), c.expected);
}

}  // namespace
}  // namespace selvo
