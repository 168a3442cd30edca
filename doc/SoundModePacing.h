#pragma once
// When forward play in sound mode reads and shows each picture. A picture
// is due on screen when the clock reaches its stamp (counted from the
// recording's first image, on a base time that follows the sound track);
// it is never shown before then. Reading starts a little ahead of that, by
// what reading has typically cost lately, so that a slow disk or decoder
// does not make every picture late. One slow read or one late wake-up (a
// window being moved) is not typical and changes nothing for the pictures
// after it.
//
// The sound track sets the pace only while it runs: before it has started,
// after its end, or when it could not be started, the wall clock alone
// decides which picture is due.
#include <array>
#include <cstdint>

namespace selvo {

class SoundModePacing {
 public:
  // Reading never starts further ahead of a stamp than this: beyond it the
  // lead would only hold a read picture back.
  static constexpr std::int64_t kMaxReadLeadMs = 150;

  // startMs is the clock when the picture at startOffsetMs (its stamp minus
  // the first image's) is on screen.
  SoundModePacing(std::int64_t startMs, std::int64_t startOffsetMs);

  // The sound track was started at startOffsetMs and is lengthMs long (or
  // was not started at all: started false).
  void SoundStarted(bool started, std::int64_t lengthMs, std::int64_t positionMs);

  // Clock times for the picture stamped offsetMs after the first image.
  std::int64_t ShowTime(std::int64_t offsetMs) const { return baseTime_ + offsetMs; }
  std::int64_t ReadTime(std::int64_t offsetMs) const { return ShowTime(offsetMs) - ReadLead(); }
  // How far ahead of its show time a picture is read: the median of the
  // last reads' cost, so that a single slow one does not count.
  std::int64_t ReadLead() const;
  void NoteReadCost(std::int64_t ms);

  // Whether the sound track is heard now, given its position.
  bool SoundRunning(std::int64_t positionMs) const;
  // The stamp offset the pictures should have reached at nowMs: the wall
  // clock's, held back to the sound's position while the sound runs.
  std::int64_t ReachedOffset(std::int64_t nowMs, std::int64_t positionMs) const;
  // The picture stamped offsetMs is on screen and the sound is at
  // positionMs: a running sound track that is behind holds the following
  // pictures back by as much. A position that has not moved since the last
  // reading says nothing about lateness.
  void FollowSound(std::int64_t offsetMs, std::int64_t positionMs);

 private:
  static constexpr std::size_t kReadCostHistory = 7;

  std::int64_t baseTime_;
  bool soundStarted_ = false;
  std::int64_t soundLength_ = 0;
  std::int64_t lastSoundPos_ = 0;
  std::array<std::int64_t, kReadCostHistory> readCosts_{};
  std::size_t readCostCount_ = 0;
};

}  // namespace selvo
