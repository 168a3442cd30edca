#include "source/SoundDecoder.h"

#include <sndfile.h>

namespace selvo {

SoundDecoder::~SoundDecoder() { Close(); }

bool SoundDecoder::Open(const std::string& path) {
  Close();
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    error_ = sf_strerror(nullptr);
    return false;
  }
  if (info.samplerate <= 0 || info.channels <= 0) {
    sf_close(file);
    error_ = "no sound in the file";
    return false;
  }
  file_ = file;
  sampleRate_ = info.samplerate;
  channels_ = info.channels;
  frames_ = info.frames;
  error_.clear();
  return true;
}

void SoundDecoder::Close() {
  if (file_ != nullptr) sf_close(static_cast<SNDFILE*>(file_));
  file_ = nullptr;
  sampleRate_ = channels_ = 0;
  frames_ = 0;
}

std::int64_t SoundDecoder::LengthMs() const {
  if (sampleRate_ <= 0) return 0;
  return frames_ * 1000 / sampleRate_;
}

bool SoundDecoder::SeekFrame(std::int64_t frame) {
  if (file_ == nullptr) return false;
  return sf_seek(static_cast<SNDFILE*>(file_), frame, SEEK_SET) >= 0;
}

std::int64_t SoundDecoder::ReadFrames(std::int16_t* interleaved, std::int64_t frameCount) {
  if (file_ == nullptr || frameCount <= 0) return 0;
  return sf_readf_short(static_cast<SNDFILE*>(file_), interleaved, frameCount);
}

}  // namespace selvo
