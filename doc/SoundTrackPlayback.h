#pragma once
// The recording folder's SoundTrack as the document and its play loop use it.
#include <memory>

#include "doc/PlaybackSound.h"

namespace selvo {

class SoundTrack;

class SoundTrackPlayback : public PlaybackSound {
 public:
  explicit SoundTrackPlayback(std::unique_ptr<SoundTrack> track);
  ~SoundTrackPlayback() override;

  bool Play(std::int64_t offsetMs, int channelMask) override;
  bool Pause() override;
  bool Stop() override;
  bool SeekToStart() override;
  bool SeekToEnd() override;
  std::int64_t GetLength() override;
  std::int64_t GetPosition() override;
  bool PlaysSilently() const override;

 private:
  std::unique_ptr<SoundTrack> track_;
};

}  // namespace selvo
