// The document's play loops: forward play, in speed mode or paced by the
// sound track, and reverse play, both nested event loops that step through
// the recording; and the pause, resume and restart that reach a running loop
// from the handlers it dispatches. What they keep between steps is in
// PlaybackState; what they ask of the panel goes through PlaybackControls.
#include "doc/CSelvoViewerDoc.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "doc/ImageViewLink.h"
#include "doc/PlaySpeed.h"
#include "doc/PlaybackClock.h"
#include "doc/PlaybackControls.h"
#include "doc/PlaybackSound.h"
#include "doc/SoundModePacing.h"
#include "source/StampStep.h"

namespace selvo {

namespace {

// Milliseconds from the first image's stamp to another's, by the core's
// rule: a wrap of the clock is time going on, a stamp out of order is
// negative and makes its image due at once instead of in 49 days.
std::int64_t StampOffset(ImageSource& source, int index, std::uint32_t firstStamp) {
  return StampStepMs(firstStamp, source.GetStampAt(index));
}

// IndexForStamp takes a stamp offset; time before the first image is 0.
int IndexForOffset(ImageSource& source, std::int64_t offsetMs) {
  const std::int64_t clamped = std::clamp<std::int64_t>(offsetMs, 0, std::numeric_limits<std::uint32_t>::max());
  return source.IndexForStamp(static_cast<std::uint32_t>(clamped));
}

// The image to be on screen when the sound has played offsetMs: the last
// one stamped at or before it, -1 before the first. IndexForStamp names
// the image after that one and answers 0 as well when none comes after.
int IndexHeardAt(ImageSource& source, std::int64_t offsetMs, std::uint32_t firstStamp) {
  const int count = source.GetCount();
  if (count == 0) return -1;
  const int next = IndexForOffset(source, offsetMs);
  if (next == 0 && StampOffset(source, count - 1, firstStamp) <= offsetMs) return count - 1;
  return next - 1;
}

}  // namespace

void CSelvoViewerDoc::SetPlaybackClock(PlaybackClock* clock) { playback_.SetClock(clock); }

void CSelvoViewerDoc::SetSoundTrack(std::unique_ptr<PlaybackSound> sound, int hasSound) {
  playback_.SetSound(std::move(sound), hasSound);
  orderCheck_ = playback_.HasSound();
}

int CSelvoViewerDoc::SpeedPosition() const { return controls_ ? controls_->SpeedPosition() : kInitialSpeed; }

bool CSelvoViewerDoc::ChooseSoundMode() const {
  const bool onePane = !view_ || view_->GetPaneCount() == 1;
  return controls_ && controls_->IsSoundWanted(IsTwoChannelSound()) && HasSound() && playback_.Sound() && onePane;
}

bool CSelvoViewerDoc::StepFailedOnDrive(bool stepped) {
  if (stepped || !source_ || !source_->IsDriveNotReady()) return false;
  playback_.SetStopRequested(true);
  return true;
}

// The read-outs first: what they mark for repainting then goes to the
// screen in the picture's own paint, not in a paint and a copy to the
// window of its own.
void CSelvoViewerDoc::ShowPlayedStep() {
  emit positionDisplayChanged();
  if (view_) view_->RedrawImageView();
}

void CSelvoViewerDoc::BeginLoop(PlaybackState::State direction) {
  playback_.SetPlaying(direction);
  AllowClose(false);
  emit commandStatesChanged();
}

void CSelvoViewerDoc::EndLoop(PlaybackState::State direction) {
  FinishLoop(playback_.PendingResume() == direction);
  playback_.SetPlaying(PlaybackState::State::Idle);
  PostRestartAfterLoop();
  emit commandStatesChanged();
}

void CSelvoViewerDoc::FinishLoop(bool resumePending) {
  // A loop that ended for a pause leaves the controls in their playing
  // state until the posted restart comes.
  if (resumePending) return;
  AllowClose(true);
  if (!controls_) return;
  controls_->RestoreIdleEnabling(HasSound() != 0);
  emit commandStatesChanged();
}

bool CSelvoViewerDoc::PlayForward() {
  if (!source_) return false;
  BeginLoop(PlaybackState::State::Forward);
  PlaybackClock& clock = playback_.Clock();

  const std::int64_t began = clock.NowMs();
  const bool soundMode = ChooseSoundMode();
  // The sound track starts with the recording's first image, which need not
  // be in a list of one camera's images.
  const std::uint32_t firstStamp = source_->RecordingStartStamp();
  // The loop touches only the track it started, even if an open run from
  // inside the loop has replaced it.
  PlaybackSound* const sound = soundMode ? playback_.Sound() : nullptr;
  if (controls_) controls_->ShowForwardPlayMode(soundMode);
  int step = soundMode ? 1 : SkipCountForSpeed(SpeedPosition());

  std::int64_t now = clock.NowMs();
  std::int64_t dueTime = now;
  const int start = source_->GetPosition();
  SoundModePacing pacing(began, soundMode ? StampOffset(*source_, start, firstStamp) : 0);
  if (start + step < source_->GetCount()) {
    if (soundMode) {
      const std::int64_t offset = StampOffset(*source_, start, firstStamp);
      const std::int64_t length = sound->GetLength();
      const bool started = length > offset && sound->Play(offset, controls_->GetChannelMask());
      if (started && sound->PlaysSilently()) NoteSoundDeviceMissing();
      now = clock.NowMs();
      pacing.SoundStarted(started, length, sound->GetPosition());
      dueTime = pacing.ReadTime(StampOffset(*source_, start + step, firstStamp));
    } else {
      dueTime = began + FrameIntervalForSpeed(SpeedPosition());
    }
  }
  // The position of the track this loop started; once another has taken
  // its place, nothing is heard of it.
  const auto soundPosition = [&] {
    if (sound == playback_.Sound()) return sound->GetPosition();
    pacing.SoundStarted(false, 0, 0);
    return std::int64_t{0};
  };

  bool firstPass = true;
  while (source_ && source_->GetPosition() + 1 < source_->GetCount()) {
    clock.HandlePendingEvents();
    if (IsStopRequested() || !source_) break;
    if (!firstPass) now = clock.NowMs();
    firstPass = false;
    if (dueTime > now) {
      clock.WaitForEventsUntil(dueTime);
      continue;
    }
    // After a late wake-up or a slow read, the picture read is the one the
    // sound (or, without it, the clock) has reached; those whose time
    // passed meanwhile are skipped rather than flashed by.
    if (soundMode) {
      const int next = source_->GetPosition() + 1;
      if (next < source_->GetCount() && now > pacing.ShowTime(StampOffset(*source_, next, firstStamp))) {
        const std::int64_t reached = pacing.ReachedOffset(now, soundPosition());
        step = std::max(1, IndexHeardAt(*source_, reached, firstStamp) - source_->GetPosition());
      }
    }
    const int target = source_->GetPosition() + step;
    if (target >= source_->GetCount()) break;
    const std::int64_t readStart = clock.NowMs();
    const bool stepped =
        source_->Forward(step) && ReadCurrentImage(ImageSource::kReadDecode, {}, soundMode);
    StepFailedOnDrive(stepped);
    if (soundMode) {
      pacing.NoteReadCost(clock.NowMs() - readStart);
      const std::int64_t offset = StampOffset(*source_, target, firstStamp);
      // Read ahead of its stamp, the picture waits for it; a stop or a new
      // position that comes meanwhile ends the loop with the picture shown.
      const std::int64_t showAt = pacing.ShowTime(offset);
      while (source_ && !IsStopRequested() && clock.NowMs() < showAt) clock.WaitForEventsUntil(showAt);
      if (!source_) break;
      if (!IsStopRequested()) pacing.FollowSound(offset, soundPosition());
    }
    ShowPlayedStep();
    if (IsStopRequested()) break;
    if (soundMode) {
      step = 1;
      if (target + 1 >= source_->GetCount()) break;
      dueTime = pacing.ReadTime(StampOffset(*source_, target + 1, firstStamp));
    } else {
      // Measured from the start of this step: a slow read shortens the wait.
      step = SkipCountForSpeed(SpeedPosition());
      dueTime = FrameIntervalForSpeed(SpeedPosition()) + now;
    }
  }

  if (soundMode) {
    const bool stopped = IsStopRequested();
    if (stopped) playback_.SetStopRequested(false);
    if (sound == playback_.Sound()) {
      if (stopped) {
        sound->Pause();
      } else {
        sound->Stop();
      }
    }
  }
  EndLoop(PlaybackState::State::Forward);
  return true;
}

bool CSelvoViewerDoc::PlayReverse() {
  if (!source_) return false;
  BeginLoop(PlaybackState::State::Reverse);
  PlaybackClock& clock = playback_.Clock();

  // Every exit clears the stop request it answers.
  auto stopAnswered = [this] {
    if (!IsStopRequested() && source_) return false;
    playback_.SetStopRequested(false);
    return true;
  };
  while (source_ && source_->GetPosition() >= 0) {
    clock.HandlePendingEvents();
    if (stopAnswered()) break;
    const std::int64_t start = clock.NowMs();
    const int step = SkipCountForSpeed(SpeedPosition());
    // The first image is reached only when a step lands on it.
    if (source_->GetPosition() - step < 0) break;
    const bool stepped = source_->Backward(step) && ReadCurrentImage(ImageSource::kReadDecode, {}, false);
    StepFailedOnDrive(stepped);
    if (stopAnswered()) break;
    ShowPlayedStep();
    // Waiting in the event loop keeps the window responsive for the whole
    // interval, which is a full second at the slowest speed.
    const std::int64_t dueTime = start + FrameIntervalForSpeed(SpeedPosition());
    while (!IsStopRequested() && clock.NowMs() < dueTime) clock.WaitForEventsUntil(dueTime);
    if (stopAnswered()) break;
  }
  EndLoop(PlaybackState::State::Reverse);
  return true;
}

bool CSelvoViewerDoc::RunForwardPlay() { return RunFreshLoop(true); }
bool CSelvoViewerDoc::RunReversePlay() { return RunFreshLoop(false); }

bool CSelvoViewerDoc::RunFreshLoop(bool forward) {
  // A Play click queued behind a slow step arrives inside the running loop;
  // a second loop started there would outlive the stop meant for the first.
  if (IsPlaying()) return false;
  playback_.ForgetResume();
  playback_.SetStopRequested(false);
  const bool played = forward ? PlayForward() : PlayReverse();
  playback_.SetStopRequested(true);
  return played;
}

void CSelvoViewerDoc::RequestPlaybackStop() {
  if (source_) playback_.SetStopRequested(true);
}

void CSelvoViewerDoc::PausePlayback() {
  playback_.Pause();
}

void CSelvoViewerDoc::PostRestartAfterLoop() {
  const PlaybackState::State restart = playback_.TakeRestartAfterLoop();
  if (restart != PlaybackState::State::Idle && !IsPlaying()) PostPanelCommand(restart == PlaybackState::State::Forward);
}

void CSelvoViewerDoc::AbandonPause() {
  // Nothing will resume: the loop, or this call once it has returned, must
  // leave the controls idle and let the window close again.
  playback_.ForgetResume();
  if (!IsPlaying()) FinishLoop(false);
}

void CSelvoViewerDoc::ResumePlayback() {
  switch (playback_.PendingResume()) {
    case PlaybackState::State::Forward: PostPanelCommand(true); break;
    case PlaybackState::State::Reverse: PostPanelCommand(false); break;
    case PlaybackState::State::Idle: break;
  }
}

void CSelvoViewerDoc::PostPanelCommand(bool forward) {
  QMetaObject::invokeMethod(
      this,
      [this, forward] {
        // The paused loop may still be on the stack when the restart comes
        // round within the same dispatch; start only once it has returned.
        if (IsPlaying()) {
          playback_.SetRestartAfterLoop(forward ? PlaybackState::State::Forward : PlaybackState::State::Reverse);
          return;
        }
        if (!controls_) return;
        if (forward) {
          controls_->OnPlay();
        } else {
          controls_->OnReversePlay();
        }
      },
      Qt::QueuedConnection);
}

}  // namespace selvo
