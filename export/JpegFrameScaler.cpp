#include "export/JpegFrameScaler.h"

extern "C" {
#include <libavutil/frame.h>
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
  const AVPixelFormat format = PlanarFormat(planes_.chromaShiftX, planes_.chromaShiftY);
  // Bicubic, as FFmpeg's own scale filter: the sharper picture for the
  // same time as bilinear on planes.
  scaler_ = format == AV_PIX_FMT_NONE ? nullptr
                                      : sws_getContext(planes_.width, sourceHeight, format, width_, height_,
                                                       AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (scaler_ == nullptr) return false;
  // JFIF's YCbCr is BT.601 in full range; the video is BT.601 in limited
  // range, as the stream's tags say.
  const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
  sws_setColorspaceDetails(scaler_, bt601, 1, bt601, 0, 0, 1 << 16, 1 << 16);
  scalerWidth_ = planes_.width;
  scalerHeight_ = sourceHeight;
  scalerShiftX_ = planes_.chromaShiftX;
  scalerShiftY_ = planes_.chromaShiftY;
  return true;
}

AvFramePtr JpegFrameScaler::Scale(const std::uint8_t* bytes, std::size_t length) {
  if (!DecodeJpegPlanes(bytes, length, planes_)) return nullptr;
  const int cut = layout_.TopCutRows(planes_.height);
  const int chromaCut = cut >> planes_.chromaShiftY;
  if (cut < 0 || cut >= planes_.height || (chromaCut << planes_.chromaShiftY) != cut) return nullptr;
  if (!PrepareScaler(planes_.height - cut)) return nullptr;
  AvFramePtr frame(av_frame_alloc());
  if (frame == nullptr) return nullptr;
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = width_;
  frame->height = height_;
  if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
  const std::uint8_t* source[3];
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = plane == 0 ? cut : chromaCut;
    source[plane] = planes_.planes[plane] + static_cast<std::size_t>(rows) * planes_.strides[plane];
  }
  sws_scale(scaler_, source, planes_.strides, 0, planes_.height - cut, frame->data, frame->linesize);
  return frame;
}

}  // namespace selvo
