#include "export/AacSound.h"

#include <algorithm>
#include <limits>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include "export/MediaOutput.h"

namespace selvo {

namespace {

constexpr std::int64_t kBitRatePerChannel = 64000;

}  // namespace

AacSound::~AacSound() {
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  avcodec_free_context(&codec_);
}

bool AacSound::Open(const std::string& path, const SoundSpan& span, MediaOutput& output) {
  output_ = &output;
  if (!decoder_.Open(path)) {
    error_ = path + ": " + decoder_.ErrorText();
    return false;
  }
  const int rate = decoder_.SampleRate();
  const int channels = decoder_.Channels();
  const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
  codec_ = aac != nullptr ? avcodec_alloc_context3(aac) : nullptr;
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (codec_ == nullptr || frame_ == nullptr || packet_ == nullptr || channels < 1 || channels > 2) {
    error_ = path + ": the sound track cannot be encoded to AAC";
    return false;
  }
  codec_->sample_fmt = AV_SAMPLE_FMT_FLTP;
  codec_->sample_rate = rate;
  av_channel_layout_default(&codec_->ch_layout, channels);
  codec_->bit_rate = kBitRatePerChannel * channels;
  codec_->time_base = AVRational{1, rate};
  if (output.NeedsGlobalHeader()) codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  const int result = avcodec_open2(codec_, aac, nullptr);
  if (result < 0) {
    error_ = path + ": AAC cannot carry " + std::to_string(rate) + " Hz sound (" + AvErrorText(result) + ")";
    return false;
  }
  // Only now: a stream left without parameters would spoil the header.
  stream_ = output.AddStream();
  if (stream_ == nullptr || avcodec_parameters_from_context(stream_->codecpar, codec_) < 0) {
    error_ = path + ": out of memory";
    return false;
  }
  stream_->time_base = codec_->time_base;

  frame_->nb_samples = codec_->frame_size;
  frame_->format = codec_->sample_fmt;
  frame_->sample_rate = rate;
  av_channel_layout_copy(&frame_->ch_layout, &codec_->ch_layout);
  if (av_frame_get_buffer(frame_, 0) < 0) {
    error_ = path + ": out of memory";
    return false;
  }
  samples_.resize(static_cast<std::size_t>(codec_->frame_size) * static_cast<std::size_t>(channels));
  const std::int64_t first = av_rescale(span.startMs, rate, 1000);
  lead_ = std::max<std::int64_t>(0, -first);
  remaining_ = std::max<std::int64_t>(0, decoder_.FrameCount() - std::max<std::int64_t>(0, first));
  if (first > 0 && !decoder_.SeekFrame(first)) remaining_ = 0;
  return true;
}

// One encoder frame from the track; the last of the span may be shorter.
// false when the encoder refuses it.
bool AacSound::EncodeFrame() {
  const int channels = decoder_.Channels();
  const std::int64_t want = std::min<std::int64_t>(codec_->frame_size, remaining_);
  std::int64_t got = want > 0 ? decoder_.ReadFrames(samples_.data(), want) : 0;
  got = std::max<std::int64_t>(0, got);
  remaining_ = got < want ? 0 : remaining_ - got;
  if (got == 0) return true;
  if (av_frame_make_writable(frame_) < 0) return false;
  for (int c = 0; c < channels; ++c) {
    auto* plane = reinterpret_cast<float*>(frame_->data[c]);
    for (std::int64_t i = 0; i < got; ++i) {
      plane[i] = static_cast<float>(samples_[static_cast<std::size_t>(i * channels + c)]) / 32768.0f;
    }
  }
  frame_->nb_samples = static_cast<int>(got);
  frame_->pts = lead_ + written_;
  written_ += frame_->nb_samples;
  return output_->Encode(codec_, frame_, stream_, packet_);
}

bool AacSound::WriteUntil(std::int64_t videoMs) {
  const std::int64_t until = av_rescale(videoMs, decoder_.SampleRate(), 1000) - lead_;
  while (remaining_ > 0 && written_ < until) {
    if (!EncodeFrame()) return false;
  }
  return true;
}

bool AacSound::Finish(std::int64_t endMs) {
  if (codec_ == nullptr) return true;
  const std::int64_t end = av_rescale(endMs, decoder_.SampleRate(), 1000) - lead_;
  remaining_ = std::max<std::int64_t>(0, std::min(remaining_, end - written_));
  while (remaining_ > 0) {
    if (!EncodeFrame()) return false;
  }
  return output_->Encode(codec_, nullptr, stream_, packet_);
}

}  // namespace selvo
