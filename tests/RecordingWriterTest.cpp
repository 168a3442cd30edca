#include "tools/recwriter/RecordingWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "source/InfoIndex.h"
#include "source/MediaProbe.h"
#include "source/SoundDecoder.h"
#include "source/SoundFile.h"
#include "source/TrailerParser.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

namespace fs = std::filesystem;

// Small pictures keep the tests quick; the layout does not depend on size.
RecordingOptions TinyDemo() {
  RecordingOptions o;
  o.frames = 12;
  o.cameras = 2;
  o.imagesPerFolder = 5;
  o.width = 96;
  o.height = 64;
  return o;
}

std::vector<std::string> ImageFilesBelow(const std::string& folder, const std::string& extension) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.path().extension() == extension) {
      names.push_back(fs::relative(entry.path(), folder).generic_string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(RecordingWriter, TinyDemoHasTheLayoutTheViewerExpects) {
  test::TestFolder folder;
  RecordingWriter writer(TinyDemo());
  ASSERT_TRUE(writer.Write(folder.Path())) << writer.ErrorText();

  // Numbered subfolders, names that sort byte-wise in recording order.
  const std::vector<std::string> files = ImageFilesBelow(folder.Path(), ".jpg");
  ASSERT_EQ(files.size(), 12u);
  EXPECT_EQ(files.front(), "IMG00001/IMG00000001.jpg");
  EXPECT_EQ(files[5], "IMG00002/IMG00000006.jpg");
  EXPECT_EQ(files.back(), "IMG00003/IMG00000012.jpg");
  for (std::uint32_t i = 0; i < files.size(); ++i) EXPECT_EQ(files[i], writer.ImagePath(i));

  MediaProbe probe(folder.Path());
  ASSERT_TRUE(probe.Probe());
  EXPECT_EQ(probe.Kind().jpeg, 1);
  std::string soundPath;
  EXPECT_EQ(FindSoundFile(folder.Path(), soundPath), kWaveSound);
  EXPECT_EQ(soundPath, folder / "SOUND/sound.wav");

  // The viewer uses the index only when N equals the file count.
  InfoIndex index;
  ASSERT_TRUE(index.Load(folder.Path()));
  ASSERT_EQ(index.EntryCount(), files.size());
  for (std::uint32_t i = 0; i < index.EntryCount(); ++i) {
    EXPECT_EQ(index.EntryChannel(i), static_cast<int>(i % 2));
    EXPECT_EQ(index.EntryStamp(i), writer.StampOf(i));
    EXPECT_EQ(index.EntrySeconds(i), writer.SecondsOf(i));
  }
  EXPECT_EQ(index.ChannelImageCount(0), 6u);
  EXPECT_EQ(index.ChannelFirstImage(1), 2u);
  EXPECT_EQ(index.ChannelLastImage(1), 12u);
  EXPECT_EQ(index.ChannelImageCount(2), 0u);
  EXPECT_EQ(index.ChannelTitleBytes(0), "GATE");
  EXPECT_EQ(index.ChannelTitleBytes(1), "\x92\x93\x8E\xD4\x8F\xEA");  // 駐車場 in Shift_JIS

  const std::vector<std::string> stamps = Lines(folder / "time.txt");
  ASSERT_EQ(stamps.size(), files.size());
  for (std::uint32_t i = 0; i < stamps.size(); ++i) EXPECT_EQ(std::stoul(stamps[i]), writer.StampOf(i));
}

struct CheckCase {
  const char* name;
  bool fast;
  ImageFormat format;
};

// Only the announced frames may fail the trailer check, each with the status
// announced; every other frame must carry its own time and stamp. Fast mode
// repeats encodings, so its per-copy trailers are where a mix-up would show.
TEST(RecordingWriter, OnlyTheAnnouncedFramesFailTheTrailerCheck) {
  for (const CheckCase c : {CheckCase{"jpeg", false, ImageFormat::kJpeg}, CheckCase{"fast", true, ImageFormat::kJpeg},
                            CheckCase{"jp2", false, ImageFormat::kJp2}}) {
    SCOPED_TRACE(c.name);
    test::TestFolder folder;
    RecordingOptions options = TinyDemo();
    options.fast = c.fast;
    options.format = c.format;
    options.sound = false;
    RecordingWriter writer(options);
    ASSERT_TRUE(writer.Write(folder.Path())) << writer.ErrorText();
    ASSERT_EQ(writer.Altered().size(), 4u);

    std::set<std::int32_t> statuses;
    for (std::uint32_t i = 0; i < options.frames; ++i) {
      std::int32_t expected = 0;
      for (const AlteredFrame& a : writer.Altered()) {
        if (a.number == i + 1) expected = a.status;
      }
      ImageInfo info;
      ASSERT_TRUE(ReadImageInfo(folder / writer.ImagePath(i), info,
                                c.format == ImageFormat::kJpeg ? ImageCodec::Jpeg : ImageCodec::Jpeg2000));
      EXPECT_EQ(info.status, expected) << "frame " << i + 1;
      statuses.insert(info.status);
      if (expected == 0) {
        EXPECT_EQ(info.recordTime, CalendarFromRecorderSeconds(writer.SecondsOf(i))) << "frame " << i + 1;
        EXPECT_EQ(info.stampMs, writer.StampOf(i)) << "frame " << i + 1;
      }
    }
    EXPECT_EQ(statuses, (std::set<std::int32_t>{0, kImageAltered, kTimeAltered, kImageAltered | kTimeAltered,
                                                kNoTrailer}));
  }
}

TEST(RecordingWriter, AlterationsStayInsideSmallRecordingsAndNeverCollide) {
  for (std::uint32_t frames = 1; frames <= 40; ++frames) {
    for (int cameras = 1; cameras <= 16; ++cameras) {
      const std::vector<AlteredFrame> plan = RecordingWriter::PlanAlterations(frames, cameras);
      std::set<std::uint32_t> numbers;
      for (const AlteredFrame& a : plan) {
        EXPECT_GE(a.number, 1u);
        EXPECT_LE(a.number, frames);
        numbers.insert(a.number);
      }
      EXPECT_EQ(numbers.size(), plan.size()) << frames << " frames, " << cameras << " cameras";
    }
  }
  EXPECT_EQ(RecordingWriter::PlanAlterations(240, 4).size(), 4u);
}

double Rms(SoundDecoder& sound, std::uint32_t fromMs, std::uint32_t toMs) {
  const std::int64_t from = static_cast<std::int64_t>(fromMs) * sound.SampleRate() / 1000;
  const std::int64_t count = static_cast<std::int64_t>(toMs - fromMs) * sound.SampleRate() / 1000;
  std::vector<std::int16_t> samples(static_cast<std::size_t>(count * sound.Channels()));
  if (!sound.SeekFrame(from) || sound.ReadFrames(samples.data(), count) != count) return -1;
  double sum = 0;
  for (std::int16_t s : samples) sum += static_cast<double>(s) * s;
  return std::sqrt(sum / static_cast<double>(samples.size()));
}

// Playback places the sound at stamp - first stamp: a beep must start there,
// and the time between frames must be silent.
TEST(RecordingWriter, BeepsFallOnTheFrameStamps) {
  test::TestFolder folder;
  RecordingWriter writer(TinyDemo());
  ASSERT_TRUE(writer.Write(folder.Path())) << writer.ErrorText();

  SoundDecoder sound;
  ASSERT_TRUE(sound.Open(folder / writer.SoundPath())) << sound.ErrorText();
  EXPECT_GE(sound.LengthMs(), writer.StampOf(11));
  for (std::uint32_t i = 0; i < 12; ++i) {
    const std::uint32_t at = writer.StampOf(i) - writer.StampOf(0);
    SCOPED_TRACE(i);
    EXPECT_GT(Rms(sound, at + 5, at + 25), 1000.0);
    EXPECT_EQ(Rms(sound, at + 40, at + 95), 0.0);
  }
}

struct LayoutCase {
  const char* name;
  void (*adjust)(RecordingOptions&);
  int jpegFlag;
  int jp2Flag;
  SoundKind sound;
  bool infoIndex;
  const char* firstImage;
};

TEST(RecordingWriter, OptionsGiveRecordingsTheViewerProbesAsIntended) {
  const LayoutCase cases[] = {
      {"mp3 with jp2", [](RecordingOptions& o) { o.format = ImageFormat::kJp2; o.soundFormat = SoundFormat::kMp3; },
       0, 1, kMp3Sound, true, "IMG00001/IMG00000001.jp2"},
      {"flat", [](RecordingOptions& o) { o.subfolders = false; o.sound = false; },
       1, 0, kNoSound, true, "IMG00000001.jpg"},
      {"no info", [](RecordingOptions& o) { o.infoIndex = false; },
       1, 0, kWaveSound, false, "IMG00001/IMG00000001.jpg"},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestFolder folder;
    RecordingOptions options = TinyDemo();
    options.frames = 3;
    c.adjust(options);
    RecordingWriter writer(options);
    ASSERT_TRUE(writer.Write(folder.Path())) << writer.ErrorText();

    MediaProbe probe(folder.Path());
    ASSERT_TRUE(probe.Probe());
    EXPECT_EQ(probe.Kind().jpeg, c.jpegFlag);
    EXPECT_EQ(probe.Kind().jp2, c.jp2Flag);
    std::string soundPath;
    EXPECT_EQ(FindSoundFile(folder.Path(), soundPath), c.sound);
    EXPECT_EQ(fs::exists(folder / RecordingWriter::InfoIndexPath()), c.infoIndex);
    EXPECT_TRUE(fs::is_regular_file(folder / c.firstImage));
  }
}

// Combinations the viewer could not open are refused before anything is written.
TEST(RecordingWriter, RefusesRecordingsTheViewerCouldNotOpen) {
  const std::pair<const char*, void (*)(RecordingOptions&)> cases[] = {
      {"no frames", [](RecordingOptions& o) { o.frames = 0; }},
      {"17 cameras", [](RecordingOptions& o) { o.cameras = 17; }},
      {"flat with sound", [](RecordingOptions& o) { o.subfolders = false; }},
      {"mp3 with jpeg", [](RecordingOptions& o) { o.soundFormat = SoundFormat::kMp3; }},
      {"after 2029", [](RecordingOptions& o) { o.start = CalendarFields{2030, 1, 1, 0, 0, 0}; }},
  };
  for (const auto& [name, adjust] : cases) {
    SCOPED_TRACE(name);
    test::TestFolder folder;
    RecordingOptions options = TinyDemo();
    adjust(options);
    RecordingWriter writer(options);
    const std::string out = folder / "out";
    EXPECT_FALSE(writer.Write(out));
    EXPECT_FALSE(writer.ErrorText().empty());
    EXPECT_FALSE(fs::exists(out));
  }
}

}  // namespace
}  // namespace selvo
