#pragma once
// An output that hears nothing but keeps time: queued frames count as heard
// as the clock advances, so sound-paced playback still runs without a device.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "sound/AudioClock.h"
#include "sound/AudioOutput.h"

namespace selvo {

class SilentAudioOutput : public AudioOutput {
 public:
  explicit SilentAudioOutput(const AudioClock& clock);

  bool Start(int sampleRate, int channels) override;
  std::int64_t Write(const std::int16_t* interleaved, std::int64_t frameCount) override;
  void EndOfStream() override {}
  std::int64_t DelayFrames() override;
  void Interrupt() override;
  void Stop() override;

 private:
  std::int64_t HeardFramesLocked(std::int64_t nowUs) const;
  std::int64_t BufferFrames() const;

  const AudioClock& clock_;
  std::atomic<bool> interrupted_{false};
  mutable std::mutex mutex_;
  int sampleRate_ = 0;
  std::int64_t written_ = 0;
  std::int64_t startUs_ = 0;  // when frame 0 was (or would have been) heard
};

}  // namespace selvo
