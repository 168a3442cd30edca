#pragma once
// The time base of the play loops and the way they wait for the next step.
// The loops run nested in the user-interface thread: waiting means handling
// window events until the due time, never sleeping past an event. Tests
// replace the clock with one whose time they drive.
#include <cstdint>

namespace selvo {

class PlaybackClock {
 public:
  virtual ~PlaybackClock() = default;

  // Milliseconds on a monotonic clock; only differences matter.
  virtual std::int64_t NowMs() = 0;
  // Handles every event that is already waiting, without blocking.
  virtual void HandlePendingEvents() = 0;
  // Blocks in the event loop until dueMs has come or some event was
  // handled, whichever is first; returns at once when dueMs has passed.
  // Costs no processor time while nothing happens.
  virtual void WaitForEventsUntil(std::int64_t dueMs) = 0;
};

}  // namespace selvo
