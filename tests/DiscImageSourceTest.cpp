#include <gtest/gtest.h>

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "source/DiscImageFileDevice.h"
#include "source/DiscImageSource.h"
#include "source/DiscLog.h"
#include "source/Notifier.h"
#include "source/text/StringTable.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/DiscImageWriter.h"
#include "tools/recwriter/JpegEncoder.h"
#include "tools/recwriter/TrailerWriter.h"

namespace selvo {
namespace {

constexpr std::uint32_t kStamp = 0x01020304;

// JPEG-shaped bytes: SOI, filler that never forms FF D9, EOI.
std::vector<std::uint8_t> FakeJpeg(std::size_t size, std::uint8_t fill = 0x11) {
  std::vector<std::uint8_t> bytes(size, fill);
  bytes[0] = 0xFF;
  bytes[1] = 0xD8;
  bytes[size - 2] = 0xFF;
  bytes[size - 1] = 0xD9;
  return bytes;
}

DiscRecord Record(std::size_t jpegSize, std::uint8_t fill = 0x11) {
  DiscRecord record;
  record.jpeg = FakeJpeg(jpegSize, fill);
  record.trailer = DiscImageWriter::StampTrailer(kStamp);
  return record;
}

std::vector<std::uint8_t> ImageBytes(const DiscRecord& record) {
  std::vector<std::uint8_t> bytes = record.jpeg;
  bytes.insert(bytes.end(), record.trailer.begin(), record.trailer.end());
  return bytes;
}

std::vector<std::string> FolderEntries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(path.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.push_back(entry->d_name);
    }
    ::closedir(dir);
  }
  return names;
}

class DiscImageSourceTest : public ::testing::Test {
 protected:
  // Writes the image and opens it by path, failing the given blocks.
  std::unique_ptr<DiscImageSource> OpenImage(const DiscImageWriter& writer, std::set<std::uint32_t> unreadable = {}) {
    std::string error;
    EXPECT_TRUE(writer.Write(imagePath_, &error)) << error;
    auto source = MakeSource(std::move(unreadable));
    opened_ = source->Open(imagePath_);
    return source;
  }
  std::unique_ptr<DiscImageSource> MakeSource(std::set<std::uint32_t> unreadable = {}) {
    return std::make_unique<DiscImageSource>(notifier_, DiscLog(logPath_), [unreadable](const std::string&) {
      return std::make_unique<DiscImageFileDevice>(unreadable);
    });
  }
  ReadOutcome WriteCurrent(DiscImageSource& source, const std::string& name, bool log = true) {
    std::uint32_t size = 0;
    return source.ReadImage(size, ImageSource::kReadWriteFile, SaveTarget{out_, name}, false, log);
  }
  std::string Log() const {
    const std::vector<std::uint8_t> bytes = test::ReadFileBytes(logPath_);
    return std::string(bytes.begin(), bytes.end());
  }

  test::TestFolder folder_;
  std::string imagePath_ = folder_ / "disc.img";
  std::string logPath_ = folder_ / "SelvoViewer.LOG";
  std::string out_ = folder_.MakeDir("out");
  RecordingNotifier notifier_;
  bool opened_ = false;
};

TEST_F(DiscImageSourceTest, TagScanSkipsEmptyEntriesAndEndsAtTheFourthOne) {
  DiscImageWriter writer;
  for (int i = 0; i < 10; ++i) writer.AddRecord(Record(100, static_cast<std::uint8_t>(0x20 + i)));
  writer.AddEmptyEntry();
  writer.AddEmptyEntry();
  for (int i = 10; i < 15; ++i) writer.AddRecord(Record(100, static_cast<std::uint8_t>(0x20 + i)));
  writer.AddEmptyEntry();
  writer.AddEmptyEntry();
  writer.AddRecord(Record(100, 0x7F));  // past the fourth empty entry: never indexed
  auto source = OpenImage(writer);
  ASSERT_TRUE(opened_);
  EXPECT_EQ(source->GetCount(), 15);
  EXPECT_FALSE(source->IndexCutShort());
  EXPECT_EQ(source->GetPosition(), 0);

  // Positions count used entries only: position 12 is the third record after the gap.
  ASSERT_TRUE(source->Seek(12));
  ASSERT_TRUE(WriteCurrent(*source, "12.jpg"));
  EXPECT_EQ(test::ReadFileBytes(out_ + "/12.jpg"), ImageBytes(Record(100, 0x20 + 12)));
  EXPECT_FALSE(source->Seek(15));
  EXPECT_FALSE(source->Seek(-1));
  EXPECT_FALSE(WriteCurrent(*source, "none.jpg"));
}

TEST_F(DiscImageSourceTest, IndexStopsAtTheRecordLimit) {
  DiscImageWriter writer;
  writer.AddRecord(Record(100));
  for (int i = 0; i < 51263; ++i) writer.AddEntryFor(0);
  auto source = OpenImage(writer);
  ASSERT_TRUE(opened_);
  EXPECT_EQ(source->GetCount(), 51263);
  ASSERT_TRUE(source->Last());
  EXPECT_TRUE(WriteCurrent(*source, "last.jpg"));
}

TEST_F(DiscImageSourceTest, WriteModeStoresExactlyDataThroughTrailerAcrossTheUnusedBlocks) {
  DiscImageWriter writer;
  writer.AddRecord(Record(700));
  DiscRecord spanning = Record(5000, 0x33);
  spanning.variableLength = 300;
  spanning.eoiDistance = 200;
  writer.PlaceNextRecordAt(2560 * 2048 - 3000);  // the data crosses into the next run
  writer.AddRecord(spanning);
  auto source = OpenImage(writer);
  ASSERT_TRUE(opened_);

  ASSERT_TRUE(source->Seek(1));
  const ReadOutcome outcome = WriteCurrent(*source, "a.jpg");
  EXPECT_TRUE(outcome.written);
  EXPECT_EQ(outcome.block, nullptr);
  EXPECT_EQ(test::ReadFileBytes(out_ + "/a.jpg"), ImageBytes(spanning));
  // The same record read again without moving the cursor gives the same bytes.
  ASSERT_TRUE(WriteCurrent(*source, "b.jpg"));
  EXPECT_EQ(test::ReadFileBytes(out_ + "/b.jpg"), ImageBytes(spanning));
  EXPECT_EQ(FolderEntries(out_).size(), 2u);
  EXPECT_FALSE(source->IsDriveNotReady());
}

TEST_F(DiscImageSourceTest, DataLengthOutsideTheLimitsIsRefusedWithItsLogLine) {
  struct Case {
    std::size_t jpegSize;
    std::optional<std::int32_t> storedLength;
    bool written;
    const char* log;
  } cases[] = {
      {512002, std::nullopt, true, ""},
      {300, 512001, false, "<0>videosize:512001 > 512000\n"},
      {300, -1, false, "<0>videosize:-1 > 512000\n"},
  };
  for (const Case& c : cases) {
    ::unlink(logPath_.c_str());
    DiscImageWriter writer;
    DiscRecord record = Record(c.jpegSize);
    record.storedLength = c.storedLength;
    writer.AddRecord(record);
    auto source = OpenImage(writer);
    ASSERT_TRUE(opened_);
    EXPECT_EQ(WriteCurrent(*source, "x.jpg").written, c.written) << c.log;
    EXPECT_EQ(Log(), c.log);
    if (c.written) {
      EXPECT_EQ(test::ReadFileBytes(out_ + "/x.jpg").size(), c.jpegSize + 44);
    }
  }
}

TEST_F(DiscImageSourceTest, EndOfImageSearchGivesUpAfter1024Bytes) {
  struct Case {
    std::uint32_t eoiDistance;
    bool withoutEoi;
    bool written;
    const char* log;
  } cases[] = {
      {0, false, true, ""},
      {1023, false, true, ""},  // the D9 is the 1023rd byte read after L + 2
      {1024, false, false, "EOI NotFound3\n"},
      {0, true, false, "EOI NotFound3\n"},
  };
  for (const Case& c : cases) {
    ::unlink(logPath_.c_str());
    ::unlink((out_ + "/x.jpg").c_str());
    DiscImageWriter writer;
    DiscRecord record = Record(3000);
    record.eoiDistance = c.eoiDistance;
    record.withoutEoi = c.withoutEoi;
    writer.AddRecord(record);
    writer.AddRecord(Record(3000));  // so that the search does not run into the end of the file
    auto source = OpenImage(writer);
    ASSERT_TRUE(opened_);
    EXPECT_EQ(WriteCurrent(*source, "x.jpg").written, c.written) << c.eoiDistance;
    EXPECT_EQ(Log(), c.log) << c.eoiDistance;
    if (c.written) {
      EXPECT_EQ(test::ReadFileBytes(out_ + "/x.jpg"), ImageBytes(record));
    }
    EXPECT_EQ(FolderEntries(out_).size(), c.written ? 1u : 0u);
  }
}

TEST_F(DiscImageSourceTest, UnreadableBlocksFailTheirRecordOnly) {
  // Each record starts on a sector of its own with its data in the next two;
  // the damage lies past the first data sector, where the data is read.
  auto writerWithFiveRecords = [] {
    DiscImageWriter writer;
    for (int i = 0; i < 5; ++i) {
      DiscRecord record = Record(3000, static_cast<std::uint8_t>(0x40 + i));
      record.variableLength = 2048 - 611;
      writer.PlaceNextRecordAt(0x200000 + i * 4 * 2048);
      writer.AddRecord(record);
    }
    return writer;
  };
  DiscImageWriter scratched = writerWithFiveRecords();
  const std::vector<std::uint32_t> blocks = scratched.DataBlocks(2);
  DiscImageWriter cutShort = writerWithFiveRecords();
  cutShort.SetFileBlocks(cutShort.DataBlocks(4).back());

  struct Case {
    DiscImageWriter* writer;
    std::set<std::uint32_t> unreadable;
    int badRecord;
  } cases[] = {{&scratched, {blocks.begin() + 1, blocks.end()}, 2}, {&cutShort, {}, 4}};
  for (const Case& c : cases) {
    ::unlink(logPath_.c_str());
    auto source = OpenImage(*c.writer, c.unreadable);
    ASSERT_TRUE(opened_);
    const int messagesBefore = notifier_.Count();
    for (int i = 0; i < 5; ++i) {
      ASSERT_TRUE(source->Seek(i));
      const std::string name = "r" + std::to_string(i) + ".jpg";
      EXPECT_EQ(WriteCurrent(*source, name).written, i != c.badRecord) << i;
      EXPECT_EQ(source->IsDriveNotReady(), i == c.badRecord) << i;
    }
    EXPECT_EQ(notifier_.Count(), messagesBefore + 1);
    EXPECT_EQ(notifier_.Last(), LoadString(50004));
    EXPECT_EQ(Log(), "ReadError:ID=<" + std::to_string(c.badRecord) + "> size=<2998>\n");
    EXPECT_EQ(FolderEntries(out_).size(), 4u);
    for (int i = 0; i < 5; ++i) ::unlink((out_ + "/r" + std::to_string(i) + ".jpg").c_str());
  }
}

TEST_F(DiscImageSourceTest, FileThatCannotBeCreatedIsNotReportedAsWritten) {
  DiscImageWriter writer;
  writer.AddRecord(Record(500));
  auto source = OpenImage(writer);
  ASSERT_TRUE(opened_);
  std::uint32_t size = 0;
  const ReadOutcome outcome =
      source->ReadImage(size, ImageSource::kReadWriteFile, SaveTarget{folder_ / "missing", "x.jpg"}, false, false);
  EXPECT_FALSE(outcome.written);
  EXPECT_FALSE(outcome);
}

TEST_F(DiscImageSourceTest, DecodesTheImageAndTakesStatusAndTimeFromItsTrailer) {
  std::vector<std::uint8_t> rgb(16 * 8 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7);
  std::optional<DiscRecord> record;
  // The disc leaves 44 bytes for the trailer; some encodings need more alignment than fits.
  for (int quality = 90; !record && quality > 50; --quality) {
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(rgb.data(), 16, 8, quality);
    const auto trailer = TrailerWriter::ForJpeg(jpeg);
    ASSERT_TRUE(trailer);
    record = DiscImageWriter::RecordFromFileImage(trailer->Write(TrailerValues{86400, 1234}), jpeg.size());
  }
  ASSERT_TRUE(record);
  DiscImageWriter writer;
  writer.AddRecord(*record);
  DiscRecord damaged = Record(400);
  damaged.storedLength = -5;
  writer.AddRecord(damaged);
  auto source = OpenImage(writer);
  ASSERT_TRUE(opened_);

  std::uint32_t size = 0;
  const ReadOutcome outcome = source->ReadImage(size, ImageSource::kReadDecode, SaveTarget{}, false, false);
  ASSERT_NE(outcome.block, nullptr);
  EXPECT_EQ(outcome.block->Width(), 16);
  EXPECT_EQ(size, 44u + 48u * 8u);
  EXPECT_EQ(source->GetStatus(), 0);
  EXPECT_EQ(source->GetTime(), RecorderEpoch() + 86400);
  EXPECT_EQ(source->LastImageInfo().stampMs, 1234u);

  // A record that cannot be read leaves no facts of the previous image behind.
  ASSERT_TRUE(source->Forward(1));
  EXPECT_EQ(source->ReadImage(size, ImageSource::kReadDecode, SaveTarget{}, false, false).block, nullptr);
  EXPECT_EQ(source->GetStatus(), -1);
  EXPECT_EQ(source->GetTime(), 0);
}

TEST_F(DiscImageSourceTest, AnswersNeutralValuesForWhatADiscDoesNotHold) {
  DiscImageWriter writer;
  writer.AddRecord(Record(100));
  writer.AddRecord(Record(100));
  auto source = OpenImage(writer);
  ASSERT_TRUE(opened_);
  ASSERT_TRUE(source->Forward(1));
  int channels[16] = {};
  EXPECT_EQ(source->GetChannel(), -1);
  EXPECT_EQ(source->GetTimeAt(1), 0);
  EXPECT_EQ(source->GetStampAt(1), 0u);
  EXPECT_EQ(source->GetStatusAt(1), 0);
  EXPECT_EQ(source->GetChannelTitle(1), "");
  EXPECT_EQ(source->IndexForStamp(500), 0);
  EXPECT_FALSE(source->HasChannel(-1));
  EXPECT_FALSE(source->SelectChannels(0, 4, channels));
  EXPECT_EQ(source->FirstInfoIndex(0), 0);
  EXPECT_EQ(source->GetInfoIndex(1), -1);
  EXPECT_EQ(source->FindChannelBackward(0, 1), -1);
  EXPECT_EQ(source->FindChannelForward(0, 1), -1);
  EXPECT_EQ(source->RecordForInfoIndex(1), -1);
  EXPECT_EQ(source->FirstChannel(), -1);
  EXPECT_TRUE(source->OpenRecording("/nowhere", true));
  // Steps that a disc does not take answer success and leave the cursor.
  EXPECT_TRUE(source->Next());
  EXPECT_TRUE(source->Previous());
  EXPECT_TRUE(source->Ping());
  EXPECT_TRUE(source->SetPosition(0));
  EXPECT_EQ(source->GetPosition(), 1);
  // Nothing read yet: no status, no time.
  EXPECT_EQ(source->GetStatus(), -1);
  EXPECT_EQ(source->GetTime(), 0);
}

TEST_F(DiscImageSourceTest, DiscWithoutUsedEntriesSaysThereIsNoPicture) {
  DiscImageWriter writer;
  writer.AddEmptyEntry();
  auto source = OpenImage(writer);
  EXPECT_FALSE(opened_);
  EXPECT_EQ(notifier_.Last(), "no picture in CD\n");
  EXPECT_EQ(source->GetCount(), 0);
}

// Opens "drives" by list position from a list of image files.
class ListedImageDevice : public DiscImageFileDevice {
 public:
  ListedImageDevice(std::vector<std::string> drives, std::set<std::uint32_t> unreadable)
      : DiscImageFileDevice(std::move(unreadable)), drives_(std::move(drives)) {}
  int OpenByIndex(int index) override {
    if (index < 0 || static_cast<std::size_t>(index) >= drives_.size()) return kOpenFailed;
    return OpenByPath(drives_[static_cast<std::size_t>(index)]);
  }

 private:
  std::vector<std::string> drives_;
};

TEST_F(DiscImageSourceTest, TagAreaDamageEndsAnOpenByPositionButNotAnOpenByPath) {
  DiscImageWriter writer;
  for (int i = 0; i < 12; ++i) writer.AddRecord(Record(100));
  ASSERT_TRUE(writer.Write(imagePath_));
  const std::set<std::uint32_t> secondTagSector = {513};  // entries 8..15
  const std::vector<std::string> drives = {imagePath_};
  DiscImageSource byPosition(notifier_, DiscLog(logPath_), [&](const std::string&) {
    return std::make_unique<ListedImageDevice>(drives, secondTagSector);
  });
  EXPECT_FALSE(byPosition.OpenDrive(0, true));
  const std::string expectedStart =
      "Info:Open Start...\nInfo:Seek Start...\nInfo:Seek End...\nInfo:Read Start...\n";
  std::string expected = expectedStart;
  for (int i = 0; i <= 8; ++i) expected += "Info:Read Image=<" + std::to_string(i) + ">\n";
  EXPECT_EQ(Log(), expected + "Error:Read Error Drive =<0> Image=<8>\n");

  ::unlink(logPath_.c_str());
  EXPECT_FALSE(byPosition.OpenDrive(3, true));
  EXPECT_EQ(Log(), "Info:Open Start...\nError:Open Error Drive =<3>\n");

  // By path the entries before the damage stay usable, and nothing is logged.
  ::unlink(logPath_.c_str());
  auto byPath = MakeSource(secondTagSector);
  EXPECT_TRUE(byPath->Open(imagePath_));
  EXPECT_EQ(byPath->GetCount(), 8);
  EXPECT_TRUE(byPath->IndexCutShort());
  EXPECT_EQ(notifier_.Last(), LoadString(50003));
  EXPECT_EQ(Log(), "");
}

TEST(DiscLog, LivesInTheHomeFolderAndAppendsEachLine) {
  test::TestFolder home;
  const char* previous = std::getenv("HOME");
  const std::string saved = previous != nullptr ? previous : "";
  ::setenv("HOME", home.Path().c_str(), 1);
  EXPECT_EQ(DiscLog::DefaultPath(), home / "SelvoViewer.LOG");
  DiscLog log;
  EXPECT_TRUE(log.Append("Info:Open Start...\n"));
  EXPECT_TRUE(log.AppendFormat("<%d>videosize:%d > %d\n", 3, -1, 512000));
  const std::vector<std::uint8_t> bytes = test::ReadFileBytes(home / "SelvoViewer.LOG");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "Info:Open Start...\n<3>videosize:-1 > 512000\n");
  if (previous != nullptr) {
    ::setenv("HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("HOME");
  }
}

}  // namespace
}  // namespace selvo
