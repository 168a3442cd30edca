#include "source/StreamCheck.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace selvo {

void StreamCheck::Note() {
  if (error_ == 0 && std::ferror(stream_)) error_ = errno != 0 ? errno : EIO;
}

int StreamCheck::Finish() {
  Note();
  errno = 0;
  if (std::fflush(stream_) != 0 && error_ == 0) error_ = errno != 0 ? errno : EIO;
  Note();
  return error_;
}

bool OpenClosedStandardStreams() {
  bool outputOpen = true;
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (fd == STDOUT_FILENO) outputOpen = false;
    // open takes the lowest free number, which is this one.
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened != fd && opened >= 0) ::close(opened);
  }
  return outputOpen;
}

}  // namespace selvo

namespace selvo {

int FinishStandardOutput(const char* program, int exitCode, int failureCode, int notedError) {
  StreamCheck check(stdout);
  int error = check.Finish();
  if (notedError != 0) error = notedError;
  if (error == 0) return exitCode;
  std::fprintf(stderr, "%s: standard output: %s\n", program, std::strerror(error));
  return failureCode;
}

}  // namespace selvo
