#pragma once
// The shareable export's pictures: frames in 4:2:0, painted ones converted
// to it, encoded with libx264, each at the time its stamp gives. The stream
// is tagged BT.601 in limited range, which is what its pixels are.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "export/FrameCanvas.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

namespace selvo {

class MediaOutput;

struct H264Settings {
  int width = 0;   // even
  int height = 0;  // even
  int crf = 23;
  int threads = 0;  // 0: as many as the machine has
  const char* preset = "veryfast";
  int framesPerSecond = 25;  // a hint for rate control; the times are the stamps'
};

class H264Video {
 public:
  H264Video() = default;
  ~H264Video();
  H264Video(const H264Video&) = delete;
  H264Video& operator=(const H264Video&) = delete;

  bool Open(const H264Settings& settings, MediaOutput& output);
  const std::string& ErrorText() const { return error_; }

  FrameCanvas& Canvas() { return canvas_; }
  // Encodes the canvas at ms from the first picture.
  bool EncodeCanvas(std::int64_t ms);
  // Encodes a 4:2:0 frame of the video's size, limited range, at ms.
  bool EncodeFrame(AVFrame* frame, std::int64_t ms);
  // endMs: when the last picture stops standing.
  bool Finish(std::int64_t endMs);

 private:
  bool HoldAcrossLongStep(std::int64_t ms);
  bool Encode(const AVFrame* frame);

  static constexpr std::int64_t kLongestStepMs = 0x7FFFFFFE;
  void SetDuration(AVPacket& packet);

  // How long each picture stands, by its time, known once the next one
  // comes: the encoder does not carry it, and without it a player would
  // cut the last picture off.
  std::map<std::int64_t, std::int64_t> durations_;
  std::int64_t lastMs_ = -1;

  AVCodecContext* codec_ = nullptr;
  AVFrame* frame_ = nullptr;  // the canvas converted
  AVFrame* last_ = nullptr;   // the picture encoded last, shown again across a long step
  AVPacket* packet_ = nullptr;
  AVStream* stream_ = nullptr;
  SwsContext* convert_ = nullptr;
  MediaOutput* output_ = nullptr;
  std::vector<std::uint8_t> pixels_;
  FrameCanvas canvas_;
  std::string error_;
};

}  // namespace selvo
