#pragma once
// Export of one camera's pictures to a video file through FFmpeg's
// libraries, in one of two kinds:
// - lossless (.mkv): every video packet is the image file byte for byte,
//   recorder trailer included, so a frame taken out with a stream copy still
//   passes the trailer check; the sound track is copied as it is;
// - shareable (.mp4): H.264 frames painted as the one-pane view draws them,
//   AAC sound.
// Picture times follow the stamps as playback uses them. Images that cannot
// be read are listed and left out; for the shareable kind, images that
// cannot be decoded are listed and shown as the viewer shows them ("invalid
// image"); what the input knows to be missing (a folder that could not be
// listed) is listed too. The file appears under its name only when the
// export has succeeded.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "export/ExportChapters.h"
#include "export/ExportInput.h"
#include "export/FrameCanvas.h"

namespace selvo {

enum class VideoKind { kLossless, kShareable };

// By the extension of the output, ignoring case: .mkv or .mp4.
bool VideoKindForPath(const std::string& path, VideoKind& kind);

struct VideoExportOptions {
  VideoKind kind = VideoKind::kLossless;
  bool sound = true;
  int threads = 0;           // the H.264 encoder's; 0 lets it choose
  const char* preset = "veryfast";
  // FFmpeg's own log lines on stderr, for whoever asks to see them; without
  // it the libraries say nothing and their failures reach the results.
  bool libraryLog = false;
};

enum class ExportOutcome {
  kExported,          // every picture is in the file
  kExportedWithGaps,  // something is missing or could not be decoded; Problems lists it
  kFailed,            // no file; ErrorText says why
  kCancelled,         // no file
};

// done of total pictures handled; answers false to cancel the export.
using ExportProgress = std::function<bool(int done, int total)>;

class VideoExport {
 public:
  VideoExport(ExportInput& input, VideoExportOptions options);
  ~VideoExport();

  // Needed for the shareable kind.
  void SetPainter(FramePainter painter) { painter_ = std::move(painter); }
  // For the shareable kind: with them, JPEG pictures that fill the frame
  // are decoded and scaled in YCbCr on a thread of their own and only the
  // texts and marks are drawn; the painter paints the rest (JPEG 2000,
  // pictures that decode only in part or not at all).
  void SetOverlays(std::shared_ptr<FrameOverlays> overlays) { overlays_ = std::move(overlays); }
  void SetProgress(ExportProgress progress) { progress_ = std::move(progress); }
  void SetChapters(std::vector<ExportChapter> chapters) { chapters_ = std::move(chapters); }

  ExportOutcome Run(const std::string& output);

  const std::string& ErrorText() const { return error_; }
  // "name: reason", one per image left out.
  const std::vector<std::string>& UnreadableImages() const { return unreadable_; }
  // "name: cannot be decoded", one per picture shown as an invalid image.
  const std::vector<std::string>& UndecodableImages() const { return undecodable_; }
  // The input's omissions, then the unreadable and the undecodable images.
  std::vector<std::string> Problems() const;
  // Things that did not stop the export, such as a sound track left out.
  const std::vector<std::string>& Warnings() const { return warnings_; }
  int PicturesWritten() const { return written_; }

 private:
  struct Streams;
  struct FirstPictures {
    int readIndex = -1;
    ExportPicture read;
    std::vector<std::uint8_t> readBytes;
    int width = 0;  // the video's picture size
    int height = 0;
  };

  ExportOutcome Fail(const std::string& text);
  ExportOutcome WriteFailed(const Streams& streams, const std::string& output);
  bool OpenStreams(Streams& streams, const FirstPictures& first, const std::string& output);
  bool ReadPicture(int index, FirstPictures& first, bool stampOnly, std::vector<std::uint8_t>& bytes,
                   ExportPicture& facts);
  void NoteUnreadable(int index, const std::string& why);
  bool FindFirstPicture(FirstPictures& first);
  bool ChoosePictureSize(FirstPictures& first);
  bool MostCommonPictureSize(FirstPictures& first);
  void FirstStatedPictureSize(FirstPictures& first);
  ExportPicture LastReadablePicture(const FirstPictures& first);
  bool OpenVideo(Streams& streams, const FirstPictures& first);
  void OpenSound(Streams& streams, const ExportPicture& first);
  void SetTags(Streams& streams, const FirstPictures& first);
  bool WriteHeld(Streams& streams, std::int64_t durationMs);
  bool WriteLossless(Streams& streams, const std::vector<std::uint8_t>& bytes, std::int64_t ms);
  bool WriteShareable(Streams& streams, const DibBlock* picture, const ExportPicture& facts,
                      const std::string& title, std::int64_t ms);
  void StartPlanarDecoding(Streams& streams);
  bool QueueShareable(Streams& streams, int index, std::vector<std::uint8_t>& bytes, const ExportPicture& facts,
                      const std::string& title, std::int64_t ms);
  bool FinishOldest(Streams& streams, const std::string& title);
  bool DrawOverlays(Streams& streams, const ExportPicture& facts, const std::string& title);

  ExportInput& input_;
  VideoExportOptions options_;
  FramePainter painter_;
  std::shared_ptr<FrameOverlays> overlays_;
  ExportProgress progress_;
  std::vector<ExportChapter> chapters_;
  std::string error_;
  std::vector<std::string> omissions_;
  std::vector<std::string> unreadable_;
  std::vector<std::string> undecodable_;
  std::vector<std::string> warnings_;
  int written_ = 0;
};

}  // namespace selvo
