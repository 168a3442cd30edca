#pragma once
// An event that releases exactly one waiter per Set and then resets itself,
// the hand-shake between a worker thread and its progress dialog.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace selvo {

class AutoResetEvent {
 public:
  void Set();
  // True when the event was set within the time limit (and is now reset).
  bool Wait(std::chrono::milliseconds limit);
  void Reset();

 private:
  std::mutex mutex_;
  std::condition_variable signalled_;
  bool set_ = false;
};

}  // namespace selvo
