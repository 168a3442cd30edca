#pragma once
// The sound track of an open recording folder: finds sound.wav or sound.mp3,
// plays it from a millisecond offset on a playback thread, and reports how
// far the listener has got, so pictures can be paced by it.
#include <cstdint>
#include <memory>
#include <string>

#include "source/Notifier.h"
#include "source/SoundFile.h"
#include "sound/AudioClock.h"
#include "sound/AudioOutput.h"
#include "sound/Mp3Player.h"
#include "sound/PcmPlayer.h"

namespace selvo {

class SoundTrack {
 public:
  // The last successful transport command, in the numbers the rest of the
  // viewer knows them by.
  static constexpr std::uint16_t kCommandPlay = 0x806;
  static constexpr std::uint16_t kCommandStop = 0x808;
  static constexpr std::uint16_t kCommandPause = 0x809;

  // Plays through the sound card; without one, into a silent sink that
  // keeps time on the steady clock.
  explicit SoundTrack(Notifier& notifier);
  // Plays into device, or into fallback (may be null) when device cannot
  // start; clock paces the position between device reports. The clock must
  // outlive the track.
  SoundTrack(Notifier& notifier, std::unique_ptr<AudioOutput> device, std::unique_ptr<AudioOutput> fallback,
             const AudioClock& clock);
  ~SoundTrack();
  SoundTrack(const SoundTrack&) = delete;
  SoundTrack& operator=(const SoundTrack&) = delete;

  // Finds and opens the folder's sound file; nonzero when it is open.
  int Open(const std::string& folder);

  // Transport: nonzero for success; all fail when nothing is open.
  // channelMask (1 left, 2 right, 3 both) is used by MP3 files only.
  int Play(std::int64_t offsetMs, int channelMask);
  int Pause();
  int Stop();  // also rewinds
  int Close();
  int SeekToStart();
  int SeekToEnd();
  // Length in ms, 0 on failure. A wave file is left at its start, an MP3
  // file at its (whole-second) end.
  std::int64_t GetLength();
  // The position heard, in ms; cheap enough to poll while playing.
  std::int64_t GetPosition() const;

  bool IsOpen() const { return open_; }
  // The last Play found no sound device and plays into the silent sink.
  bool PlaysSilently() const { return pcm_.PlaysSilently(); }
  SoundKind Kind() const { return kind_; }
  const std::string& Path() const { return path_; }
  std::uint16_t LastCommand() const { return lastCommand_; }

 private:
  int OpenWave();
  int OpenMp3();
  int WavePlay(std::int64_t offsetMs);
  std::int64_t WaveLength();

  Notifier& notifier_;
  PcmPlayer pcm_;
  std::unique_ptr<Mp3Player> mp3_;
  std::string path_;
  bool open_ = false;
  std::uint16_t lastCommand_ = kCommandStop;
  SoundKind kind_ = kNoSound;
};

}  // namespace selvo
