// The MP4 export's frames against what the one-pane view draws for the same
// pictures: the picture, the time text with the camera title, and the
// alteration marks, whichever way the export made the frame (JPEG planes
// scaled in YCbCr, or JPEG 2000 and damaged JPEG painted whole). The video
// is decoded by ffmpeg into RGB.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "export/FolderExportInput.h"
#include "export/VideoExport.h"
#include "export/render/PaneFrameOverlays.h"
#include "export/render/PaneFramePainter.h"
#include "source/ImageDecoder.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/RecordingWriter.h"

namespace selvo::test {
namespace {

constexpr int kFrames = 16;
constexpr int kFrameWidth = 352;
constexpr int kFrameHeight = 264;

bool HaveFfmpeg() { return std::system("ffprobe -version >/dev/null 2>&1 && ffmpeg -version >/dev/null 2>&1") == 0; }

PaneOverlayStyle ExportStyle() {
  PaneOverlayStyle style;
  style.cameraTitleShown = true;
  style.alterationMarks = true;
  return style;
}

using Rgb24 = std::vector<std::uint8_t>;

// Every frame of the video as packed RGB, as ffmpeg converts it by the
// stream's own tags.
std::vector<Rgb24> DecodedFrames(const TestFolder& scratch, const std::string& video) {
  const std::string raw = scratch / "frames.rgb";
  const std::string command = "ffmpeg -v error -y -i '" + video + "' -f rawvideo -pix_fmt rgb24 '" + raw + "'";
  EXPECT_EQ(std::system(command.c_str()), 0);
  const std::vector<std::uint8_t> bytes = ReadFileBytes(raw);
  const std::size_t frameBytes = std::size_t{kFrameWidth} * kFrameHeight * 3;
  std::vector<Rgb24> frames;
  for (std::size_t at = 0; at + frameBytes <= bytes.size(); at += frameBytes) {
    frames.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + frameBytes));
  }
  return frames;
}

// The frame the painter draws, as RGB.
Rgb24 PaintedFrame(const DibBlock* picture, const ExportPicture& facts, const std::string& title) {
  std::vector<std::uint8_t> pixels(std::size_t{kFrameWidth} * kFrameHeight * 4);
  FrameCanvas canvas{pixels.data(), kFrameWidth, kFrameHeight, kFrameWidth * 4};
  EXPECT_TRUE(MakePaneFramePainter(ExportStyle())(picture, facts, title, canvas));
  Rgb24 rgb;
  for (std::size_t at = 0; at < pixels.size(); at += 4) {
    rgb.insert(rgb.end(), {pixels[at + 2], pixels[at + 1], pixels[at]});
  }
  return rgb;
}

int PixelDistance(const Rgb24& a, const Rgb24& b, std::size_t pixel) {
  int sum = 0;
  for (std::size_t c = 0; c < 3; ++c) sum += std::abs(int(a[3 * pixel + c]) - int(b[3 * pixel + c]));
  return sum / 3;
}

struct Likeness {
  double whole = 0;    // mean distance per channel over the frame
  double overlay = 0;  // over the pixels the texts and marks change
  double bare = 0;     // the video against the picture without them, there
  int overlayPixels = 0;
};

// The video's frame against the painted one, over the frame and over what
// its overlays cover.
Likeness Compare(const Rgb24& video, const Rgb24& painted, const Rgb24& bare) {
  Likeness likeness;
  const std::size_t pixels = painted.size() / 3;
  double whole = 0, overlay = 0, unmarked = 0;
  for (std::size_t p = 0; p < pixels; ++p) {
    const int distance = PixelDistance(video, painted, p);
    whole += distance;
    if (PixelDistance(painted, bare, p) < 60) continue;
    ++likeness.overlayPixels;
    overlay += distance;
    unmarked += PixelDistance(video, bare, p);
  }
  likeness.whole = whole / pixels;
  if (likeness.overlayPixels > 0) {
    likeness.overlay = overlay / likeness.overlayPixels;
    likeness.bare = unmarked / likeness.overlayPixels;
  }
  return likeness;
}

class ShareableFramesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffprobe and ffmpeg are not installed";
  }

  std::string WriteRecording(ImageFormat format, int pictureHeight) {
    RecordingOptions options;
    options.frames = kFrames;
    options.cameras = 1;
    options.sound = false;
    options.format = format;
    options.width = kFrameWidth;
    options.height = pictureHeight;
    writer_ = std::make_unique<RecordingWriter>(options);
    const std::string folder = scratch_ / "rec";
    EXPECT_TRUE(writer_->Write(folder)) << writer_->ErrorText();
    return folder;
  }

  // Exports the folder and checks each frame of the video against what the
  // painter draws for its picture.
  void ExpectFramesAsTheViewDrawsThem(const std::string& folder, ExportOutcome expected) {
    FolderExportInput input;
    ASSERT_TRUE(input.Open(folder, {})) << input.ErrorText();
    VideoExportOptions options;
    options.kind = VideoKind::kShareable;
    VideoExport run(input, options);
    run.SetPainter(MakePaneFramePainter(ExportStyle()));
    run.SetOverlays(MakePaneFrameOverlays(ExportStyle()));
    const std::string video = scratch_ / "out.mp4";
    ASSERT_EQ(run.Run(video), expected) << run.ErrorText();
    const std::vector<Rgb24> frames = DecodedFrames(scratch_, video);
    ASSERT_EQ(frames.size(), std::size_t{kFrames});
    int marked = 0;
    for (int i = 0; i < kFrames; ++i) {
      SCOPED_TRACE("picture " + std::to_string(i + 1));
      std::vector<std::uint8_t> bytes;
      std::string why;
      ASSERT_TRUE(input.ReadBytes(i, bytes, why)) << why;
      const ExportPicture facts = input.PictureAt(i, bytes);
      ExportPicture noOverlays = facts;
      noOverlays.time = 0;
      noOverlays.status = 0;
      const DecodeResult picture = DecodeImageMemory(bytes.data(), bytes.size(), input.Codec());
      ASSERT_NE(picture.block, nullptr) << picture.failure;
      const Likeness likeness =
          Compare(frames[static_cast<std::size_t>(i)], PaintedFrame(picture.block.get(), facts, input.CameraTitle()),
                  PaintedFrame(picture.block.get(), noOverlays, input.CameraTitle()));
      // The picture's colours and place, through the encoder's losses (a
      // range left full measures 6.5 here).
      EXPECT_LT(likeness.whole, 5.0);
      // The time text is always there; every pixel it changes is where the
      // painter puts it, in its colour, and plainly not the bare picture.
      EXPECT_GT(likeness.overlayPixels, 100);
      EXPECT_LT(likeness.overlay, 30.0);
      EXPECT_GT(likeness.bare, 2 * likeness.overlay + 40);
      if (facts.status > 0) ++marked;
    }
    EXPECT_GT(marked, 0) << "no picture carried alteration marks";
  }

  TestFolder scratch_;
  std::unique_ptr<RecordingWriter> writer_;
};

// Pictures stretched to the 4:3 frame and pictures already its size, JPEG
// and JPEG 2000, altered ones among them (marks drawn).
TEST_F(ShareableFramesTest, FramesShowThePictureTimeTextTitleAndMarksAsTheViewDoes) {
  struct Case {
    const char* name;
    ImageFormat format;
    int pictureHeight;
  };
  for (const Case& c : {Case{"JPEG stretched", ImageFormat::kJpeg, 240},
                        Case{"JPEG at the frame's size", ImageFormat::kJpeg, 264},
                        Case{"JPEG 2000", ImageFormat::kJp2, 240}}) {
    SCOPED_TRACE(c.name);
    ExpectFramesAsTheViewDrawsThem(WriteRecording(c.format, c.pictureHeight), ExportOutcome::kExported);
    ASSERT_EQ(std::system(("rm -rf '" + (scratch_ / "rec") + "'").c_str()), 0);
  }
}

// A picture whose compressed data is damaged in the middle of the
// recording decodes only in part; the video shows what the viewer shows
// for it, and the pictures after it as before.
TEST_F(ShareableFramesTest, DamagedPictureInTheMiddleShowsWhatTheViewerShows) {
  const std::string folder = WriteRecording(ImageFormat::kJpeg, 240);
  const std::string damaged = folder + "/" + writer_->ImagePath(kFrames / 2);
  std::vector<std::uint8_t> bytes = ReadFileBytes(damaged);
  for (std::size_t at = bytes.size() / 2; at < bytes.size() / 2 + 64; ++at) bytes[at] ^= 0x5A;
  ASSERT_NE(DecodeImageMemory(bytes.data(), bytes.size(), ImageCodec::Jpeg).block, nullptr);
  scratch_.Write("rec/" + writer_->ImagePath(kFrames / 2), bytes);
  ExpectFramesAsTheViewDrawsThem(folder, ExportOutcome::kExported);
}

}  // namespace
}  // namespace selvo::test
