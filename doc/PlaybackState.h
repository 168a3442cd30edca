#pragma once
// What playback keeps between and during the document's play loops: the
// clock they wait on, the recording's sound track, and which loop runs, is
// asked to stop, or waits to be resumed. It holds state and runs nothing:
// the loops are the document's (doc/CSelvoViewerDocPlay.cpp), since every
// step moves the document's recording, reads into its current image and
// redraws through its windows.
#include <memory>

namespace selvo {

class PlaybackClock;
class PlaybackSound;

class PlaybackState {
 public:
  // Which loop runs; also the direction of a pending resume or restart.
  enum class State { Idle, Forward, Reverse };

  PlaybackState();
  ~PlaybackState();
  PlaybackState(const PlaybackState&) = delete;
  PlaybackState& operator=(const PlaybackState&) = delete;

  // Tests drive time through their own clock; null restores the event
  // loop's.
  void SetClock(PlaybackClock* clock) { clock_ = clock; }
  PlaybackClock& Clock();

  // The sound track of the open recording (null: none); hasSound is what
  // its Open answered, and counts only with a track.
  void SetSound(std::unique_ptr<PlaybackSound> sound, int hasSound);
  PlaybackSound* Sound() const { return sound_.get(); }
  int HasSound() const { return hasSound_; }

  State Playing() const { return playing_; }
  bool IsPlaying() const { return playing_ != State::Idle; }
  // A loop starts, or has ended (or an open has made it irrelevant).
  void SetPlaying(State state) { playing_ = state; }

  bool IsStopRequested() const { return stopRequested_; }
  void SetStopRequested(bool requested) { stopRequested_ = requested; }

  // A pause ends the running loop and remembers its direction.
  void Pause();
  State PendingResume() const { return resume_; }
  void ForgetResume() { resume_ = State::Idle; }

  // A restart that came round while a loop was still running; taking it
  // clears it.
  void SetRestartAfterLoop(State direction) { restartAfterLoop_ = direction; }
  State TakeRestartAfterLoop();

 private:
  PlaybackClock* clock_ = nullptr;
  std::unique_ptr<PlaybackClock> ownClock_;
  std::unique_ptr<PlaybackSound> sound_;
  int hasSound_ = 0;
  State playing_ = State::Idle;
  State resume_ = State::Idle;
  State restartAfterLoop_ = State::Idle;
  bool stopRequested_ = false;
};

}  // namespace selvo
