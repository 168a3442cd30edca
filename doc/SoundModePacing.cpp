#include "doc/SoundModePacing.h"

#include <algorithm>

namespace selvo {

SoundModePacing::SoundModePacing(std::int64_t startMs, std::int64_t startOffsetMs)
    : baseTime_(startMs - startOffsetMs) {}

void SoundModePacing::SoundStarted(bool started, std::int64_t lengthMs, std::int64_t positionMs) {
  soundStarted_ = started;
  soundLength_ = lengthMs;
  lastSoundPos_ = positionMs;
}

std::int64_t SoundModePacing::ReadLead() const {
  if (readCostCount_ == 0) return 0;
  const std::size_t held = std::min(readCostCount_, kReadCostHistory);
  std::array<std::int64_t, kReadCostHistory> sorted = readCosts_;
  std::nth_element(sorted.begin(), sorted.begin() + held / 2, sorted.begin() + held);
  return std::clamp<std::int64_t>(sorted[held / 2], 0, kMaxReadLeadMs);
}

void SoundModePacing::NoteReadCost(std::int64_t ms) {
  readCosts_[readCostCount_ % kReadCostHistory] = std::max<std::int64_t>(0, ms);
  ++readCostCount_;
}

// A track that has played to its end stands at its length for good.
bool SoundModePacing::SoundRunning(std::int64_t positionMs) const {
  return soundStarted_ && positionMs < soundLength_;
}

std::int64_t SoundModePacing::ReachedOffset(std::int64_t nowMs, std::int64_t positionMs) const {
  const std::int64_t byClock = nowMs - baseTime_;
  return SoundRunning(positionMs) ? std::min(byClock, positionMs) : byClock;
}

void SoundModePacing::FollowSound(std::int64_t offsetMs, std::int64_t positionMs) {
  if (!SoundRunning(positionMs) || positionMs == lastSoundPos_) return;
  lastSoundPos_ = positionMs;
  if (positionMs < offsetMs) baseTime_ += offsetMs - positionMs;
}

}  // namespace selvo
