#include "sound/SilentAudioOutput.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace selvo {
namespace {

// As much as a sound card would hold, so Write paces the decoder the same way.
constexpr std::int64_t kBufferMs = 100;
// How often a waiting Write looks at the clock again.
constexpr auto kWaitStep = std::chrono::milliseconds(2);

}  // namespace

SilentAudioOutput::SilentAudioOutput(const AudioClock& clock) : clock_(clock) {}

bool SilentAudioOutput::Start(int sampleRate, int channels) {
  if (sampleRate <= 0 || channels <= 0) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  sampleRate_ = sampleRate;
  written_ = 0;
  startUs_ = clock_.NowMicroseconds();
  interrupted_.store(false);
  return true;
}

std::int64_t SilentAudioOutput::BufferFrames() const { return kBufferMs * sampleRate_ / 1000; }

std::int64_t SilentAudioOutput::HeardFramesLocked(std::int64_t nowUs) const {
  const std::int64_t elapsed = std::max<std::int64_t>(0, nowUs - startUs_);
  return std::min(written_, elapsed * sampleRate_ / 1000000);
}

std::int64_t SilentAudioOutput::Write(const std::int16_t*, std::int64_t frameCount) {
  if (frameCount <= 0) return 0;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (sampleRate_ <= 0) return 0;
      // Frames that arrive late count as heard at once: the sink follows
      // the clock, not the writer.
      const std::int64_t heard = HeardFramesLocked(clock_.NowMicroseconds());
      if (written_ - heard + frameCount <= std::max(BufferFrames(), frameCount)) {
        written_ += frameCount;
        return frameCount;
      }
    }
    if (interrupted_.load()) return 0;
    std::this_thread::sleep_for(kWaitStep);
  }
}

std::int64_t SilentAudioOutput::DelayFrames() {
  std::lock_guard<std::mutex> lock(mutex_);
  return written_ - HeardFramesLocked(clock_.NowMicroseconds());
}

void SilentAudioOutput::Interrupt() { interrupted_.store(true); }

void SilentAudioOutput::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  written_ = 0;
  sampleRate_ = 0;
}

}  // namespace selvo
