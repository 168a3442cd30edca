#pragma once
// The lossless export's sound: the track's packets copied as they are
// (PCM stays PCM, MP3 stays MP3) and cut to the pictures' span. PCM is cut
// to the sample; a compressed track to whole packets starting in the span.
#include <cstdint>
#include <string>

#include "export/ExportSound.h"

struct AVFormatContext;
struct AVPacket;
struct AVStream;

namespace selvo {

class MediaOutput;

class SoundCopy : public ExportSound {
 public:
  SoundCopy() = default;
  ~SoundCopy() override;
  SoundCopy(const SoundCopy&) = delete;
  SoundCopy& operator=(const SoundCopy&) = delete;

  // Opens the sound file and adds its stream to output; false with
  // ErrorText when the file cannot be demuxed.
  bool Open(const std::string& path, const SoundSpan& span, MediaOutput& output);
  const std::string& ErrorText() const { return error_; }

  bool WriteUntil(std::int64_t videoMs) override;
  bool Finish(std::int64_t endMs) override;

 private:
  bool ReadNext();
  bool WritePending();
  bool CutToSpan();

  AVFormatContext* input_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVStream* stream_ = nullptr;
  MediaOutput* output_ = nullptr;
  int inputIndex_ = -1;
  bool pcm_ = false;
  int sampleRate_ = 0;
  int blockAlign_ = 0;
  std::int64_t spanStart_ = 0;  // in samples of the track
  std::int64_t spanEnd_ = 0;
  bool pending_ = false;        // packet_ holds a cut packet not yet written
  std::int64_t pendingMs_ = 0;
  std::int64_t pendingStart_ = 0;  // in samples from the span's start
  bool ended_ = false;
  std::string error_;
};

}  // namespace selvo
