#include "source/FileDescriptor.h"

#include <unistd.h>

namespace selvo {

FileDescriptor::~FileDescriptor() { Close(); }

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.Release();
  }
  return *this;
}

bool FileDescriptor::Close() {
  if (fd_ < 0) return true;
  const int fd = fd_;
  fd_ = -1;
  return ::close(fd) == 0;
}

int FileDescriptor::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

}  // namespace selvo
