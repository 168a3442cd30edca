#pragma once
// The sound track as the document and its forward play loop use it. The
// document opens the recording folder's sound with the sound engine's
// SoundTrack (sound/) and wraps it in one (SoundTrackPlayback); tests fake
// it to run late or ahead of the pictures.
#include <cstdint>

namespace selvo {

class PlaybackSound {
 public:
  virtual ~PlaybackSound() = default;

  // Starts playing at offsetMs; channelMask 1 left, 2 right, 3 both.
  virtual bool Play(std::int64_t offsetMs, int channelMask) = 0;
  virtual bool Pause() = 0;
  // Stops and rewinds.
  virtual bool Stop() = 0;
  virtual bool SeekToStart() = 0;
  virtual bool SeekToEnd() = 0;
  // Length and position heard, in milliseconds.
  virtual std::int64_t GetLength() = 0;
  virtual std::int64_t GetPosition() = 0;
  // The last Play found no sound device: time runs on, nothing is heard.
  virtual bool PlaysSilently() const { return false; }
};

}  // namespace selvo
