#pragma once
// The time base that sound playback measures itself against. Tests pass a
// clock they move by hand; the viewer uses the steady clock.
#include <cstdint>

namespace selvo {

class AudioClock {
 public:
  virtual ~AudioClock() = default;
  // Microseconds since an arbitrary fixed moment; never goes backwards.
  virtual std::int64_t NowMicroseconds() const = 0;

  // The process-wide clock over std::chrono::steady_clock.
  static const AudioClock& Steady();
};

}  // namespace selvo
