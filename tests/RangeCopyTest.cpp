#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "source/DiscImageFileDevice.h"
#include "source/DiscImageSource.h"
#include "source/DiscLog.h"
#include "source/Notifier.h"
#include "source/RangeCopy.h"
#include "source/text/StringTable.h"
#include "source/text/UiLanguage.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/DiscImageWriter.h"

namespace selvo {
namespace {

// JPEG-shaped bytes that differ per record: SOI, the record's number, EOI.
DiscRecord NumberedRecord(int number) {
  DiscRecord record;
  record.jpeg.assign(64, 0x11);
  record.jpeg[0] = 0xFF;
  record.jpeg[1] = 0xD8;
  record.jpeg[2] = static_cast<std::uint8_t>(number & 0xFF);
  record.jpeg[3] = static_cast<std::uint8_t>(number >> 8);
  record.jpeg[62] = 0xFF;
  record.jpeg[63] = 0xD9;
  record.trailer = DiscImageWriter::StampTrailer(static_cast<std::uint32_t>(number));
  return record;
}

std::vector<std::string> SortedEntries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(path.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.push_back(entry->d_name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

class RangeCopyTest : public ::testing::Test {
 protected:
  void SetUp() override { SetUiLanguage(UiLanguage::English); }

  // A disc of count records; the 1-based numbers in damaged carry a
  // length no reader accepts.
  void OpenDisc(int count, const std::set<int>& damaged = {}) {
    DiscImageWriter writer;
    for (int n = 1; n <= count; ++n) {
      DiscRecord record = NumberedRecord(n);
      if (damaged.count(n)) record.storedLength = -1;
      writer.AddRecord(record);
    }
    std::string error;
    ASSERT_TRUE(writer.Write(folder_ / "disc.img", &error)) << error;
    source_ = std::make_unique<DiscImageSource>(notifier_, DiscLog(folder_ / "trace.log"), [](const std::string&) {
      return std::make_unique<DiscImageFileDevice>();
    });
    ASSERT_TRUE(source_->Open(folder_ / "disc.img"));
  }

  void CopyAll(RangeCopy& copy) {
    while (!copy.Done()) copy.CopyNext(*source_, false, false);
  }

  test::TestFolder folder_;
  std::string out_ = folder_.MakeDir("out");
  RecordingNotifier notifier_;
  std::unique_ptr<DiscImageSource> source_;
};

TEST_F(RangeCopyTest, CopiesEachImageOfTheRangeUnderItsCounter) {
  OpenDisc(8);
  RangeCopy copy(5, 5, out_, "p-");
  CopyAll(copy);
  EXPECT_EQ(SortedEntries(out_), std::vector<std::string>{"p-000.jpg"});
  std::vector<std::uint8_t> expected = NumberedRecord(5).jpeg;
  const std::vector<std::uint8_t> trailer = NumberedRecord(5).trailer;
  expected.insert(expected.end(), trailer.begin(), trailer.end());
  EXPECT_EQ(test::ReadFileBytes(out_ + "/p-000.jpg"), expected);
  EXPECT_EQ(copy.ErrorRunCount(), 0);
  EXPECT_FALSE(copy.CopyNext(*source_, false, false));  // a finished range copies nothing more
}

TEST_F(RangeCopyTest, NameWidthFollowsTheNumberOfImages) {
  struct Case {
    int counter;
    int lastFile;
    const char* expected;
  } cases[] = {
      {0, 0, "x000.jpg"},       {99, 99, "x099.jpg"},       {100, 100, "x0100.jpg"},
      {0, 100, "x0000.jpg"},    {999, 999, "x0999.jpg"},    {1000, 1000, "x01000.jpg"},
      {51262, 51262, "x051262.jpg"}, {0, 99999, "x000000.jpg"},
  };
  for (const Case& c : cases) EXPECT_EQ(RangeCopy::FileNameFor("x", c.counter, c.lastFile), c.expected);

  OpenDisc(101);
  RangeCopy copy(1, 101, out_, "d");
  CopyAll(copy);
  const std::vector<std::string> names = SortedEntries(out_);
  ASSERT_EQ(names.size(), 101u);
  EXPECT_EQ(names.front(), "d0000.jpg");
  EXPECT_EQ(names.back(), "d0100.jpg");
}

TEST_F(RangeCopyTest, UnreadableImagesAreReportedAsRunsAndTheRestIsCopied) {
  OpenDisc(20, {7, 8, 9, 12});
  RangeCopy copy(1, 20, out_, "c-");
  CopyAll(copy);
  EXPECT_EQ(SortedEntries(out_).size(), 16u);
  EXPECT_EQ(copy.FailedImages(), 4);
  ASSERT_EQ(copy.ErrorRunCount(), 2);
  const ErrorRun& run = copy.ErrorRuns()[0];
  EXPECT_EQ((std::vector<int>{run.state, run.firstNumber, run.lastNumber, run.firstFile, run.lastFile}),
            (std::vector<int>{2, 7, 9, 6, 8}));
  const ErrorRun& single = copy.ErrorRuns()[1];
  EXPECT_EQ((std::vector<int>{single.state, single.firstNumber, single.firstFile}), (std::vector<int>{1, 12, 11}));
  EXPECT_EQ(copy.ErrorLines(), (std::vector<std::string>{
                                  "Images from c-006.jpg to c-008.jpg were not copied",
                                  "Disk read error occurred from number 7 to 9",
                                  "c-011.jpg were not copied",
                                  "Disk read error occurred at number 12",
                              }));
  SetUiLanguage(UiLanguage::Japanese);
  EXPECT_EQ(copy.ErrorLines()[3], "12 番でディスク読み取りエラー発生");
}

TEST_F(RangeCopyTest, FileThatCannotBeWrittenIsListedWithItsReasonNotAsADiskReadError) {
  OpenDisc(3);
  ASSERT_EQ(::mkdir((out_ + "/f001.jpg").c_str(), 0755), 0);  // the name is taken by a folder
  RangeCopy copy(1, 3, out_, "f");
  CopyAll(copy);
  EXPECT_EQ(SortedEntries(out_), (std::vector<std::string>{"f000.jpg", "f001.jpg", "f002.jpg"}));
  EXPECT_EQ(copy.ErrorRunCount(), 0);
  EXPECT_EQ(copy.FailedImages(), 1);
  EXPECT_EQ(copy.WrittenImages(), 2);
  EXPECT_EQ(copy.ErrorLines(), (std::vector<std::string>{std::string("f001.jpg could not be written: ") +
                                                         std::strerror(EISDIR)}));

  RangeCopy missing(1, 2, folder_ / "no-such-folder", "m");
  while (!missing.Done()) missing.CopyNext(*source_, false, false);
  EXPECT_EQ(missing.FailedImages(), 2);
  EXPECT_EQ(missing.ErrorRunCount(), 0);
  ASSERT_EQ(missing.WriteFailures().size(), 2u);
  EXPECT_EQ(missing.WriteFailures()[1].error, ENOENT);
  EXPECT_EQ(missing.ErrorLines()[0], std::string("m000.jpg could not be written: ") + std::strerror(ENOENT));
}

TEST_F(RangeCopyTest, FailuresBeyondTheLastRecordableRunAreNotedInTheReport) {
  RangeCopy copy(1, 400, out_, "r");
  // Every other image fails: one run each, 151 runs and then some.
  for (int n = 1; n <= 2 * RangeCopy::kMaxErrorRuns + 5; n += 2) copy.RecordFailure(n, n - 1);
  EXPECT_EQ(copy.ErrorRunCount(), RangeCopy::kMaxErrorRuns);
  const std::vector<std::string> lines = copy.ErrorLines();
  ASSERT_EQ(lines.size(), 2u * RangeCopy::kMaxErrorRuns + 1);
  EXPECT_EQ(lines.back(), LoadString(64454));
  EXPECT_FALSE(lines.back().empty());

  // The 150th run still grows when its neighbour fails.
  RangeCopy full(1, 400, out_, "r");
  for (int n = 1; n <= 2 * RangeCopy::kMaxErrorRuns - 1; n += 2) full.RecordFailure(n, n - 1);
  full.RecordFailure(2 * RangeCopy::kMaxErrorRuns, 2 * RangeCopy::kMaxErrorRuns - 1);
  EXPECT_EQ(full.ErrorRuns()[RangeCopy::kMaxErrorRuns - 1].state, ErrorRun::kRun);
  EXPECT_FALSE(full.HasUnlistedFailures());
  EXPECT_EQ(full.ErrorLines().size(), 2u * RangeCopy::kMaxErrorRuns);
}

TEST(CopyRangeDefaultPrefix, AlwaysUsesDashesInTheChosenDateOrder) {
  FixProcessTimeZone();
  const CalendarSeconds time = MakeLocalTime(CalendarFields{2006, 3, 15, 10, 20, 30});
  EXPECT_EQ(RangeCopy::DefaultPrefix(time, 0), "03-15-2006-");
  EXPECT_EQ(RangeCopy::DefaultPrefix(time, 1), "15-03-2006-");
  EXPECT_EQ(RangeCopy::DefaultPrefix(time, 2), "2006-03-15-");
}

}  // namespace
}  // namespace selvo
