#include "doc/PlaybackState.h"

#include "doc/EventLoopClock.h"
#include "doc/PlaybackClock.h"
#include "doc/PlaybackSound.h"

namespace selvo {

PlaybackState::PlaybackState() = default;
PlaybackState::~PlaybackState() = default;

PlaybackClock& PlaybackState::Clock() {
  if (clock_) return *clock_;
  if (!ownClock_) ownClock_ = std::make_unique<EventLoopClock>();
  return *ownClock_;
}

void PlaybackState::SetSound(std::unique_ptr<PlaybackSound> sound, int hasSound) {
  sound_ = std::move(sound);
  hasSound_ = sound_ ? hasSound : 0;
}

void PlaybackState::Pause() {
  resume_ = playing_;
  if (IsPlaying()) stopRequested_ = true;
}

PlaybackState::State PlaybackState::TakeRestartAfterLoop() {
  const State restart = restartAfterLoop_;
  restartAfterLoop_ = State::Idle;
  return restart;
}

}  // namespace selvo
