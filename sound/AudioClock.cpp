#include "sound/AudioClock.h"

#include <chrono>

namespace selvo {
namespace {

class SteadyAudioClock : public AudioClock {
 public:
  std::int64_t NowMicroseconds() const override {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
  }
};

}  // namespace

const AudioClock& AudioClock::Steady() {
  static const SteadyAudioClock clock;
  return clock;
}

}  // namespace selvo
