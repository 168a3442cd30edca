#include "source/FolderRecording.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "tests/SmallRecording.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/RecordingWriter.h"

namespace selvo {
namespace {

using test::TestFolder;

// A recording as the recorder exports it: two cameras, an INFO index,
// time.txt and a wave track, in either codec.
std::string WriteRecording(const TestFolder& scratch, ImageFormat format) {
  RecordingOptions options;
  options.frames = 8;
  options.cameras = 2;
  options.format = format;
  options.alter = false;
  options.fast = true;
  options.width = 64;
  options.height = 48;
  RecordingWriter writer(options);
  const std::string folder = scratch / "rec";
  EXPECT_TRUE(writer.Write(folder)) << writer.ErrorText();
  return folder;
}

TEST(FolderRecording, OpensEitherCodecWithItsSoundAndIndex) {
  const struct {
    const char* what;
    ImageFormat format;
    ImageCodec codec;
  } cases[] = {{"JPEG", ImageFormat::kJpeg, ImageCodec::Jpeg}, {"JPEG 2000", ImageFormat::kJp2, ImageCodec::Jpeg2000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestFolder scratch;
    const std::string folder = WriteRecording(scratch, c.format);
    FolderRecording recording(folder);
    ASSERT_TRUE(recording.Open()) << recording.FailureText();
    EXPECT_EQ(recording.Failure(), FolderRecordingFailure::kNone);
    EXPECT_EQ(recording.FailureText(), "");
    EXPECT_EQ(recording.Codec(), std::optional<ImageCodec>(c.codec));
    EXPECT_TRUE(recording.SoundPlayable());
    EXPECT_EQ(recording.SoundFile(), folder + "/SOUND/sound.wav");
    EXPECT_EQ(recording.SoundProblem(), "");
    ASSERT_TRUE(recording.HasImages());
    EXPECT_EQ(recording.Images().FileCount(), 8);
    EXPECT_TRUE(recording.Images().Index().Loaded());
    EXPECT_EQ(recording.IndexProblem(), "");
  }
}

// A track that does not play is told, and the images are still found: the
// recording is read as one without sound.
TEST(FolderRecording, DamagedSoundIsToldAndTheImagesStillOpen) {
  TestFolder scratch;
  const std::string folder = test::WriteSmallRecording(scratch, "rec", {{0}, {0}, {0}}, false);
  const std::string sound = scratch.Write("rec/sound.wav", std::string("RIFF\x24\x00\x00\x00WAVEfmt ", 16));
  FolderRecording recording(folder);
  ASSERT_TRUE(recording.Open()) << recording.FailureText();
  EXPECT_EQ(recording.Codec(), std::optional<ImageCodec>(ImageCodec::Jpeg));
  EXPECT_FALSE(recording.SoundPlayable());
  EXPECT_EQ(recording.SoundFile(), sound);
  EXPECT_EQ(recording.SoundProblem().rfind(sound + ": ", 0), 0u) << recording.SoundProblem();
  EXPECT_GT(recording.SoundProblem().size(), sound.size() + 2);
  EXPECT_EQ(recording.Images().FileCount(), 3);
}

// The words every caller prints after the folder's name.
TEST(FolderRecording, SaysWhyAFolderDoesNotOpen) {
  TestFolder scratch;
  scratch.MakeDir("empty");
  scratch.Write("notes/readme.txt", "not a recording");
  scratch.Write("file.jpg", "x");
  scratch.Write("sound-only/sound.wav", "x");
  const struct {
    const char* what;
    std::string path;
    FolderRecordingFailure failure;
    std::string text;
  } cases[] = {
      {"empty folder", scratch / "empty", FolderRecordingFailure::kNoImages, "no recorder images found"},
      {"folder of other files", scratch / "notes", FolderRecordingFailure::kNoImages, "no recorder images found"},
      {"a sound track without images", scratch / "sound-only", FolderRecordingFailure::kNoImages,
       "no recorder images found"},
      {"missing folder", scratch / "missing", FolderRecordingFailure::kUnreachable, std::strerror(ENOENT)},
      {"a file", scratch / "file.jpg", FolderRecordingFailure::kNotAFolder, "not a folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FolderRecording recording(c.path);
    EXPECT_FALSE(recording.Open());
    EXPECT_EQ(recording.Failure(), c.failure);
    EXPECT_EQ(recording.FailureText(), c.text);
    EXPECT_FALSE(recording.Codec().has_value());
  }
}

}  // namespace
}  // namespace selvo
