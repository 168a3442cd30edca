#include "doc/PlaybackEngine.h"

#include "doc/EventLoopClock.h"
#include "doc/PlaybackClock.h"
#include "doc/PlaybackSound.h"

namespace selvo {

PlaybackEngine::PlaybackEngine() = default;
PlaybackEngine::~PlaybackEngine() = default;

PlaybackClock& PlaybackEngine::Clock() {
  if (clock_) return *clock_;
  if (!ownClock_) ownClock_ = std::make_unique<EventLoopClock>();
  return *ownClock_;
}

void PlaybackEngine::SetSound(std::unique_ptr<PlaybackSound> sound, int hasSound) {
  sound_ = std::move(sound);
  hasSound_ = sound_ ? hasSound : 0;
}

void PlaybackEngine::Pause() {
  resume_ = playing_;
  if (IsPlaying()) stopRequested_ = true;
}

PlaybackEngine::State PlaybackEngine::TakeRestartAfterLoop() {
  const State restart = restartAfterLoop_;
  restartAfterLoop_ = State::Idle;
  return restart;
}

}  // namespace selvo
