#pragma once
// The sound card through ALSA's "default" PCM, so sound reaches PulseAudio
// or PipeWire desktops as well as bare ALSA.
#include <atomic>
#include <cstdint>

#include "sound/AudioOutput.h"

namespace selvo {

class AlsaAudioOutput : public AudioOutput {
 public:
  AlsaAudioOutput() = default;
  ~AlsaAudioOutput() override;
  AlsaAudioOutput(const AlsaAudioOutput&) = delete;
  AlsaAudioOutput& operator=(const AlsaAudioOutput&) = delete;

  bool Start(int sampleRate, int channels) override;
  std::int64_t Write(const std::int16_t* interleaved, std::int64_t frameCount) override;
  void EndOfStream() override;
  std::int64_t DelayFrames() override;
  void Interrupt() override;
  void Stop() override;

  // Keeps the library's own diagnostics off stderr: a machine without a
  // sound card is normal here, and the fallback is reported once instead.
  static void SilenceLibraryMessages();

  // Whether the machine has any sound card at all; cheap, opens no device.
  static bool HasSoundCard();

  // Why the last Start failed; empty after a good one.
  const char* LastError() const { return lastError_; }

 private:
  void* pcm_ = nullptr;  // snd_pcm_t*, opaque so users need no ALSA headers
  int channels_ = 0;
  std::atomic<bool> interrupted_{false};
  const char* lastError_ = "";
};

}  // namespace selvo
