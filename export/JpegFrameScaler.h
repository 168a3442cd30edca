#pragma once
// The shareable export's pictures straight from the JPEG's own planes into
// the encoder's 4:2:0 frame: decoded without turning into RGB, stretched
// over the frame and brought from JFIF's full range to the limited range
// players expect, all in one pass of the scaler.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "source/JpegDecoder.h"

struct AVFrame;
struct SwsContext;

namespace selvo {

class FrameOverlays;

struct AvFrameFree {
  void operator()(AVFrame* frame) const;
};
using AvFramePtr = std::unique_ptr<AVFrame, AvFrameFree>;

class JpegFrameScaler {
 public:
  // width x height: the frame, even sides; layout tells the rows the view
  // leaves out at the top and must outlive the scaler.
  JpegFrameScaler(int width, int height, const FrameOverlays& layout);
  ~JpegFrameScaler();
  JpegFrameScaler(const JpegFrameScaler&) = delete;
  JpegFrameScaler& operator=(const JpegFrameScaler&) = delete;

  // A frame holding the picture, reused (when given and no longer shared:
  // a fresh frame of this size costs its page faults each time); null when
  // DecodeJpegPlanes does not take it (the caller then paints it as the
  // viewer shows it) or memory runs out.
  AvFramePtr Scale(const std::uint8_t* bytes, std::size_t length, AvFramePtr reuse = nullptr);

 private:
  bool PrepareScaler(int sourceHeight);

  int width_;
  int height_;
  const FrameOverlays& layout_;
  JpegPlanes planes_;
  SwsContext* scaler_ = nullptr;
  int scalerWidth_ = 0;  // what scaler_ was made for
  int scalerHeight_ = 0;
  int scalerShiftX_ = -1;
  int scalerShiftY_ = -1;
};

}  // namespace selvo
