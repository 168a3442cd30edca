#pragma once
// Picture times of an export from the recorder's millisecond stamps, as
// playback spaces the pictures: each picture follows the one before it by
// the difference of their stamps, judged by StampStepMs: a wrap of the
// 32-bit clock moves on, and so does a gap of any length. A stamp that does
// not move forward (damaged time.txt, a clock set back) still yields a later
// time by one millisecond, because a video stream cannot go back.
#include <cstdint>

namespace selvo {

class StampTimeline {
 public:
  // Milliseconds from the first picture for the next picture's stamp.
  std::int64_t Next(std::uint32_t stampMs);
  // How long the last picture stands: as long as the one before it, or
  // kSinglePictureMs when there was only one.
  std::int64_t LastDuration() const { return lastStep_ > 0 ? lastStep_ : kSinglePictureMs; }
  std::int64_t EndMs() const { return now_ + LastDuration(); }

  static constexpr std::int64_t kSinglePictureMs = 1000;

 private:
  bool started_ = false;
  std::uint32_t lastStamp_ = 0;
  std::int64_t now_ = 0;
  std::int64_t lastStep_ = 0;
};

}  // namespace selvo
