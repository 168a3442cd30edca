#include "source/FileWindow.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "source/Sha256.h"

namespace selvo {

FileWindow::FileWindow(int fd, std::size_t length, std::size_t pieceBytes, Sha256* hash,
                       const std::atomic<bool>* stop)
    : fd_(fd), length_(length), hash_(hash), stop_(stop),
      buffer_(std::max(pieceBytes, kMinSpan) + kLookBack) {}

void FileWindow::Fail(int error) {
  failed_ = true;
  error_ = error;
  filled_ = 0;
}

// One read of at most count bytes onto the end of the window.
bool FileWindow::ReadInto(std::size_t count) {
  if (failed_) return false;
  // A request to stop is honoured between two pieces, so a piece's read
  // bounds how long it waits.
  if (stop_ != nullptr && stop_->load(std::memory_order_relaxed)) {
    Fail(ECANCELED);
    return false;
  }
  ssize_t got;
  do {
    got = ::read(fd_, buffer_.data() + filled_, count);
  } while (got < 0 && errno == EINTR);
  if (got <= 0) {
    // A file that shrinks while it is read is no more read than one that fails.
    Fail(got == 0 ? EIO : errno);
    return false;
  }
  if (hash_ != nullptr) hash_->Add(buffer_.data() + filled_, static_cast<std::size_t>(got));
  filled_ += static_cast<std::size_t>(got);
  return true;
}

std::size_t FileWindow::Span(std::size_t pos, std::size_t want, const std::uint8_t*& at) {
  at = nullptr;
  if (failed_ || pos >= length_ || pos < base_) return 0;
  want = std::min({want, length_ - pos, buffer_.size() - kLookBack});
  if (pos + want > base_ + filled_) {
    const std::size_t keepFrom = std::max(base_, pos > kLookBack ? pos - kLookBack : 0);
    if (keepFrom >= base_ + filled_) {
      // Bytes skipped over are still read, so that the hash covers them.
      for (;;) {
        base_ += filled_;
        filled_ = 0;
        if (base_ == keepFrom) break;
        if (!ReadInto(std::min(buffer_.size(), keepFrom - base_))) return 0;
      }
    } else {
      const std::size_t kept = base_ + filled_ - keepFrom;
      std::memmove(buffer_.data(), buffer_.data() + (keepFrom - base_), kept);
      base_ = keepFrom;
      filled_ = kept;
    }
    while (pos + want > base_ + filled_) {
      if (!ReadInto(std::min(buffer_.size() - filled_, length_ - (base_ + filled_)))) return 0;
    }
  }
  at = buffer_.data() + (pos - base_);
  return base_ + filled_ - pos;
}

std::uint8_t FileWindow::At(std::size_t pos) {
  const std::uint8_t* at = nullptr;
  return Span(pos, 1, at) > 0 ? *at : 0;
}

bool FileWindow::Finish() {
  while (!failed_ && base_ + filled_ < length_) {
    base_ += filled_;
    filled_ = 0;
    ReadInto(std::min(buffer_.size(), length_ - base_));
  }
  if (failed_) errno = error_;
  return !failed_;
}

}  // namespace selvo
