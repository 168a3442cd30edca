// selvo-export run as users run it, its videos examined with ffprobe and
// ffmpeg, over recordings written from the format rules: two cameras
// interleaved, uneven stamps in time.txt and a WAV track. One file, longer
// than the others, because each case needs the same recordings and the same
// ffprobe readers, and splitting them would only copy that harness.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "export/PictureSize.h"
#include "export/StampTimeline.h"
#include "tests/SmallDisc.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/JpegEncoder.h"
#include "tools/recwriter/RecordingWriter.h"

namespace selvo::test {
namespace {

constexpr int kFrames = 24;  // 12 a camera
constexpr std::uint32_t kFirstStamp = 5000;
// Stamp steps between consecutive images of the whole recording, repeated:
// uneven, and so uneven again within each camera.
const std::uint32_t kSteps[] = {40, 130, 70, 160, 90, 110};

std::uint32_t StampOf(int index) {
  std::uint32_t stamp = kFirstStamp;
  for (int i = 0; i < index; ++i) stamp += kSteps[i % 6];
  return stamp;
}

struct ToolRun {
  int exitCode = -1;
  std::string err;
};

std::string Tool(const char* name) { return std::string(SELVO_BINARY_DIR) + "/" + name; }

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs a command line through the shell; stdout is returned in out, stderr
// in the run.
ToolRun Shell(const TestFolder& scratch, const std::string& command, std::string* out = nullptr) {
  const std::string outPath = scratch / "stdout.txt";
  const std::string errPath = scratch / "stderr.txt";
  const int status = std::system((command + " >" + Quoted(outPath) + " 2>" + Quoted(errPath)).c_str());
  ToolRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;  // a crash is never a verdict
  run.err = ReadText(errPath);
  if (out != nullptr) *out = ReadText(outPath);
  std::remove(outPath.c_str());
  std::remove(errPath.c_str());
  return run;
}

bool HaveFfmpeg() { return std::system("ffprobe -version >/dev/null 2>&1 && ffmpeg -version >/dev/null 2>&1") == 0; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return names;
}

// Runs a command as an unprivileged user when the tests run as root, for
// whom no permission bit would make a folder unreadable; the scratch folder
// is opened up so that user can reach it.
std::string AsUnprivileged(const TestFolder& scratch, const std::string& command) {
  if (::geteuid() != 0) return command;
  ::chmod(scratch.Path().c_str(), 0755);
  return "setpriv --reuid=65534 --regid=65534 --clear-groups " + command;
}

// The JPEG's frame header says 12 bits a sample: the header still states
// the size, but no 8-bit decoder takes the picture.
void MakeTwelveBit(std::vector<std::uint8_t>& jpeg) {
  for (std::size_t at = 2; at + 4 < jpeg.size();) {
    const std::uint8_t marker = jpeg[at + 1];
    if (marker == 0xC0 || marker == 0xC1) {
      jpeg[at + 4] = 12;
      return;
    }
    at += 2 + (static_cast<std::size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3]);
  }
  ADD_FAILURE() << "no frame header";
}

class VideoExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffprobe and ffmpeg are not installed";
  }

  // Two cameras interleaved with a WAV track; time.txt rewritten with
  // uneven stamps, which playback prefers to the trailers'.
  std::string WriteRecording(ImageFormat format, SoundFormat sound = SoundFormat::kWav) {
    RecordingOptions options = SmallOptions();
    options.format = format;
    options.soundFormat = sound;
    std::vector<std::uint32_t> stamps;
    for (int i = 0; i < kFrames; ++i) stamps.push_back(StampOf(i));
    return WriteRecordingWith(options, stamps);
  }

  static RecordingOptions SmallOptions() {
    RecordingOptions options;
    options.frames = kFrames;
    options.cameras = 2;
    options.alter = false;
    options.width = 176;
    options.height = 120;
    return options;
  }

  // The recording of options with time.txt holding stamps, one per image.
  std::string WriteRecordingWith(const RecordingOptions& options, const std::vector<std::uint32_t>& stamps) {
    writer_ = std::make_unique<RecordingWriter>(options);
    recording_ = "rec" + std::to_string(++recordings_);
    const std::string folder = scratch_ / recording_;
    EXPECT_TRUE(writer_->Write(folder)) << writer_->ErrorText();
    std::string times;
    for (std::uint32_t stamp : stamps) times += std::to_string(stamp) + "\r\n";
    scratch_.Write(recording_ + "/time.txt", times);
    return folder;
  }

  // Presentation times, in milliseconds, of the pictures ffmpeg decodes
  // from a video, in the order it shows them.
  std::vector<long> DecodedPictureTimesMs(const std::string& video) {
    std::vector<long> times;
    for (const std::string& line : Lines(Probe("-select_streams v -show_entries frame=best_effort_timestamp_time "
                                               "-of csv=p=0 " + Quoted(video)))) {
      times.push_back(std::llround(std::atof(line.c_str()) * 1000));
    }
    return times;
  }

  std::string ImageFile(int index) const { return scratch_ / (recording_ + "/" + writer_->ImagePath(index)); }

  ToolRun Export(const std::string& arguments) {
    return Shell(scratch_, Tool("selvo-export") + " " + arguments);
  }

  std::string Probe(const std::string& arguments) {
    std::string out;
    Shell(scratch_, "ffprobe -v error " + arguments, &out);
    return out;
  }

  std::vector<std::string> Codecs(const std::string& video) {
    return Lines(Probe("-show_entries stream=codec_name -of csv=p=0 " + Quoted(video)));
  }

  // Presentation times of one stream's packets in milliseconds.
  std::vector<long> PacketTimesMs(const std::string& video, const char* stream) {
    std::vector<long> times;
    for (const std::string& line :
         Lines(Probe(std::string("-select_streams ") + stream + " -show_entries packet=pts_time -of csv=p=0 " +
                     Quoted(video)))) {
      times.push_back(std::lround(std::atof(line.c_str()) * 1000));
    }
    return times;
  }

  // The video packets copied out unchanged, one file each, in order.
  std::vector<std::vector<std::uint8_t>> ExtractedPackets(const std::string& video, const char* extension) {
    const std::string folder = scratch_.MakeDir("packets" + std::to_string(++extractions_));
    Shell(scratch_, "ffmpeg -v error -i " + Quoted(video) + " -map 0:v -c copy -f image2 " +
                        Quoted(folder + "/%d." + extension));
    std::vector<std::vector<std::uint8_t>> packets;
    for (int n = 1;; ++n) {
      const std::string path = folder + "/" + std::to_string(n) + "." + extension;
      if (access(path.c_str(), F_OK) != 0) break;
      packets.push_back(ReadFileBytes(path));
    }
    return packets;
  }

  TestFolder scratch_;
  int extractions_ = 0;
  int recordings_ = 0;
  std::string recording_;
  std::unique_ptr<RecordingWriter> writer_;
};

// Each picture's time is its stamp's distance from the first picture's, and
// each packet is the camera's image file, trailer and all.
struct LosslessCase {
  const char* name;
  ImageFormat format;
  SoundFormat sound;
  const char* arguments;
  const char* codec;
  const char* soundCodec;
  const char* extension;
  std::vector<int> images;  // indices into the whole recording, in list order
};

TEST_F(VideoExportTest, LosslessVideoHoldsEachChosenImageFileAtItsStampTime) {
  const auto wav = SoundFormat::kWav;
  std::vector<LosslessCase> cases = {
      {"first camera by default", ImageFormat::kJpeg, wav, "", "mjpeg", "pcm_s16le", "jpg",
       {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22}},
      {"second camera", ImageFormat::kJpeg, wav, "--camera 2", "mjpeg", "pcm_s16le", "jpg",
       {1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23}},
      {"range of the second camera", ImageFormat::kJpeg, wav, "--camera 2 --range 3-7", "mjpeg", "pcm_s16le", "jpg",
       {5, 7, 9, 11, 13}},
      {"JPEG 2000", ImageFormat::kJp2, wav, "--camera 2 --range 2-4", "jpeg2000", "pcm_s16le", "jp2", {3, 5, 7}},
  };
  if (SoundWriter::CanWriteMp3()) {
    cases.push_back({"MP3 track", ImageFormat::kJp2, SoundFormat::kMp3, "--range 2-5", "jpeg2000", "mp3", "jp2",
                     {2, 4, 6, 8}});
  }
  for (const LosslessCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = WriteRecording(c.format, c.sound);
    const std::string video = scratch_ / "out.mkv";
    const ToolRun run = Export(std::string(c.arguments) + " " + Quoted(folder) + " " + Quoted(video));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Codecs(video), (std::vector<std::string>{c.codec, c.soundCodec}));

    const auto packets = ExtractedPackets(video, c.extension);
    ASSERT_EQ(packets.size(), c.images.size());
    for (std::size_t k = 0; k < packets.size(); ++k) {
      EXPECT_TRUE(packets[k] == ReadFileBytes(ImageFile(c.images[k]))) << "packet " << k + 1;
    }
    const std::vector<long> times = PacketTimesMs(video, "v");
    ASSERT_EQ(times.size(), c.images.size());
    for (std::size_t k = 0; k < times.size(); ++k) {
      EXPECT_EQ(times[k], static_cast<long>(StampOf(c.images[k]) - StampOf(c.images[0]))) << "picture " << k + 1;
    }
    std::remove(video.c_str());
  }
}

// The sound is the track's own samples from the first picture's moment on
// and as long as the pictures last, not the track from its start.
TEST_F(VideoExportTest, LosslessSoundIsTheTrackCutToThePicturesSpan) {
  const std::string folder = WriteRecording(ImageFormat::kJpeg);
  const std::string video = scratch_ / "out.mkv";
  ASSERT_EQ(Export("--camera 2 --range 3-7 " + Quoted(folder) + " " + Quoted(video)).exitCode, 0);
  const std::string track = folder + "/" + writer_->SoundPath();
  const std::string whole = scratch_ / "whole.raw";
  const std::string cut = scratch_ / "cut.raw";
  Shell(scratch_, "ffmpeg -v error -i " + Quoted(track) + " -c copy -f s16le " + Quoted(whole));
  Shell(scratch_, "ffmpeg -v error -i " + Quoted(video) + " -map 0:a -c copy -f s16le " + Quoted(cut));
  const auto trackBytes = ReadFileBytes(whole);
  const auto cutBytes = ReadFileBytes(cut);

  const int rate = 16000;  // the writer's; one channel of 16 bits
  const std::uint32_t startMs = StampOf(5) - StampOf(0);
  // The last picture stands as long as the step before it.
  const std::uint32_t lengthMs = StampOf(13) - StampOf(5) + (StampOf(13) - StampOf(11));
  const std::size_t from = static_cast<std::size_t>(startMs) * rate / 1000 * 2;
  const std::size_t length = static_cast<std::size_t>(lengthMs) * rate / 1000 * 2;
  ASSERT_GE(trackBytes.size(), from + length);
  ASSERT_EQ(cutBytes.size(), length);
  EXPECT_TRUE(std::equal(cutBytes.begin(), cutBytes.end(), trackBytes.begin() + static_cast<long>(from)));
}

TEST_F(VideoExportTest, LosslessTagsNameTheSourceCameraAndRecordingTimes) {
  const std::string folder = WriteRecording(ImageFormat::kJpeg);
  const std::string video = scratch_ / "out.mkv";
  ASSERT_EQ(Export("--camera 2 " + Quoted(folder) + " " + Quoted(video)).exitCode, 0);
  const std::string tags = Probe("-show_entries format_tags -of default=nw=1 " + Quoted(video));
  EXPECT_NE(tags.find("SOURCE_FOLDER=" + folder), std::string::npos) << tags;
  EXPECT_NE(tags.find("CAMERA_TITLE=" + RecordingWriter::DefaultTitles(2)[1]), std::string::npos) << tags;
  EXPECT_NE(tags.find("FIRST_RECORDING_TIME=2026-03-07 09:00:00"), std::string::npos) << tags;
  EXPECT_NE(tags.find("LAST_RECORDING_TIME=2026-03-07 09:00:02"), std::string::npos) << tags;
}

// Tags are UTF-8 whatever the folder's bytes, and a camera title cannot
// reach a terminal as a control sequence; the escapes keep the bytes.
TEST_F(VideoExportTest, TagsAreValidUtf8WithControlCharactersEscaped) {
  RecordingOptions options = SmallOptions();
  options.titles = {"\x1b[2JGATE", "YARD"};
  std::vector<std::uint32_t> stamps;
  for (int i = 0; i < kFrames; ++i) stamps.push_back(StampOf(i));
  const std::string plain = WriteRecordingWith(options, stamps);
  const std::string hostile = scratch_ / "rec\xFF\xC3\x28 \\ end";
  ASSERT_EQ(std::rename(plain.c_str(), hostile.c_str()), 0);
  for (const char* out : {"tags.mkv", "tags.mp4"}) {
    SCOPED_TRACE(out);
    const std::string video = scratch_ / out;
    const ToolRun run = Export(Quoted(hostile) + " " + Quoted(video));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string tags = Probe("-show_entries format_tags -of default=nw=1 " + Quoted(video));
    scratch_.Write("tags.txt", tags);
    EXPECT_EQ(Shell(scratch_, "iconv -f UTF-8 -t UTF-8 " + Quoted(scratch_ / "tags.txt")).exitCode, 0) << tags;
    EXPECT_EQ(tags.find('\x1b'), std::string::npos) << tags;
    EXPECT_NE(tags.find("title=\\x1b[2JGATE"), std::string::npos) << tags;
    if (std::string(out) == "tags.mkv") {
      EXPECT_NE(tags.find("SOURCE_FOLDER=" + scratch_.Path() + "/rec\\xff\\xc3( \\\\ end"), std::string::npos) << tags;
    }
  }
}

// JPEG pictures go into the video as planes, JPEG 2000 ones painted; both
// are BT.601 in limited range, and the stream says so.
TEST_F(VideoExportTest, ShareableVideoIsH264AndAacLastingThePicturesAndDecodesCleanly) {
  for (const ImageFormat format : {ImageFormat::kJpeg, ImageFormat::kJp2}) {
    SCOPED_TRACE(format == ImageFormat::kJpeg ? "JPEG" : "JPEG 2000");
    const std::string folder = WriteRecording(format);
    const std::string video = scratch_ / "out.mp4";
    const ToolRun run = Export("--camera 2 --check " + Quoted(folder) + " " + Quoted(video));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Codecs(video), (std::vector<std::string>{"h264", "aac"}));
    EXPECT_EQ(Probe("-select_streams v -show_entries stream=color_range,color_space,color_transfer,color_primaries "
                    "-of csv=p=0 " + Quoted(video)),
              "tv,smpte170m,smpte170m,smpte170m\n");
    EXPECT_EQ(Probe("-select_streams v -count_frames -show_entries stream=nb_read_frames -of csv=p=0 " + Quoted(video)),
              "12\n");
    // Packets come in decoding order; shown in order, they keep the stamps'
    // uneven spacing.
    std::vector<long> times = PacketTimesMs(video, "v");
    std::sort(times.begin(), times.end());
    ASSERT_EQ(times.size(), 12u);
    for (std::size_t k = 0; k < times.size(); ++k) {
      EXPECT_EQ(times[k] - times[0], static_cast<long>(StampOf(1 + 2 * static_cast<int>(k)) - StampOf(1)));
    }
    const double duration = std::atof(Probe("-show_entries format=duration -of csv=p=0 " + Quoted(video)).c_str());
    const double pictures = (StampOf(23) - StampOf(1) + (StampOf(23) - StampOf(21))) / 1000.0;
    EXPECT_NEAR(duration, pictures, 0.1);
    std::string decodeErrors;
    Shell(scratch_, "ffmpeg -v error -i " + Quoted(video) + " -f null - 2>&1", &decodeErrors);
    EXPECT_EQ(decodeErrors, "");
  }
}

// A night's gap and one of forty days (any span a 32-bit stamp holds) keep
// every picture, in order, at its stamp's time, in both kinds.
TEST_F(VideoExportTest, LongGapsKeepEveryPictureAtItsTime) {
  struct Gap {
    const char* name;
    std::uint32_t ms;
  };
  for (const Gap gap : {Gap{"10 hours", 36000000u}, Gap{"40 days", 3456000000u}}) {
    SCOPED_TRACE(gap.name);
    RecordingOptions options = SmallOptions();
    options.frames = 12;
    options.cameras = 1;
    options.sound = false;
    std::vector<std::uint32_t> stamps;
    std::vector<long> expected;
    for (std::uint32_t k = 0; k < 12; ++k) {
      const std::uint32_t offset = k * 400 + (k >= 4 ? gap.ms : 0);
      stamps.push_back(1000 + offset);
      expected.push_back(static_cast<long>(offset));
    }
    const std::string folder = WriteRecordingWith(options, stamps);
    for (const char* out : {"long.mkv", "long.mp4"}) {
      SCOPED_TRACE(out);
      const std::string video = scratch_ / out;
      const ToolRun run = Export(Quoted(folder) + " " + Quoted(video));
      ASSERT_EQ(run.exitCode, 0) << run.err;
      // An MP4 step is below 2^31 - 1 ms: a longer one shows the picture
      // before it once more at that distance.
      constexpr long kLongestMp4Step = 0x7FFFFFFE;
      if (expected[4] - expected[3] > kLongestMp4Step && std::string(out) == "long.mp4") {
        expected.insert(expected.begin() + 4, expected[3] + kLongestMp4Step);
      }
      EXPECT_EQ(DecodedPictureTimesMs(video), expected);
      std::string decodeErrors;
      Shell(scratch_, "ffmpeg -v error -i " + Quoted(video) + " -f null - 2>&1", &decodeErrors);
      EXPECT_EQ(decodeErrors, "");
      std::remove(video.c_str());
    }
  }
}

// A damaged image is left out, named, and the rest still make a video; a
// damaged first picture does not keep the shareable kind from its size.
TEST_F(VideoExportTest, UnreadableImagesAreListedLeftOutAndExitOne) {
  const std::string folder = WriteRecording(ImageFormat::kJpeg);
  // Images 1 and 3 are camera 2's first two: one cannot be read at all (a
  // sparse file far larger than any picture, which the reader refuses; file
  // modes would not stop a test run as root), the other is read but cannot
  // be decoded.
  ASSERT_EQ(truncate(ImageFile(1).c_str(), (1LL << 31)), 0);
  std::vector<std::uint8_t> cutShort = ReadFileBytes(ImageFile(3));
  cutShort.resize(200);
  scratch_.Write(recording_ + "/" + writer_->ImagePath(3), cutShort);

  for (const char* out : {"out.mkv", "out.mp4"}) {
    SCOPED_TRACE(out);
    const ToolRun run = Export("--camera 2 " + Quoted(folder) + " " + Quoted(scratch_ / out));
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find(writer_->ImagePath(1)), std::string::npos) << run.err;
    EXPECT_EQ(PacketTimesMs(scratch_ / out, "v").size(), 11u);
  }
}

// A recording that lacks part of itself exports what it has, names what is
// missing and exits 1: a folder that cannot be listed, or an image too
// many, leaves the INFO index unmatched, so the cameras are not known.
TEST_F(VideoExportTest, MissingFoldersAndAnUnmatchedIndexAreListedAndExitOne) {
  struct Case {
    const char* name;
    bool unreadableFolder;  // else one image too many
    std::size_t packets;
    const char* counts;
  };
  for (const Case& c : {Case{"unreadable subfolder", true, 18, "lists 24 images but the folder holds 18"},
                        Case{"an image too many", false, 25, "lists 24 images but the folder holds 25"}}) {
    SCOPED_TRACE(c.name);
    RecordingOptions options = SmallOptions();
    options.imagesPerFolder = 6;
    std::vector<std::uint32_t> stamps;
    for (int i = 0; i < kFrames + 1; ++i) stamps.push_back(StampOf(i));
    const std::string folder = WriteRecordingWith(options, stamps);
    const std::string gone = folder + "/IMG00002";
    if (c.unreadableFolder) {
      ASSERT_EQ(::chmod(gone.c_str(), 0), 0);
    } else {
      scratch_.Write(recording_ + "/IMG00001/IMG00000000.jpg", ReadFileBytes(ImageFile(0)));
    }
    const std::string out = scratch_.MakeDir("out" + std::to_string(recordings_));
    ::chmod(out.c_str(), 0777);
    const std::string video = out + "/all.mkv";
    ToolRun run = Shell(scratch_, AsUnprivileged(scratch_, Tool("selvo-export") + " " + Quoted(folder) + " " +
                                                               Quoted(video)));
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("the INFO index " + std::string(c.counts)), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("IMG00002: unreadable folder") != std::string::npos, c.unreadableFolder) << run.err;
    EXPECT_EQ(PacketTimesMs(video, "v").size(), c.packets);

    run = Shell(scratch_, AsUnprivileged(scratch_, Tool("selvo-export") + " --camera 2 " + Quoted(folder) + " " +
                                                      Quoted(out + "/two.mkv")));
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find(std::string(c.counts) + " image files, so the index is not used: the images of camera 2 "
                                                    "are not known"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("no INFO index"), std::string::npos) << run.err;
    ::chmod(gone.c_str(), 0755);
  }
}

// The MP4 takes the size most of the camera's pictures have, whatever the
// first one is; a picture that does not decode is named and the exit is 1.
// The lossless kind copies bytes and needs no picture to decode.
TEST_F(VideoExportTest, UndecodablePicturesAreListedAndTheOddSizeDoesNotSetTheFrame) {
  const std::string folder = WriteRecording(ImageFormat::kJpeg);
  const std::uint8_t white[3] = {255, 255, 255};
  scratch_.Write(recording_ + "/" + writer_->ImagePath(1), EncodeJpeg(white, 1, 1, 90));  // camera 2's first
  std::vector<std::uint8_t> twelveBit = ReadFileBytes(ImageFile(3));
  MakeTwelveBit(twelveBit);
  scratch_.Write(recording_ + "/" + writer_->ImagePath(3), twelveBit);

  const std::string video = scratch_ / "two.mp4";
  ToolRun run = Export("--camera 2 " + Quoted(folder) + " " + Quoted(video));
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.err.find(writer_->ImagePath(3) + ": cannot be decoded"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(writer_->ImagePath(1)), std::string::npos) << run.err;
  EXPECT_EQ(Probe("-select_streams v -show_entries stream=width,height -of csv=p=0 " + Quoted(video)), "176,132\n");
  EXPECT_EQ(DecodedPictureTimesMs(video).size(), 12u);

  // Every picture 12-bit: nothing decodes, and the MKV still holds each file.
  for (int i = 0; i < kFrames; ++i) {
    std::vector<std::uint8_t> bytes = ReadFileBytes(ImageFile(i));
    MakeTwelveBit(bytes);
    scratch_.Write(recording_ + "/" + writer_->ImagePath(i), bytes);
  }
  const std::string lossless = scratch_ / "two.mkv";
  run = Export("--camera 2 " + Quoted(folder) + " " + Quoted(lossless));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto packets = ExtractedPackets(lossless, "jpg");
  ASSERT_EQ(packets.size(), 12u);
  for (std::size_t k = 0; k < packets.size(); ++k) {
    EXPECT_TRUE(packets[k] == ReadFileBytes(ImageFile(1 + 2 * static_cast<int>(k)))) << "packet " << k + 1;
  }
  EXPECT_EQ(Probe("-select_streams v -show_entries stream=width,height -of csv=p=0 " + Quoted(lossless)), "1,1\n");
}

// Every line names the program and the real cause; a sound track that is
// there and cannot be played is told, and FFmpeg's own lines appear only
// when asked for.
TEST_F(VideoExportTest, MessagesNameTheProgramTheCauseAndNoLibraryLinesUnlessAsked) {
  const std::string folder = WriteRecording(ImageFormat::kJpeg);
  const std::string fifo = scratch_ / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string file = scratch_.Write("plain.txt", std::string("x"));
  for (const std::string& notFolder : {fifo, file}) {
    const ToolRun run = Export(Quoted(notFolder) + " " + Quoted(scratch_ / "x.mkv"));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "selvo-export: " + notFolder + ": not a folder\n");
  }

  const std::string sound = folder + "/" + writer_->SoundPath();
  ASSERT_EQ(::unlink(sound.c_str()), 0);
  ASSERT_EQ(::mkfifo(sound.c_str(), 0600), 0);
  const ToolRun quiet = Export(Quoted(folder) + " " + Quoted(scratch_ / "quiet.mp4"));
  EXPECT_EQ(quiet.exitCode, 0) << quiet.err;
  EXPECT_EQ(quiet.err, "selvo-export: warning: " + sound + ": a FIFO, not a file; the video is made without sound\n");

  const ToolRun asked = Export("--ffmpeg-log " + Quoted(folder) + " " + Quoted(scratch_ / "asked.mp4"));
  EXPECT_EQ(asked.exitCode, 0) << asked.err;
  EXPECT_NE(asked.err.find("[libx264 @ "), std::string::npos) << asked.err;
}

TEST_F(VideoExportTest, FailedExportLeavesNoFileBehind) {
  const std::string folder = WriteRecording(ImageFormat::kJpeg);
  const std::string outFolder = scratch_.MakeDir("out");
  struct Failure {
    const char* name;
    std::string arguments;
  };
  const std::vector<Failure> failures = {
      {"missing input", Quoted(scratch_ / "nothing") + " " + Quoted(outFolder + "/a.mkv")},
      {"OUT in a folder that does not exist", Quoted(folder) + " " + Quoted(outFolder + "/none/a.mkv")},
      {"OUT that is a folder", Quoted(folder) + " " + Quoted(scratch_.MakeDir("out/b.mp4"))},
      {"unknown kind", Quoted(folder) + " " + Quoted(outFolder + "/a.avi")},
      {"camera without images", "--camera 9 " + Quoted(folder) + " " + Quoted(outFolder + "/a.mkv")},
      {"range past the list", "--range 5-13 " + Quoted(folder) + " " + Quoted(outFolder + "/a.mkv")},
  };
  for (const Failure& f : failures) {
    SCOPED_TRACE(f.name);
    const ToolRun run = Export(f.arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err, "");
    EXPECT_EQ(FilesIn(outFolder), std::vector<std::string>{"b.mp4"});
  }
}

// A disc's records go out as the viewer's copy writes them, spaced by their
// trailers' stamps (record n is stamped n ms), and it draws for sharing too.
TEST_F(VideoExportTest, DiscRecordsGoOutAsTheCopyWritesThem) {
  const std::string disc = scratch_ / "disc.img";
  test::WriteSmallDisc(disc, 6);
  const std::string video = scratch_ / "disc.mkv";
  const ToolRun run = Export("--range 2-4 --disc " + Quoted(disc) + " " + Quoted(video));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Codecs(video), std::vector<std::string>{"mjpeg"});
  EXPECT_EQ(PacketTimesMs(video, "v"), (std::vector<long>{0, 1, 2}));

  const std::string copies = scratch_.MakeDir("copies");
  Shell(scratch_, Tool("selvo-check") + " --disc " + Quoted(disc) + " --extract " + Quoted(copies) +
                      " --range 2-4 --prefix r");
  std::vector<std::string> names = FilesIn(copies);
  std::sort(names.begin(), names.end());
  const auto packets = ExtractedPackets(video, "jpg");
  ASSERT_EQ(packets.size(), 3u);
  ASSERT_EQ(names.size(), 3u);
  for (std::size_t k = 0; k < packets.size(); ++k) {
    EXPECT_TRUE(packets[k] == ReadFileBytes(copies + "/" + names[k])) << names[k];
  }
  EXPECT_EQ(Export("--disc " + Quoted(disc) + " " + Quoted(scratch_ / "disc.mp4")).exitCode, 0);
  EXPECT_EQ(Export("--camera 2 --disc " + Quoted(disc) + " " + Quoted(scratch_ / "x.mkv")).exitCode, 2);
}

// A disc cut short fails its last record at every read the export makes of
// it; the reader's failure is told once, beside the record's own line.
TEST_F(VideoExportTest, EachUnreadableDiscRecordIsToldOnce) {
  const std::string disc = scratch_ / "short.img";
  ASSERT_EQ(Shell(scratch_, Tool("selvo-make-demo") + " --disc " + Quoted(disc) + " --frames 6 --short-by 2").exitCode,
            0);
  const ToolRun run = Export("--disc " + Quoted(disc) + " " + Quoted(scratch_ / "short.mkv"));
  EXPECT_EQ(run.exitCode, 1) << run.err;
  std::istringstream lines(run.err);
  std::vector<std::string> seen;
  for (std::string line; std::getline(lines, line);) {
    EXPECT_EQ(line.rfind("selvo-export: ", 0), 0u) << line;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), line), 0) << "told twice: " << line;
    seen.push_back(line);
  }
  EXPECT_NE(run.err.find("#6: unreadable record"), std::string::npos) << run.err;
}

// Times must rise for every picture, whatever the stamps did.
TEST(StampTimelineTest, PictureTimesRiseEvenWhenStampsWrapStandStillOrGoBack) {
  struct Case {
    const char* name;
    std::vector<std::uint32_t> stamps;
    std::vector<std::int64_t> times;
    std::int64_t end;
  };
  const std::vector<Case> cases = {
      {"uneven", {1000, 1040, 1170, 1240}, {0, 40, 170, 240}, 310},
      {"wrapping over zero", {0xFFFFFFF0u, 0x10, 0x30}, {0, 32, 64}, 96},
      {"standing still", {500, 500, 600}, {0, 1, 101}, 201},
      {"going back", {500, 400, 450}, {0, 1, 51}, 101},
      {"one picture", {123}, {0}, StampTimeline::kSinglePictureMs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StampTimeline timeline;
    std::vector<std::int64_t> times;
    for (std::uint32_t stamp : c.stamps) times.push_back(timeline.Next(stamp));
    EXPECT_EQ(times, c.times);
    EXPECT_EQ(timeline.EndMs(), c.end);
  }
}

// Sizes come from the headers alone, however the file is laid out, and a
// file cut before its header states none.
TEST(PictureSizeTest, HeadersStateTheSizeWithoutDecoding) {
  std::vector<std::uint8_t> rgb(40 * 30 * 3, 128);
  const std::vector<std::uint8_t> jpeg = EncodeJpeg(rgb.data(), 40, 30, 80);
  std::vector<std::uint8_t> padded = {0xFF, 0xD8, 0xFF, 0xE1, 0x10, 0x00};  // a 4 KB application segment first
  padded.resize(padded.size() + 0x1000 - 2, 0xFF);
  padded.insert(padded.end(), jpeg.begin() + 2, jpeg.end());
  std::vector<std::uint8_t> codestream = {0xFF, 0x4F, 0xFF, 0x51, 0, 41, 0, 0};
  for (std::uint32_t v : {110u, 60u, 10u, 20u}) {  // Xsiz, Ysiz, XOsiz, YOsiz
    for (int shift = 24; shift >= 0; shift -= 8) codestream.push_back(static_cast<std::uint8_t>(v >> shift));
  }
  std::vector<std::uint8_t> jp2 = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A,
                                   0, 0, 0, 30, 'j', 'p', '2', 'h', 0, 0, 0, 22, 'i', 'h', 'd', 'r',
                                   0, 0, 1, 0xE0, 0, 0, 2, 0xC0, 0, 3, 7, 7, 0, 0};
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    bool jp2;
    bool found;
    int width, height;
  };
  const std::vector<Case> cases = {
      {"JPEG", jpeg, false, true, 40, 30},
      {"JPEG with a long segment before the frame header", padded, false, true, 40, 30},
      {"JPEG cut before its frame header", std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + 20), false, false, 0, 0},
      {"JPEG 2000 codestream", codestream, true, true, 100, 40},
      {"JP2 file", jp2, true, true, 704, 480},
      {"JP2 header box cut short", std::vector<std::uint8_t>(jp2.begin(), jp2.begin() + 34), true, false, 0, 0},
      {"not a picture", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, false, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PictureSize size;
    ASSERT_EQ(ReadPictureSize(c.bytes.data(), c.bytes.size(), c.jp2 ? ImageCodec::Jpeg2000 : ImageCodec::Jpeg, size),
              c.found);
    EXPECT_EQ(size.width, c.width);
    EXPECT_EQ(size.height, c.height);
  }
}

}  // namespace
}  // namespace selvo::test
