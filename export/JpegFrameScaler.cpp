#include "export/JpegFrameScaler.h"

#include <utility>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include "export/FrameCanvas.h"

namespace selvo {

namespace {

// The planar format of a JPEG's chroma subsampling; none for those the
// scaler has no format for.
AVPixelFormat PlanarFormat(int shiftX, int shiftY) {
  if (shiftX == 1 && shiftY == 1) return AV_PIX_FMT_YUV420P;
  if (shiftX == 1 && shiftY == 0) return AV_PIX_FMT_YUV422P;
  if (shiftX == 0 && shiftY == 0) return AV_PIX_FMT_YUV444P;
  if (shiftX == 0 && shiftY == 1) return AV_PIX_FMT_YUV440P;
  if (shiftX == 2 && shiftY == 0) return AV_PIX_FMT_YUV411P;
  return AV_PIX_FMT_NONE;
}

// JFIF's YCbCr is full range; the video's is limited, as its tags say.
// The ranges are set before the scaler is made: one made without them
// takes a picture of the frame's size for a plain copy and stays one.
// Bicubic, as FFmpeg's own scale filter.
SwsContext* MakeScaler(int sourceWidth, int sourceHeight, AVPixelFormat sourceFormat, int width, int height) {
  if (sourceFormat == AV_PIX_FMT_NONE) return nullptr;
  SwsContext* scaler = sws_alloc_context();
  if (scaler == nullptr) return nullptr;
  const std::pair<const char*, std::int64_t> settings[] = {
      {"srcw", sourceWidth}, {"srch", sourceHeight}, {"src_format", sourceFormat},       {"src_range", 1},
      {"dstw", width},       {"dsth", height},       {"dst_format", AV_PIX_FMT_YUV420P}, {"dst_range", 0},
      {"sws_flags", SWS_BICUBIC}};
  bool set = true;
  for (const auto& [name, value] : settings) set = set && av_opt_set_int(scaler, name, value, 0) >= 0;
  if (!set || sws_init_context(scaler, nullptr, nullptr) < 0) {
    sws_freeContext(scaler);
    return nullptr;
  }
  return scaler;
}

}  // namespace

void AvFrameFree::operator()(AVFrame* frame) const { av_frame_free(&frame); }

JpegFrameScaler::JpegFrameScaler(int width, int height, const FrameOverlays& layout)
    : width_(width), height_(height), layout_(layout) {}

JpegFrameScaler::~JpegFrameScaler() { sws_freeContext(scaler_); }

bool JpegFrameScaler::PrepareScaler(int sourceHeight) {
  if (scaler_ != nullptr && scalerWidth_ == planes_.width && scalerHeight_ == sourceHeight &&
      scalerShiftX_ == planes_.chromaShiftX && scalerShiftY_ == planes_.chromaShiftY) {
    return true;
  }
  sws_freeContext(scaler_);
  scaler_ = MakeScaler(planes_.width, sourceHeight, PlanarFormat(planes_.chromaShiftX, planes_.chromaShiftY),
                       width_, height_);
  if (scaler_ == nullptr) return false;
  scalerWidth_ = planes_.width;
  scalerHeight_ = sourceHeight;
  scalerShiftX_ = planes_.chromaShiftX;
  scalerShiftY_ = planes_.chromaShiftY;
  return true;
}

AvFramePtr JpegFrameScaler::Scale(const std::uint8_t* bytes, std::size_t length, AvFramePtr reuse) {
  if (!DecodeJpegPlanes(bytes, length, planes_)) return nullptr;
  const int cut = layout_.TopCutRows(planes_.height);
  const int chromaCut = cut >> planes_.chromaShiftY;
  if (cut < 0 || cut >= planes_.height || (chromaCut << planes_.chromaShiftY) != cut) return nullptr;
  if (!PrepareScaler(planes_.height - cut)) return nullptr;
  AvFramePtr frame = std::move(reuse);
  if (frame == nullptr || av_frame_make_writable(frame.get()) < 0) {
    frame.reset(av_frame_alloc());
    if (frame == nullptr) return nullptr;
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width_;
    frame->height = height_;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
  }
  const std::uint8_t* source[3];
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = plane == 0 ? cut : chromaCut;
    source[plane] = planes_.planes[plane] + static_cast<std::size_t>(rows) * planes_.strides[plane];
  }
  sws_scale(scaler_, source, planes_.strides, 0, planes_.height - cut, frame->data, frame->linesize);
  return frame;
}

}  // namespace selvo
