#pragma once
// Plays an MP3 sound track with a choice of speaker side. Every failure is
// shown to the user through the Notifier, in the player's fixed English
// texts; the caller's PcmPlayer does the decoding and playing.
#include <cstdint>
#include <string>

#include "source/Notifier.h"
#include "sound/PcmPlayer.h"

namespace selvo {

class Mp3Player {
 public:
  Mp3Player(PcmPlayer& pcm, Notifier& notifier) : pcm_(pcm), notifier_(notifier) {}
  ~Mp3Player();
  Mp3Player(const Mp3Player&) = delete;
  Mp3Player& operator=(const Mp3Player&) = delete;

  // Each returns nonzero for success.
  int Create(const std::string& path);
  int Close();
  // To the last whole second of the track.
  int SeekToEnd();
  int Rewind();
  int Seek(std::int64_t ms);
  // Stops and rewinds.
  int Stop();
  int Pause();
  int PlayFromStart(int channel);
  int PlayFrom(std::int64_t ms, int channel);
  // Heard position in ms.
  std::int64_t GetPosition() const;
  // 1 left only, 2 right only, 3 both; anything else is refused.
  int SetChannel(int channel);

 private:
  int Fail(const char* text);

  PcmPlayer& pcm_;
  Notifier& notifier_;
  bool created_ = false;
};

}  // namespace selvo
