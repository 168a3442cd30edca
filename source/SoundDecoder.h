#pragma once
// Decodes a recording's sound file (WAV or MP3) to 16-bit frames and seeks
// by frame. The player and the tools share it; it has no notion of output.
#include <cstdint>
#include <string>

namespace selvo {

class SoundDecoder {
 public:
  SoundDecoder() = default;
  ~SoundDecoder();
  SoundDecoder(const SoundDecoder&) = delete;
  SoundDecoder& operator=(const SoundDecoder&) = delete;

  // false (with ErrorText) when the file is missing, is no regular file
  // (never waited on when it is a FIFO), is empty, or is not a sound file
  // the library can decode.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  int SampleRate() const { return sampleRate_; }
  int Channels() const { return channels_; }
  std::int64_t FrameCount() const { return frames_; }
  std::int64_t LengthMs() const;

  bool SeekFrame(std::int64_t frame);
  // Reads up to frameCount interleaved frames; returns the frames read.
  std::int64_t ReadFrames(std::int16_t* interleaved, std::int64_t frameCount);

  const std::string& ErrorText() const { return error_; }

 private:
  void* file_ = nullptr;  // SNDFILE*, kept opaque so users need no libsndfile headers
  int fd_ = -1;  // the file the library reads; ours to close
  int sampleRate_ = 0;
  int channels_ = 0;
  std::int64_t frames_ = 0;
  std::string error_;
};

}  // namespace selvo
