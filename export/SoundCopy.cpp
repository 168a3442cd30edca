#include "export/SoundCopy.h"

#include <algorithm>
#include <limits>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "export/MediaOutput.h"

namespace selvo {

SoundCopy::~SoundCopy() {
  av_packet_free(&packet_);
  avformat_close_input(&input_);
}

bool SoundCopy::Open(const std::string& path, const SoundSpan& span, MediaOutput& output) {
  output_ = &output;
  int result = avformat_open_input(&input_, path.c_str(), nullptr, nullptr);
  if (result >= 0) result = avformat_find_stream_info(input_, nullptr);
  if (result >= 0) result = av_find_best_stream(input_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (result < 0) {
    error_ = path + ": the sound track cannot be read (" + AvErrorText(result) + ")";
    return false;
  }
  inputIndex_ = result;
  const AVStream* in = input_->streams[inputIndex_];
  const AVCodecParameters* par = in->codecpar;
  sampleRate_ = par->sample_rate;
  if (sampleRate_ <= 0) {
    error_ = path + ": the sound track gives no sample rate";
    return false;
  }
  blockAlign_ = par->block_align;
  pcm_ = blockAlign_ > 0 && av_get_exact_bits_per_sample(par->codec_id) > 0;
  spanStart_ = av_rescale(span.startMs, sampleRate_, 1000);
  spanEnd_ = std::numeric_limits<std::int64_t>::max();  // set by Finish

  stream_ = output.AddStream();
  packet_ = av_packet_alloc();
  if (stream_ == nullptr || packet_ == nullptr || avcodec_parameters_copy(stream_->codecpar, par) < 0) {
    error_ = path + ": out of memory";
    return false;
  }
  stream_->codecpar->codec_tag = 0;
  stream_->time_base = AVRational{1, sampleRate_};
  // A failed seek only means reading from the top and dropping more.
  if (spanStart_ > 0) {
    const std::int64_t seekTo = av_rescale_q(spanStart_, AVRational{1, sampleRate_}, in->time_base);
    av_seek_frame(input_, inputIndex_, seekTo, AVSEEK_FLAG_BACKWARD);
  }
  return true;
}

// The next packet of the track that has something inside the span, cut to
// it in packet_; false at the end of the track or of the span. A damaged
// track ends where it can no longer be read: the pictures still go out.
bool SoundCopy::ReadNext() {
  while (!ended_) {
    av_packet_unref(packet_);
    if (av_read_frame(input_, packet_) < 0) {
      ended_ = true;
      break;
    }
    if (packet_->stream_index != inputIndex_) continue;
    if (CutToSpan()) return true;
  }
  return false;
}

bool SoundCopy::CutToSpan() {
  const AVRational samples{1, sampleRate_};
  const AVRational inBase = input_->streams[inputIndex_]->time_base;
  const std::int64_t stamp = packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts;
  if (stamp == AV_NOPTS_VALUE) return false;
  const std::int64_t start = av_rescale_q(stamp, inBase, samples);
  if (start >= spanEnd_) {
    ended_ = true;
    return false;
  }
  std::int64_t from = start;
  std::int64_t to = start + av_rescale_q(packet_->duration, inBase, samples);
  if (pcm_) {
    to = start + packet_->size / blockAlign_;
    if (to <= spanStart_) return false;
    from = std::max(start, spanStart_);
    to = std::min(to, spanEnd_);
    packet_->data += (from - start) * blockAlign_;
    packet_->size = static_cast<int>((to - from) * blockAlign_);
  } else if (start < spanStart_) {
    return false;
  }
  pendingStart_ = from - spanStart_;
  packet_->pts = packet_->dts = pendingStart_;
  packet_->duration = std::max<std::int64_t>(0, to - from);
  packet_->stream_index = stream_->index;
  packet_->pos = -1;
  pendingMs_ = av_rescale(packet_->pts, 1000, sampleRate_);
  av_packet_rescale_ts(packet_, samples, stream_->time_base);
  return true;
}

bool SoundCopy::WriteUntil(std::int64_t videoMs) {
  for (;;) {
    if (!pending_) {
      if (!ReadNext()) return true;
      pending_ = true;
    }
    if (pendingMs_ >= videoMs) return true;
    pending_ = false;
    if (!output_->Write(packet_)) return false;
  }
}

bool SoundCopy::Finish(std::int64_t endMs) {
  if (input_ == nullptr) return true;
  spanEnd_ = spanStart_ + av_rescale(endMs, sampleRate_, 1000);
  if (pending_) {
    const std::int64_t end = spanEnd_ - spanStart_;
    if (pendingStart_ >= end) {
      pending_ = false;
      ended_ = true;
    } else if (pcm_) {
      const std::int64_t kept = std::min<std::int64_t>(end - pendingStart_, packet_->size / blockAlign_);
      packet_->size = static_cast<int>(kept * blockAlign_);
      packet_->duration = av_rescale_q(kept, AVRational{1, sampleRate_}, stream_->time_base);
    }
  }
  return WriteUntil(std::numeric_limits<std::int64_t>::max());
}

}  // namespace selvo
