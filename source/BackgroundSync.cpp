#include "source/BackgroundSync.h"

#include <unistd.h>

#include <cerrno>

namespace selvo {

void BackgroundSync::Start(int fd) {
  if (running_.load()) return;
  if (thread_.joinable()) thread_.join();
  running_.store(true);
  thread_ = std::thread([this, fd] {
    if (::fdatasync(fd) != 0) {
      int none = 0;
      error_.compare_exchange_strong(none, errno != 0 ? errno : EIO);
    }
    running_.store(false);
  });
}

int BackgroundSync::Finish() {
  if (thread_.joinable()) thread_.join();
  return error_.exchange(0);
}

}  // namespace selvo
