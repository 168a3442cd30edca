// The folder source as the viewer and the tools use it: listing, the INFO
// index, camera choice, stamps and the first read of an image. It runs past
// 600 lines on purpose: every group stands on the same folders written from
// the format rules at the top, and the groups follow the source's own
// sections, so a failing name points at the section to read.
#include <gtest/gtest.h>

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "source/ByteOrder.h"
#include "source/CalendarTime.h"
#include "source/DirectoryScanner.h"
#include "source/FolderImageSource.h"
#include "source/ImageInfo.h"
#include "tests/BoundedRun.h"
#include "tests/InfoFileBytes.h"
#include "tests/TamperedJpeg.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/Jp2Encoder.h"
#include "tools/recwriter/JpegEncoder.h"
#include "tools/recwriter/TrailerWriter.h"

namespace selvo {
namespace {

using test::InfoEntryFields;
using test::InfoFileBytes;
using test::TestFolder;
using Names = std::vector<std::string>;

const MediaKind kJpeg{0, 1, 0};
const MediaKind kJp2{1, 0, 0};
const MediaKind kNothing{0, 0, 0};

void Touch(const TestFolder& folder, const Names& names) {
  for (const std::string& name : names) folder.Write(name, "x");
}

// Image bytes ending in the recorder's little-endian millisecond stamp.
std::vector<std::uint8_t> BytesWithStamp(std::uint32_t stamp) {
  std::vector<std::uint8_t> bytes{0xFF, 0xD8, 0, 0, 0, 0};
  WriteLe32(bytes.data() + 2, stamp);
  return bytes;
}

Names ListedPaths(FolderImageSource& source, const TestFolder& folder) {
  Names paths;
  for (int i = 0; i < source.GetCount(); ++i) paths.push_back(source.GetPathAt(i).substr(folder.Path().size() + 1));
  return paths;
}

std::vector<int> ListedChannels(const FolderImageSource& source) {
  std::vector<int> channels;
  for (int i = 0; i < source.RecordCount(); ++i) channels.push_back(source.RecordAt(i)->channel);
  return channels;
}

// n image files in IMG00001 with the given INFO entries beside them.
void WriteIndexedRecording(const TestFolder& folder, std::size_t files, const std::vector<InfoEntryFields>& entries,
                           const std::map<int, std::string>& titles = {}) {
  for (std::size_t i = 0; i < files; ++i) {
    char name[48];
    std::snprintf(name, sizeof name, "IMG00001/%04zu.jpg", i + 1);
    folder.Write(name, "x");
  }
  folder.Write("INFO/REC.INF", InfoFileBytes(entries, titles));
}

std::vector<InfoEntryFields> EntriesOnChannels(const std::vector<int>& channels) {
  std::vector<InfoEntryFields> entries;
  for (std::size_t i = 0; i < channels.size(); ++i) {
    entries.push_back({static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(1000 + i),
                       static_cast<std::int8_t>(channels[i])});
  }
  return entries;
}

TEST(FolderOpenRecording, ListsFullPathsInByteOrderAndOnlyMatchingFiles) {
  TestFolder folder;
  Touch(folder, {"b.jpg", "A.jpg", "a.jpg", "C.JPG", "notes.txt", "jpg", "d.jp2"});
  FolderImageSource source(kJpeg);
  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
  EXPECT_EQ(ListedPaths(source, folder), (Names{"A.jpg", "C.JPG", "a.jpg", "b.jpg"}));
  EXPECT_EQ(source.GetPosition(), 0);
  const ImageRecord& record = *source.RecordAt(0);
  EXPECT_EQ(record.status, -1);
  EXPECT_EQ(record.channel, -1);
  EXPECT_EQ(record.infoIndex, -1);
  EXPECT_FALSE(source.HasChannel(-1));
}

// What stands where an image should is listed, so that it can be told as
// unreadable; showing, judging or stamping it neither waits on a FIFO nor
// reads a device for ever.
TEST(FolderOpenRecording, ListsEntriesNamedLikeImagesThatAreNoFilesAndReadsNoneOfThemForEver) {
  TestFolder folder;
  Touch(folder, {"a.jpg"});
  folder.MakeDir("b.jpg");
  ASSERT_EQ(::mkfifo((folder / "c.jpg").c_str(), 0600), 0);
  ASSERT_EQ(::symlink((folder / "gone").c_str(), (folder / "d.jpg").c_str()), 0);
  ASSERT_EQ(::symlink("/dev/zero", (folder / "e.jpg").c_str()), 0);
  for (bool flat : {false, true}) {
    FolderImageSource source(kJpeg);
    ASSERT_TRUE(flat ? source.Open(folder.Path()) : source.OpenRecording(folder.Path(), false));
    EXPECT_EQ(ListedPaths(source, folder), (Names{"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}));
    const test::BoundedOutcome read = test::RunBounded(
        [&] {
          bool nothingRead = true;
          for (int i = 1; i < source.GetCount(); ++i) {
            source.SetPosition(i);
            std::uint32_t size = 0;
            nothingRead = !source.ReadImage(size, 0, {}, false, false).block && nothingRead;
            nothingRead = source.ExamineFile(i).status == -1 && source.GetStampAt(i) == 0 && nothingRead;
          }
          return nothingRead;
        },
        std::chrono::seconds(5));
    EXPECT_TRUE(read.Within(std::chrono::seconds(5), 64 * 1024)) << flat;
    EXPECT_TRUE(read.passed) << flat;
  }
}

TEST(FolderOpen, ListsCaseInsensitivelyKeepingTheFoundOrderForTies) {
  TestFolder folder;
  Touch(folder, {"b.jpg", "A.jpg", "a.jpg"});
  Names found;
  ScanDirectory(folder.Path(), [&](const char* name, EntryType) {
    if (EqualsIgnoringCase(name, "a.jpg")) found.push_back(name);
    return true;
  });
  FolderImageSource source(kJpeg);
  ASSERT_TRUE(source.Open(folder.Path()));
  EXPECT_EQ(ListedPaths(source, folder), (Names{found[0], found[1], "b.jpg"}));
  EXPECT_EQ(source.GetPosition(), 0);

  TestFolder empty;
  EXPECT_FALSE(source.Open(empty.Path()));
  EXPECT_EQ(source.GetPosition(), -1);
}

// Subfolder names that sort one way alone and another with "/" after them:
// "a-b/x" comes before "a/x" byte by byte, though "a" comes before "a-b".
TEST(FolderOpenRecording, OrdersFilesOfAllSubfoldersByTheirWholePathsByteByByte) {
  TestFolder folder;
  Touch(folder, {"a/2.jpg", "a/10.jpg", "a-b/1.jpg", "B/9.jpg", "a.b/0.jpg"});
  FolderImageSource source(kJpeg);
  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
  EXPECT_EQ(ListedPaths(source, folder), (Names{"B/9.jpg", "a-b/1.jpg", "a.b/0.jpg", "a/10.jpg", "a/2.jpg"}));
}

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator keeps its own account; malloc's is then empty.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

// A million-image recording must stay small: everything the open keeps
// (names, records of every camera, index entries, time.txt stamps) at most
// 64 bytes an image, file names as long as the recorder's own.
TEST(FolderOpenRecording, KeepsAtMost64BytesAnImageWithEveryCameraListed) {
  TestFolder folder;
  constexpr int kImages = 4000;
  std::vector<InfoEntryFields> entries;
  std::string times;
  char name[64];
  for (int folderNumber = 1; folderNumber <= kImages / 1000; ++folderNumber) {
    std::snprintf(name, sizeof name, "IMG%05d", folderNumber);
    folder.MakeDir(name);
  }
  // Links to one file: names cost the file system far less than new files.
  const std::string image = folder.Write("image", "x");
  for (int i = 0; i < kImages; ++i) {
    std::snprintf(name, sizeof name, "/IMG%05d/IMG%08d.jpg", i / 1000 + 1, i + 1);
    ASSERT_EQ(::link(image.c_str(), (folder.Path() + name).c_str()), 0);
    entries.push_back({static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(40 * i),
                       static_cast<std::int8_t>(i % 4)});
    times += std::to_string(40 * i) + "\r\n";
  }
  folder.Write("INFO/REC.INF", InfoFileBytes(entries));
  folder.Write("time.txt", times);

  FolderImageSource source(kJpeg);
  const std::size_t before = HeapInUse();
  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
  ASSERT_TRUE(source.SelectChannels(-1, 1, nullptr));
  ASSERT_EQ(source.GetCount(), kImages);
  const double perImage = static_cast<double>(HeapInUse() - before) / kImages;
  EXPECT_LE(perImage, 64.0);
  EXPECT_EQ(source.GetPathAt(kImages - 1), folder / "IMG00004/IMG00004000.jpg");
  EXPECT_EQ(source.GetStampAt(kImages - 1), 40u * (kImages - 1));
}

TEST(FolderOpenRecording, LooksInSubfoldersAsTheSoundTrackAndFirstSubfolderDecide) {
  struct Case {
    const char* what;
    Names files;
    bool hasSound;
    MediaKind kind;
    bool opens;
    Names listed;
  } cases[] = {
      {"sound: images beside it are not looked at", {"a.jpg"}, true, kJpeg, false, {}},
      {"sound: only subfolders count", {"a.jpg", "IMG00001/b.jpg"}, true, kJpeg, true, {"IMG00001/b.jpg"}},
      {"no sound: direct images win", {"a.jpg", "IMG00001/b.jpg"}, false, kJpeg, true, {"a.jpg"}},
      {"no sound: later empty subfolder skipped",
       {"IMG00003/c.jpg", "IMG00001/b.jpg", "IMG00001/a.jpg", "IMG00002/x.txt"},
       false,
       kJpeg,
       true,
       {"IMG00001/a.jpg", "IMG00001/b.jpg", "IMG00003/c.jpg"}},
      // Case-insensitively img00001 comes first; byte order would put IMG00002 first.
      {"first subfolder empty ends the open", {"img00001/x.txt", "IMG00002/a.jpg"}, false, kJpeg, false, {}},
      {"nothing anywhere", {"notes.txt"}, false, kJpeg, false, {}},
      {"no kind from the probe", {"a.jpg"}, false, kNothing, false, {}},
      {"JPEG 2000 kind ignores JPEG files", {"a.jpg", "b.JP2"}, false, kJp2, true, {"b.JP2"}},
      {"upper-case names", {"IMG00001/IMG0001.JPG"}, true, kJpeg, true, {"IMG00001/IMG0001.JPG"}},
      // A USB stick's desktop leaves a trash folder that sorts before IMG00001.
      {"hidden folder beside the images, with sound",
       {".Trash-1000/files/x.txt", "IMG00001/a.jpg"}, true, kJpeg, true, {"IMG00001/a.jpg"}},
      {"hidden folders beside the images, no sound",
       {".Trash-1000/info/x.txt", ".hidden/z.jpg", "IMG00001/a.jpg"}, false, kJpeg, true, {"IMG00001/a.jpg"}},
  };
  for (const Case& c : cases) {
    TestFolder folder;
    Touch(folder, c.files);
    FolderImageSource source(c.kind);
    EXPECT_EQ(source.OpenRecording(folder.Path(), c.hasSound), c.opens) << c.what;
    if (c.opens) {
      EXPECT_EQ(ListedPaths(source, folder), c.listed) << c.what;
    }
  }
}

TEST(FolderOpenRecording, SetCancelFlagStopsTheOpenWithFailure) {
  TestFolder folder;
  Touch(folder, {"a.jpg", "b.jpg", "IMG00001/c.jpg"});
  std::atomic<int> cancel{1};
  FolderImageSource source(kJpeg, &cancel);
  EXPECT_FALSE(source.OpenRecording(folder.Path(), false));
  EXPECT_FALSE(source.OpenRecording(folder.Path(), true));
  cancel = 0;
  EXPECT_TRUE(source.OpenRecording(folder.Path(), false));
  EXPECT_EQ(source.GetCount(), 2);
}

TEST(FolderOpenRecording, IndexWithOtherEntryCountThanFilesIsIgnored) {
  TestFolder folder;
  WriteIndexedRecording(folder, 119, EntriesOnChannels(std::vector<int>(120, 3)));
  FolderImageSource source(kJpeg);
  ASSERT_TRUE(source.OpenRecording(folder.Path(), true));
  EXPECT_EQ(source.GetCount(), 119);
  EXPECT_FALSE(source.Index().Loaded());
  EXPECT_FALSE(source.HasChannel(-1));
  EXPECT_EQ(source.FirstChannel(), InfoIndex::kEmptySlot);
  EXPECT_EQ(source.RecordAt(0)->channel, -1);
}

// An index claiming fifty million entries (a sparse file, so the disc holds
// almost nothing) beside two images is refused from its header, not read.
TEST(FolderOpenRecording, IndexClaimingMoreEntriesThanFilesIsNotRead) {
  TestFolder folder;
  WriteIndexedRecording(folder, 2, EntriesOnChannels({1, 2}));
  std::vector<std::uint8_t> header = InfoFileBytes({});
  WriteLe32(header.data(), 50'000'000);
  const std::string index = folder.Write("INFO/REC.INF", header);
  ASSERT_EQ(::truncate(index.c_str(), 1024 + 16 * off_t{50'000'000}), 0);
  const test::BoundedOutcome outcome = test::RunBounded(
      [&] {
        FolderImageSource source(kJpeg);
        return source.OpenRecording(folder.Path(), false) && source.GetCount() == 2 && !source.Index().Loaded();
      },
      std::chrono::seconds(1));
  EXPECT_TRUE(outcome.passed);
  EXPECT_TRUE(outcome.Within(std::chrono::seconds(1), 64 * 1024))
      << outcome.seconds << " s, " << outcome.peakGrowthKb << " kB";
}

TEST(FolderOpenRecording, IndexedRecordShowsFirstChannelWithTimesStampsAndPaths) {
  TestFolder folder;
  WriteIndexedRecording(folder, 4,
                        {{100, 5000, 2}, {946079999, 5100, 0}, {946080000, 5200, 2}, {7, 5300, 0}});
  FolderImageSource source(kJpeg);
  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
  ASSERT_EQ(source.GetCount(), 2);

  const ImageRecord& inRange = *source.RecordAt(0);
  EXPECT_EQ(inRange.status, -1);
  EXPECT_EQ(inRange.recordTime, RecorderEpoch() + 100);
  EXPECT_EQ(inRange.stampMs, 5000u);
  EXPECT_EQ(inRange.channel, 2);
  EXPECT_EQ(inRange.infoIndex, 0);
  EXPECT_EQ(source.GetPathAt(0), folder / "IMG00001/0001.jpg");

  const ImageRecord& outOfRange = *source.RecordAt(1);
  EXPECT_EQ(outOfRange.status, 3);
  EXPECT_EQ(outOfRange.recordTime, 0);
  EXPECT_EQ(outOfRange.infoIndex, 2);
  EXPECT_EQ(source.GetPathAt(1), folder / "IMG00001/0003.jpg");

  ASSERT_TRUE(source.SelectChannels(-1, 1, nullptr));
  EXPECT_EQ(source.GetCount(), 4);
  EXPECT_EQ(source.GetTimeAt(1), RecorderEpoch() + 946079999);
  EXPECT_EQ(source.GetStatusAt(1), -1);
}

TEST(FolderSelectChannels, EmptyPanesAreFilledFromTheChannelList) {
  struct Case {
    std::vector<int> entryChannels;
    int paneCount;
    std::array<int, 4> panes;
  } cases[] = {
      {{2, 0, 2, 5, 0}, 4, {2, 5, 0, -9}},
      {{4, 9, 1, 7, 2}, 4, {4, 7, 9, 1}},  // ascending from the first, wrapping round
      {{3, 1, 2}, 2, {3, 1, -9, -9}},
      {{6, 99, 6}, 4, {6, -9, -9, -9}},    // a byte outside 0..15 is no channel
  };
  for (const Case& c : cases) {
    TestFolder folder;
    WriteIndexedRecording(folder, c.entryChannels.size(), EntriesOnChannels(c.entryChannels));
    FolderImageSource source(kJpeg);
    ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
    std::array<int, 16> panes;
    panes.fill(-9);
    ASSERT_TRUE(source.SelectChannels(-1, c.paneCount, panes.data()));
    EXPECT_EQ((std::array<int, 4>{panes[0], panes[1], panes[2], panes[3]}), c.panes);
    for (int channel : ListedChannels(source)) {
      EXPECT_NE(std::find(c.panes.begin(), c.panes.begin() + c.paneCount, channel), c.panes.begin() + c.paneCount);
    }
  }
}

TEST(FolderSelectChannels, KeepsEntryOrderForTheChosenChannels) {
  TestFolder folder;
  WriteIndexedRecording(folder, 6, EntriesOnChannels({2, 0, 5, 2, 7, 5}));
  FolderImageSource source(kJpeg);
  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
  EXPECT_EQ(ListedChannels(source), (std::vector<int>{2, 2}));

  std::array<int, 16> panes;
  panes.fill(-9);
  panes[0] = 5;
  panes[1] = 2;
  panes[4] = 7;  // beyond the four panes: not shown
  ASSERT_TRUE(source.SelectChannels(-1, 4, panes.data()));
  EXPECT_EQ(panes[2], -9);  // a set assignment is not filled in
  EXPECT_EQ(ListedChannels(source), (std::vector<int>{2, 5, 2, 5}));

  ASSERT_TRUE(source.SelectChannels(7, 1, nullptr));
  EXPECT_EQ(ListedChannels(source), (std::vector<int>{7}));
  EXPECT_EQ(source.RecordAt(0)->infoIndex, 4);
}

// The first-image field is read as the file gives it; values that cannot be
// an int position must neither overflow nor pose as one.
TEST(FolderChannelQueries, FirstImageFieldBeyondIntRangeIsNoPosition) {
  TestFolder folder;
  std::vector<std::uint8_t> index = InfoFileBytes(EntriesOnChannels({1, 2}));
  struct Case {
    std::uint32_t field;
    int expected;
  } cases[] = {{0x80000000u, 0x7FFFFFFF}, {0x80000001u, -1}, {0xFFFFFFFFu, -1}, {0, -1}};
  for (const Case& c : cases) {
    WriteLe32(index.data() + 464 + 4 * 2, c.field);
    WriteIndexedRecording(folder, 2, {});
    folder.Write("INFO/REC.INF", index);
    FolderImageSource source(kJpeg);
    ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
    EXPECT_EQ(source.FirstInfoIndex(2), c.expected) << std::hex << c.field;
  }
}

TEST(FolderChannelQueries, AnswerFromTheIndex) {
  TestFolder folder;
  WriteIndexedRecording(folder, 6, EntriesOnChannels({1, 2, 1, 3, 2, 99}),
                        {{1, "GATE"}, {2, "\x92\x93\x8E\xD4\x8F\xEA"}});
  FolderImageSource source(kJpeg);
  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));

  EXPECT_EQ(source.FirstChannel(), 1);
  for (auto [channel, has] : std::vector<std::pair<int, bool>>{
           {-1, true}, {1, true}, {3, true}, {0, false}, {99, false}, {-5, false}, {16, false}}) {
    EXPECT_EQ(source.HasChannel(channel), has) << "channel " << channel;
  }
  EXPECT_EQ(source.FirstInfoIndex(-1), 0);
  EXPECT_EQ(source.FirstInfoIndex(2), 1);
  EXPECT_EQ(source.FirstInfoIndex(3), 3);

  struct Search {
    bool backward;
    int channel;
    int start;
    int expected;
  } searches[] = {
      {true, 2, 3, 1},   {true, 1, 1, 2},  // entry 0 is not examined going back
      {true, 3, 0, 3},   {true, 2, 50, 4},  {false, 2, 2, 4}, {false, 1, 3, 2},
      {false, 1, 0, 0},  {false, 7, 0, -1}, {false, 1, -3, 0}, {true, -1, 5, -1},
  };
  for (const Search& s : searches) {
    const int found = s.backward ? source.FindChannelBackward(s.channel, s.start)
                                 : source.FindChannelForward(s.channel, s.start);
    EXPECT_EQ(found, s.expected) << (s.backward ? "backward" : "forward") << " channel " << s.channel << " from "
                                 << s.start;
  }

  ASSERT_TRUE(source.SelectChannels(-1, 1, nullptr));
  EXPECT_EQ(source.GetChannelTitle(0), "GATE");
  EXPECT_EQ(source.GetChannelTitle(1), "\xE9\xA7\x90\xE8\xBB\x8A\xE5\xA0\xB4");  // 駐車場
  EXPECT_EQ(source.GetChannelTitle(5), "");   // channel byte 99
  EXPECT_EQ(source.RecordAt(5)->channel, -1);
  EXPECT_EQ(source.GetChannelTitle(60), "");

  ASSERT_TRUE(source.SelectChannels(2, 1, nullptr));
  EXPECT_EQ(source.RecordForInfoIndex(4), 1);
  EXPECT_EQ(source.RecordForInfoIndex(3), 0);
  source.SetPosition(1);
  EXPECT_EQ(source.GetInfoIndex(-1), 4);
  EXPECT_EQ(source.GetInfoIndex(7), 7);
  EXPECT_EQ(source.GetChannel(), 2);
}

TEST(FolderChannelQueries, IndexWhoseEntriesNameNoChannelStillListsEveryImage) {
  TestFolder folder;
  WriteIndexedRecording(folder, 3, EntriesOnChannels({99, -5, 99}));
  FolderImageSource source(kJpeg);
  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
  EXPECT_EQ(source.GetCount(), 3);
  EXPECT_EQ(source.FirstChannel(), InfoIndex::kEmptySlot);
  EXPECT_TRUE(source.HasChannel(-1));
  EXPECT_FALSE(source.HasChannel(99));
  ASSERT_TRUE(source.SelectChannels(99, 1, nullptr));
  EXPECT_EQ(source.GetCount(), 0);
}

TEST(FolderStamps, IndexForStampSearchesOffsetsFromTheFirstStampUpwardFromTheInterpolatedIndex) {
  struct Case {
    const char* timeText;
    std::uint32_t ms;
    int expected;
  } cases[] = {
      {"0\n100\n200\n300\n", 150, 2}, {"0\n100\n200\n300\n", 90, 1}, {"0\n100\n200\n300\n", 299, 3},
      {"0\n100\n200\n300\n", 300, 0},  // past the end
      {"5\n9\n9\n5\n", 3, 1},             // equal first and last stamps: search from the start
      {"5\n5\n5\n5\n", 0, 0},
      // The time asked for runs from the first image on, as the play loop
      // measures it against the sound track.
      {"1000\n1100\n1200\n1300\n", 150, 2}, {"1000\n1100\n1200\n1300\n", 300, 0},
  };
  for (const Case& c : cases) {
    TestFolder folder;
    Touch(folder, {"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    folder.Write("time.txt", c.timeText);
    FolderImageSource source(kJpeg);
    ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
    EXPECT_EQ(source.IndexForStamp(c.ms), c.expected) << c.timeText << " ms " << c.ms;
  }
}

// With an index the list may hold one camera's images; each must still get
// the stamp of its own line of time.txt (its place among all files), or
// without time.txt its index entry's stamp, never another camera's.
TEST(FolderStamps, EachCameraGetsTheStampsOfItsOwnImages) {
  const std::vector<int> channels = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};
  std::vector<InfoEntryFields> entries = EntriesOnChannels(channels);
  std::string timeText;
  for (std::size_t i = 0; i < channels.size(); ++i) {
    entries[i].stampMs = static_cast<std::uint32_t>(5000 + 100 * i);
    timeText += std::to_string(100 * i) + "\r\n";
  }
  for (const bool withTimeList : {true, false}) {
    SCOPED_TRACE(withTimeList ? "time.txt" : "index only");
    TestFolder folder;
    WriteIndexedRecording(folder, channels.size(), entries);
    if (withTimeList) folder.Write("time.txt", timeText);
    FolderImageSource source(kJpeg);
    ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
    for (int camera = 0; camera < 4; ++camera) {
      ASSERT_TRUE(source.SelectChannels(camera, 1, nullptr));
      ASSERT_EQ(source.GetCount(), 3);
      for (int k = 0; k < 3; ++k) {
        const std::uint32_t place = static_cast<std::uint32_t>(4 * k + camera);
        EXPECT_EQ(source.GetStampAt(k), withTimeList ? 100 * place : 5000 + 100 * place)
            << "camera " << camera << " image " << k;
      }
      // Times run from the recording's first image, where the sound starts:
      // 50 ms after this camera's image 1 the next one due is image 2.
      const std::uint32_t start = withTimeList ? 0 : 5000;
      EXPECT_EQ(source.RecordingStartStamp(), start);
      EXPECT_EQ(source.IndexForStamp(100 * static_cast<std::uint32_t>(camera) + 450), 2) << "camera " << camera;
      EXPECT_EQ(source.IndexForStamp(100 * static_cast<std::uint32_t>(camera) + 399), 1) << "camera " << camera;
    }
  }
}

// A small recorder image of the given format with its trailer.
std::vector<std::uint8_t> RecorderImage(ImageFormat format, std::uint32_t seconds, std::uint32_t stampMs,
                                        TrailerDamage damage = TrailerDamage::kNone) {
  std::vector<std::uint8_t> rgb(16 * 16 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7);
  std::vector<std::uint8_t> encoded =
      format == ImageFormat::kJpeg ? EncodeJpeg(rgb.data(), 16, 16, 80) : EncodeJp2(rgb.data(), 16, 16);
  const std::optional<TrailerWriter> writer = TrailerWriter::For(format, std::move(encoded));
  return writer ? writer->Write({seconds, stampMs}, damage) : std::vector<std::uint8_t>{};
}

bool ReadCurrent(FolderImageSource& source, bool orderCheck = false) {
  std::uint32_t size = 0;
  const ReadOutcome outcome = source.ReadImage(size, ImageSource::kReadDecode, SaveTarget{}, orderCheck, false);
  if (outcome.block) {
    EXPECT_EQ(size, outcome.block->Size());
  }
  return static_cast<bool>(outcome.block);
}

// A file's last four bytes are its stamp only when they end a recorder
// trailer: a bare JPEG ends in xx xx FF D9, which would be a stamp weeks away.
TEST(FolderStamps, ComeFromTimeListThenFromARecognisedTrailerAndNeverFromABareImage) {
  TestFolder folder;
  folder.Write("a.jpg", RecorderImage(ImageFormat::kJpeg, 1000, 500));
  folder.Write("b.jpg", RecorderImage(ImageFormat::kJpeg, 1000, 600));
  folder.Write("c.jpg", RecorderImage(ImageFormat::kJpeg, 1000, 700));
  folder.Write("d.jpg", RecorderImage(ImageFormat::kJpeg, 1000, 800, TrailerDamage::kNoTrailer));
  folder.Write("e.jpg", BytesWithStamp(900));  // no parser recognises it
  FolderImageSource source(kJpeg);

  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
  EXPECT_FALSE(source.Times().Present());
  // The first image's stamp is never read from its file, only from its first read.
  EXPECT_EQ(source.GetStampAt(0), 0u);
  EXPECT_EQ(source.GetStampAt(2), 700u);
  // Images without a stamp are due with the one before them; their records
  // keep none.
  EXPECT_EQ(source.GetStampAt(3), 700u);
  EXPECT_EQ(source.GetStatusAt(3), kNoTrailer);
  EXPECT_FALSE(IsStampKnown(*source.RecordAt(3)));
  EXPECT_EQ(source.GetStampAt(4), 700u);
  EXPECT_FALSE(IsStampKnown(*source.RecordAt(4)));
  EXPECT_EQ(source.GetStampAt(5), 0u);
  // Nor is an image without a stamp the one due next in play.
  ASSERT_TRUE(source.ExamineRecord(0));
  EXPECT_EQ(source.IndexForStamp(150), 2);
  EXPECT_EQ(source.IndexForStamp(250), 0);

  // A line of time.txt is no stamp for an image without a trailer either.
  folder.Write("Time.TXT", "10\ngarbage\n30\n40\n");
  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
  EXPECT_EQ(source.GetStampAt(0), 10u);
  EXPECT_EQ(source.GetStampAt(1), 0u);
  EXPECT_EQ(source.GetStampAt(2), 30u);
  EXPECT_EQ(source.GetStampAt(3), 40u);  // not examined yet: the line stands
  EXPECT_TRUE(source.ExamineRecord(3));
  EXPECT_EQ(source.GetStampAt(3), 30u);
  EXPECT_FALSE(IsStampKnown(*source.RecordAt(3)));
  EXPECT_EQ(source.ExamineFile(3).stampMs, 0u);
}

TEST(FolderReadImage, FillsStatusTimeAndStampFromTheTrailerOnFirstRead) {
  TestFolder folder;
  folder.Write("a.jpg", RecorderImage(ImageFormat::kJpeg, 1000, 5000));
  folder.Write("b.JPG", RecorderImage(ImageFormat::kJpeg, 2000, 6000, TrailerDamage::kAlteredImage));
  folder.Write("c.jpg", "not an image");
  FolderImageSource source(kJpeg);
  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
  EXPECT_EQ(source.GetStampAt(0), 0u);  // nothing known before the first read

  ASSERT_TRUE(ReadCurrent(source));
  EXPECT_EQ(source.GetStatus(), 0);
  EXPECT_EQ(source.GetTime(), RecorderEpoch() + 1000);
  EXPECT_EQ(source.GetStampAt(0), 5000u);

  source.Next();
  ASSERT_TRUE(ReadCurrent(source));
  EXPECT_EQ(source.GetStatus(), kImageAltered);
  EXPECT_EQ(source.GetTime(), RecorderEpoch() + 2000);

  source.Next();
  EXPECT_FALSE(ReadCurrent(source));
  EXPECT_EQ(source.GetStatus(), -1);
}

TEST(FolderReadImage, TimeListAndIndexTakePrecedenceOverTheTrailer) {
  TestFolder folder;
  folder.Write("IMG00001/a.jpg", RecorderImage(ImageFormat::kJpeg, 1000, 5000, TrailerDamage::kAlteredTime));
  folder.Write("IMG00001/b.jpg", RecorderImage(ImageFormat::kJpeg, 1001, 5040));
  folder.Write("time.txt", "70\n");
  FolderImageSource source(kJpeg);

  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
  ASSERT_TRUE(ReadCurrent(source));
  EXPECT_EQ(source.GetStatus(), kTimeAltered);
  EXPECT_EQ(source.RecordAt(0)->stampMs, 70u);
  source.Next();
  ASSERT_TRUE(ReadCurrent(source));
  EXPECT_EQ(source.RecordAt(1)->stampMs, 5040u);  // no line for it: the trailer's stamp

  // With an index the trailer only judges. time.txt's line is the stamp
  // that paces play, so it is the record's too; the index's entry stands
  // where time.txt has no line, even a zero.
  folder.Write("INFO/REC.INF", InfoFileBytes({{50, 10, 0}, {51, 0, 0}}));
  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
  ASSERT_TRUE(ReadCurrent(source));
  EXPECT_EQ(source.GetStatus(), kTimeAltered);
  EXPECT_EQ(source.GetTime(), RecorderEpoch() + 50);
  EXPECT_EQ(source.RecordAt(0)->stampMs, 70u);
  EXPECT_EQ(source.GetStampAt(0), 70u);
  source.Next();
  ASSERT_TRUE(ReadCurrent(source));
  EXPECT_EQ(source.RecordAt(1)->stampMs, 0u);
  EXPECT_TRUE(IsStampKnown(*source.RecordAt(1)));
  EXPECT_EQ(source.ExamineFile(0).stampMs, 70u);
  EXPECT_EQ(source.ExamineFile(1).stampMs, 0u);
  // Line 1 says 70, the index 10: a finding of its own.
  const std::vector<TimelineAnomaly> disagreements = source.StampDisagreements();
  ASSERT_EQ(disagreements.size(), 1u);
  EXPECT_EQ(disagreements[0].kind, TimelineAnomalyKind::StampMismatch);
  EXPECT_EQ(disagreements[0].from, 1);
  EXPECT_EQ(disagreements[0].to, 1);
}

// Recorder frames of several makes whose compressed data was edited after
// the recorder signed them, at seeded random places; some also damaged past
// decoding. Every one must be judged altered with its own time and stamp,
// and every one the library can still decode must come with its picture.
TEST(FolderReadImage, TamperedFramesAreJudgedAndShownWhereverTheyDecode) {
  struct Expected {
    std::string name;
    std::uint32_t seconds;
    std::uint32_t stamp;
    test::LibraryDamage damage;
  };
  TestFolder folder;
  std::vector<Expected> expected;
  for (const test::SampleJpeg& sample : test::VariedJpegs(48, 40)) {
    const std::optional<TrailerWriter> writer = TrailerWriter::ForJpeg(sample.bytes);
    ASSERT_TRUE(writer) << sample.name;
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
      const auto n = static_cast<std::uint32_t>(expected.size());
      std::vector<std::uint8_t> bytes = writer->Write({86400 + n, 1000 * n});
      ASSERT_TRUE(test::FlipScanBytes(bytes, seed, 1 + static_cast<int>(seed % 3)));
      if (seed % 3 == 0) {
        ASSERT_TRUE(test::BreakScanTables(bytes));
      }
      char file[48];
      std::snprintf(file, sizeof file, "IMG00001/%04u.jpg", n);
      folder.Write(file, bytes);
      expected.push_back({sample.name + " seed " + std::to_string(seed), 86400 + n, 1000 * n,
                          test::LibraryVerdict(bytes)});
    }
  }
  FolderImageSource source(kJpeg);
  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
  ASSERT_EQ(source.GetCount(), static_cast<int>(expected.size()));
  std::set<test::LibraryDamage> seen;
  for (int i = 0; i < source.GetCount(); ++i) {
    const Expected& e = expected[static_cast<std::size_t>(i)];
    SCOPED_TRACE(e.name + ", " + test::DamageName(e.damage));
    seen.insert(e.damage);
    source.SetPosition(i);
    EXPECT_EQ(ReadCurrent(source), e.damage != test::LibraryDamage::kFatal);
    EXPECT_NE(source.GetStatus() & kImageAltered, 0) << "status " << source.GetStatus();
    EXPECT_EQ(source.GetTime(), RecorderEpoch() + e.seconds);
    EXPECT_EQ(source.GetStampAt(i), e.stamp);
  }
  EXPECT_EQ(seen.count(test::LibraryDamage::kWarning), 1u);
  EXPECT_EQ(seen.count(test::LibraryDamage::kFatal), 1u);
}

// OpenJPEG decodes damaged code-blocks quietly but gives up on a damaged
// packet header; either way the frame is judged, with its time and stamp.
TEST(FolderReadImage, TamperedJpeg2000FramesAreJudgedEvenWhereTheyCannotBeDecoded) {
  const std::vector<std::uint8_t> rgb = test::DetailedRgb(64, 48);
  const std::optional<TrailerWriter> writer = TrailerWriter::ForJp2(EncodeJp2(rgb.data(), 64, 48));
  ASSERT_TRUE(writer);
  TestFolder folder;
  const std::uint32_t frames = 12;
  for (std::uint32_t n = 0; n < frames; ++n) {
    std::vector<std::uint8_t> bytes = writer->Write({86400 + n, 1000 * n});
    const std::optional<ByteSpan> data = FindJp2PacketData(bytes);
    ASSERT_TRUE(data);
    ASSERT_FALSE(FlipDataBytes(bytes, *data, n + 1, 1 + static_cast<int>((n + 1) % 4)).empty());
    char file[48];
    std::snprintf(file, sizeof file, "IMG00001/%04u.jp2", n);
    folder.Write(file, bytes);
  }
  FolderImageSource source(kJp2);
  ASSERT_TRUE(source.OpenRecording(folder.Path(), true));
  ASSERT_EQ(source.GetCount(), static_cast<int>(frames));
  std::set<bool> decoded;
  for (int i = 0; i < source.GetCount(); ++i) {
    SCOPED_TRACE(i);
    source.SetPosition(i);
    decoded.insert(ReadCurrent(source));
    EXPECT_NE(source.GetStatus() & kImageAltered, 0) << "status " << source.GetStatus();
    EXPECT_EQ(source.GetTime(), RecorderEpoch() + 86400 + static_cast<CalendarSeconds>(i));
    EXPECT_EQ(source.GetStampAt(i), 1000u * static_cast<std::uint32_t>(i));
  }
  EXPECT_EQ(decoded, (std::set<bool>{false, true})) << "both outcomes must have been tried";
}

TEST(FolderReadImage, OrderCheckRefusesAStampBelowThePreviousOne) {
  TestFolder folder;
  folder.Write("a.jpg", RecorderImage(ImageFormat::kJpeg, 1, 5000));
  folder.Write("b.jpg", RecorderImage(ImageFormat::kJpeg, 2, 4000));
  FolderImageSource source(kJpeg);
  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
  ASSERT_TRUE(ReadCurrent(source, true));
  source.Next();
  EXPECT_FALSE(ReadCurrent(source, true));
  EXPECT_TRUE(ReadCurrent(source, false));
}

TEST(FolderReadImage, JpegTwoThousandKindsDecodeAndParseAsJpegTwoThousand) {
  TestFolder folder;
  folder.Write("IMG00001/a.JP2", RecorderImage(ImageFormat::kJp2, 3000, 7000));
  for (const MediaKind& kind : {kJp2, MediaKind{0, 0, 1}}) {
    FolderImageSource source(kind);
    ASSERT_TRUE(source.OpenRecording(folder.Path(), true));
    ASSERT_TRUE(ReadCurrent(source));
    EXPECT_EQ(source.GetStatus(), 0);
    EXPECT_EQ(source.GetTime(), RecorderEpoch() + 3000);
    EXPECT_EQ(source.GetStampAt(0), 7000u);
  }
}

TEST(FolderImageSource, AnswersNeutrallyOutsideItsRecords) {
  FolderImageSource source(kJpeg);
  std::uint32_t size = 0;
  EXPECT_FALSE(source.ReadImage(size, 0, SaveTarget{}, false, false));
  EXPECT_EQ(source.GetPosition(), -1);
  EXPECT_EQ(source.IndexForStamp(100), 0);
  EXPECT_FALSE(source.SelectChannels(-1, 1, nullptr));
  EXPECT_EQ(source.RecordForInfoIndex(0), 0);
  EXPECT_EQ(source.GetInfoIndex(-1), -1);
  EXPECT_EQ(source.FindChannelForward(0, 0), -1);
  EXPECT_TRUE(source.OpenDrive(0, false));
  EXPECT_FALSE(source.Seek(0));
  EXPECT_FALSE(source.IsDriveNotReady());

  TestFolder folder;
  Touch(folder, {"a.jpg", "b.jpg"});
  ASSERT_TRUE(source.OpenRecording(folder.Path(), false));
  source.Last();
  source.Forward(5);
  EXPECT_EQ(source.GetPosition(), 6);
  EXPECT_FALSE(source.ReadImage(size, 0, SaveTarget{}, false, false));
  EXPECT_EQ(source.GetStatus(), 0);
  EXPECT_EQ(source.GetTime(), 0);
  EXPECT_EQ(source.GetChannel(), -1);
  EXPECT_EQ(source.GetPathAt(-1), "");
  EXPECT_EQ(source.GetStampAt(9), 0u);
}

}  // namespace
}  // namespace selvo
