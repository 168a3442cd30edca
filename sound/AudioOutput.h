#pragma once
// Where decoded sound goes: a device, a silent sink, or a test's recorder.
// Start, Stop and the destructor are called with no Write in progress; Write
// and DelayFrames come from the playback thread; Interrupt from any thread.
#include <cstdint>

namespace selvo {

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;

  // Prepares for interleaved signed 16-bit frames in this layout; false when
  // the output cannot be used (no device, device busy).
  virtual bool Start(int sampleRate, int channels) = 0;

  // Queues frames, waiting while the output's buffer is full. Returns how
  // many were queued: fewer than asked when interrupted or failed.
  virtual std::int64_t Write(const std::int16_t* interleaved, std::int64_t frameCount) = 0;

  // No more frames follow: play out what is queued even when it is too
  // little to have started the device.
  virtual void EndOfStream() = 0;

  // Frames queued but not yet heard.
  virtual std::int64_t DelayFrames() = 0;

  // Makes a waiting Write return at once; cleared by the next Start.
  virtual void Interrupt() = 0;

  // Throws away whatever is still queued and releases the device.
  virtual void Stop() = 0;
};

}  // namespace selvo
