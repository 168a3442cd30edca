#include "source/SoundDecoder.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "source/FileBytes.h"
#include "source/FileDescriptor.h"

namespace selvo {
namespace {

// Opens path for reading when it is a regular file with something in it;
// -1 with the reason in error otherwise. A FIFO is neither waited on nor read.
int OpenSoundBytes(const std::string& path, std::string& error) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat status {};
  if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    error = FileReadProblem(path);
    if (error.empty()) error = "cannot be read";
    return -1;
  }
  if (status.st_size == 0) {
    error = "an empty file";
    return -1;
  }
  const int flags = ::fcntl(file.Get(), F_GETFL);
  if (flags < 0 || ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    error = std::strerror(errno);
    return -1;
  }
  return file.Release();
}

}  // namespace

SoundDecoder::~SoundDecoder() { Close(); }

bool SoundDecoder::Open(const std::string& path) {
  Close();
  const int fd = OpenSoundBytes(path, error_);
  if (fd < 0) return false;
  SF_INFO info{};
  // The library is not given the descriptor to close: whether it closes it
  // on a failed open differs between its versions.
  FileDescriptor descriptor(fd);
  SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_FALSE);
  if (file == nullptr) {
    error_ = sf_strerror(nullptr);
    return false;
  }
  if (info.samplerate <= 0 || info.channels <= 0) {
    sf_close(file);
    error_ = info.channels <= 0 ? "no sound channels in the file" : "a sample rate of 0";
    return false;
  }
  file_ = file;
  fd_ = descriptor.Release();
  sampleRate_ = info.samplerate;
  channels_ = info.channels;
  frames_ = info.frames;
  error_.clear();
  return true;
}

void SoundDecoder::Close() {
  if (file_ != nullptr) sf_close(static_cast<SNDFILE*>(file_));
  file_ = nullptr;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
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
