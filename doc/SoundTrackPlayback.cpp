#include "doc/SoundTrackPlayback.h"

#include "sound/SoundTrack.h"

namespace selvo {

SoundTrackPlayback::SoundTrackPlayback(std::unique_ptr<SoundTrack> track) : track_(std::move(track)) {}
SoundTrackPlayback::~SoundTrackPlayback() = default;

bool SoundTrackPlayback::Play(std::int64_t offsetMs, int channelMask) { return track_->Play(offsetMs, channelMask) != 0; }
bool SoundTrackPlayback::Pause() { return track_->Pause() != 0; }
bool SoundTrackPlayback::Stop() { return track_->Stop() != 0; }
bool SoundTrackPlayback::SeekToStart() { return track_->SeekToStart() != 0; }
bool SoundTrackPlayback::SeekToEnd() { return track_->SeekToEnd() != 0; }
std::int64_t SoundTrackPlayback::GetLength() { return track_->GetLength(); }
std::int64_t SoundTrackPlayback::GetPosition() { return track_->GetPosition(); }
bool SoundTrackPlayback::PlaysSilently() const { return track_->PlaysSilently(); }

}  // namespace selvo
