#include "export/H264Video.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "export/MediaOutput.h"

namespace selvo {

H264Video::~H264Video() {
  sws_freeContext(convert_);
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  av_frame_free(&last_);
  avcodec_free_context(&codec_);
}

bool H264Video::Open(const H264Settings& settings, MediaOutput& output) {
  output_ = &output;
  const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
  if (x264 == nullptr) {
    error_ = "this FFmpeg has no libx264 encoder";
    return false;
  }
  codec_ = avcodec_alloc_context3(x264);
  frame_ = av_frame_alloc();
  last_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  stream_ = output.AddStream();
  convert_ = sws_getContext(settings.width, settings.height, AV_PIX_FMT_BGR0, settings.width, settings.height,
                            AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (codec_ == nullptr || frame_ == nullptr || last_ == nullptr || packet_ == nullptr || stream_ == nullptr ||
      convert_ == nullptr) {
    error_ = "out of memory";
    return false;
  }
  codec_->width = settings.width;
  codec_->height = settings.height;
  codec_->pix_fmt = AV_PIX_FMT_YUV420P;
  codec_->time_base = AVRational{1, 1000};
  codec_->framerate = AVRational{settings.framesPerSecond, 1};
  codec_->thread_count = settings.threads;
  // JFIF's YCbCr is BT.601; the painted frames are converted with its
  // matrix too (the scaler's own choice for RGB, into limited range).
  // Primaries and transfer are those of the same standard.
  codec_->color_range = AVCOL_RANGE_MPEG;
  codec_->colorspace = AVCOL_SPC_SMPTE170M;
  codec_->color_primaries = AVCOL_PRI_SMPTE170M;
  codec_->color_trc = AVCOL_TRC_SMPTE170M;
  // Without B-frames every picture is decoded when it is shown: no
  // composition offsets, which the MP4 reader loses past 2^28 ticks, so a
  // night's gap between two pictures costs nothing.
  codec_->max_b_frames = 0;
  if (output.NeedsGlobalHeader()) codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  av_opt_set(codec_->priv_data, "preset", settings.preset, 0);
  av_opt_set_int(codec_->priv_data, "crf", settings.crf, 0);
  int result = avcodec_open2(codec_, x264, nullptr);
  if (result >= 0) result = avcodec_parameters_from_context(stream_->codecpar, codec_);
  if (result < 0) {
    error_ = "the H.264 encoder cannot be started (" + AvErrorText(result) + ")";
    return false;
  }
  stream_->time_base = codec_->time_base;

  frame_->format = codec_->pix_fmt;
  frame_->width = settings.width;
  frame_->height = settings.height;
  if (av_frame_get_buffer(frame_, 0) < 0) {
    error_ = "out of memory";
    return false;
  }
  canvas_.width = settings.width;
  canvas_.height = settings.height;
  canvas_.stride = settings.width * 4;
  pixels_.assign(static_cast<std::size_t>(canvas_.stride) * static_cast<std::size_t>(settings.height), 0);
  canvas_.pixels = pixels_.data();
  return true;
}

bool H264Video::EncodeCanvas(std::int64_t ms) {
  if (av_frame_make_writable(frame_) < 0) return false;
  const std::uint8_t* source[1] = {canvas_.pixels};
  const int sourceStride[1] = {canvas_.stride};
  sws_scale(convert_, source, sourceStride, 0, canvas_.height, frame_->data, frame_->linesize);
  return EncodeFrame(frame_, ms);
}

bool H264Video::EncodeFrame(AVFrame* frame, std::int64_t ms) {
  if (!HoldAcrossLongStep(ms)) return false;
  frame->pts = ms;
  frame->color_range = AVCOL_RANGE_MPEG;
  frame->colorspace = AVCOL_SPC_SMPTE170M;
  if (lastMs_ >= 0) durations_[lastMs_] = ms - lastMs_;
  lastMs_ = ms;
  av_frame_unref(last_);
  if (av_frame_ref(last_, frame) < 0) return false;
  return Encode(frame);
}

// MP4 keeps each step between pictures below 2^31 - 1 of its track's ticks
// (24.8 days of milliseconds). A longer pause between two stamps, which a 32-bit
// stamp can make, shows the last picture again at the end of that span:
// the picture stands through the whole pause and every time stays exact.
bool H264Video::HoldAcrossLongStep(std::int64_t ms) {
  while (lastMs_ >= 0 && ms - lastMs_ > kLongestStepMs) {
    const std::int64_t heldMs = lastMs_ + kLongestStepMs;
    last_->pts = heldMs;
    durations_[lastMs_] = kLongestStepMs;
    lastMs_ = heldMs;
    if (!Encode(last_)) return false;
  }
  return true;
}

bool H264Video::Encode(const AVFrame* frame) {
  return output_->Encode(codec_, frame, stream_, packet_, [this](AVPacket& packet) { SetDuration(packet); });
}

void H264Video::SetDuration(AVPacket& packet) {
  const auto known = durations_.find(packet.pts);
  if (known == durations_.end()) return;
  packet.duration = known->second;
  durations_.erase(known);
}

bool H264Video::Finish(std::int64_t endMs) {
  if (lastMs_ >= 0) durations_[lastMs_] = std::min(endMs - lastMs_, kLongestStepMs);
  return Encode(nullptr);
}

}  // namespace selvo
