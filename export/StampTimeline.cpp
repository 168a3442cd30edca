#include "export/StampTimeline.h"

namespace selvo {

std::int64_t StampTimeline::Next(std::uint32_t stampMs) {
  if (!started_) {
    started_ = true;
    lastStamp_ = stampMs;
    return now_;
  }
  // Unsigned subtraction carries a wrap of the recorder's clock over zero.
  const auto step = static_cast<std::int32_t>(stampMs - lastStamp_);
  lastStep_ = step > 0 ? step : 1;
  lastStamp_ = stampMs;
  now_ += lastStep_;
  return now_;
}

}  // namespace selvo
