#pragma once
// The shareable export's sound: the track decoded to 16-bit frames, cut to
// the pictures' span and encoded to AAC with libavcodec's own encoder.
#include <cstdint>
#include <string>
#include <vector>

#include "export/ExportSound.h"
#include "source/SoundDecoder.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace selvo {

class MediaOutput;

class AacSound : public ExportSound {
 public:
  AacSound() = default;
  ~AacSound() override;
  AacSound(const AacSound&) = delete;
  AacSound& operator=(const AacSound&) = delete;

  // false with ErrorText when the track cannot be decoded or its rate and
  // channels cannot be encoded.
  bool Open(const std::string& path, const SoundSpan& span, MediaOutput& output);
  const std::string& ErrorText() const { return error_; }

  bool WriteUntil(std::int64_t videoMs) override;
  bool Finish(std::int64_t endMs) override;

 private:
  bool EncodeFrame();

  SoundDecoder decoder_;
  AVCodecContext* codec_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVStream* stream_ = nullptr;
  MediaOutput* output_ = nullptr;
  std::vector<std::int16_t> samples_;
  std::int64_t written_ = 0;    // frames handed to the encoder
  std::int64_t lead_ = 0;       // frames of silence before the track's first, when the pictures start earlier
  std::int64_t remaining_ = 0;  // frames of the span not yet read
  std::string error_;
};

}  // namespace selvo
