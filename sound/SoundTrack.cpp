#include "sound/SoundTrack.h"

#include "sound/AlsaAudioOutput.h"
#include "sound/SilentAudioOutput.h"

namespace selvo {

SoundTrack::SoundTrack(Notifier& notifier)
    : SoundTrack(notifier, std::make_unique<AlsaAudioOutput>(),
                 std::make_unique<SilentAudioOutput>(AudioClock::Steady()), AudioClock::Steady()) {}

SoundTrack::SoundTrack(Notifier& notifier, std::unique_ptr<AudioOutput> device,
                       std::unique_ptr<AudioOutput> fallback, const AudioClock& clock)
    : notifier_(notifier), pcm_(std::move(device), std::move(fallback), clock) {}

SoundTrack::~SoundTrack() {
  Close();
  mp3_.reset();
}

int SoundTrack::Open(const std::string& folder) {
  Close();
  mp3_.reset();
  kind_ = FindSoundFile(folder, path_);
  switch (kind_) {
    case kWaveSound:
      return OpenWave();
    case kMp3Sound:
      return OpenMp3();
    default:
      return 0;
  }
}

int SoundTrack::OpenWave() {
  open_ = pcm_.Open(path_);
  return open_ ? 1 : 0;
}

int SoundTrack::OpenMp3() {
  mp3_ = std::make_unique<Mp3Player>(pcm_, notifier_);
  open_ = mp3_->Create(path_) != 0;
  if (!open_) mp3_.reset();
  return open_ ? 1 : 0;
}

int SoundTrack::Play(std::int64_t offsetMs, int channelMask) {
  if (!open_) return 0;
  const int played = kind_ == kMp3Sound ? mp3_->PlayFrom(offsetMs, channelMask) : WavePlay(offsetMs);
  if (played) lastCommand_ = kCommandPlay;
  return played;
}

int SoundTrack::WavePlay(std::int64_t offsetMs) {
  // A wave file always plays every channel it has.
  pcm_.SetPan(ChannelPan::kBoth);
  return pcm_.SeekMs(offsetMs) && pcm_.Run(false) ? 1 : 0;
}

int SoundTrack::Pause() {
  if (!open_) return 0;
  int paused = 1;
  if (kind_ == kMp3Sound)
    paused = mp3_->Pause();
  else
    pcm_.Halt();
  if (paused) lastCommand_ = kCommandPause;
  return paused;
}

int SoundTrack::Stop() {
  if (!open_) return 0;
  const int stopped = kind_ == kMp3Sound ? mp3_->Stop() : (pcm_.SeekFrame(0) ? 1 : 0);
  if (stopped) lastCommand_ = kCommandStop;
  return stopped;
}

int SoundTrack::Close() {
  if (!open_) return 0;
  if (kind_ == kMp3Sound)
    mp3_->Close();
  else
    pcm_.Close();
  open_ = false;
  return 1;
}

int SoundTrack::SeekToStart() {
  if (!open_) return 0;
  if (kind_ == kMp3Sound) return mp3_->Rewind();
  return pcm_.SeekFrame(0) ? 1 : 0;
}

int SoundTrack::SeekToEnd() {
  if (!open_) return 0;
  if (kind_ == kMp3Sound) return mp3_->SeekToEnd();
  return pcm_.SeekFrame(pcm_.FrameCount()) ? 1 : 0;
}

std::int64_t SoundTrack::GetLength() {
  if (!open_) return 0;
  if (kind_ == kMp3Sound) return mp3_->SeekToEnd() ? mp3_->GetPosition() : 0;
  return WaveLength();
}

std::int64_t SoundTrack::WaveLength() {
  if (!SeekToEnd()) return 0;
  const std::int64_t length = GetPosition();
  return SeekToStart() ? length : 0;
}

std::int64_t SoundTrack::GetPosition() const {
  if (!open_) return 0;
  return kind_ == kMp3Sound ? mp3_->GetPosition() : pcm_.PositionMs();
}

}  // namespace selvo
