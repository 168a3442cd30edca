#include "doc/AutoResetEvent.h"

namespace selvo {

void AutoResetEvent::Set() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    set_ = true;
  }
  signalled_.notify_one();
}

bool AutoResetEvent::Wait(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!signalled_.wait_for(lock, limit, [this] { return set_; })) return false;
  set_ = false;
  return true;
}

void AutoResetEvent::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  set_ = false;
}

}  // namespace selvo
