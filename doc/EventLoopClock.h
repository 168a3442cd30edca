#pragma once
// The real play clock: a steady millisecond count, and waits that sleep in
// the Qt event loop with a precise single-shot timer as the wake-up.
#include <QTimer>

#include "doc/PlaybackClock.h"

namespace selvo {

class EventLoopClock : public PlaybackClock {
 public:
  EventLoopClock();

  std::int64_t NowMs() override;
  void HandlePendingEvents() override;
  void WaitForEventsUntil(std::int64_t dueMs) override;

 private:
  QTimer wakeUp_;
};

}  // namespace selvo
