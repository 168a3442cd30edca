#include "export/StampTimeline.h"

#include "source/StampStep.h"

namespace selvo {

std::int64_t StampTimeline::Next(std::uint32_t stampMs) {
  if (!started_) {
    started_ = true;
    lastStamp_ = stampMs;
    return now_;
  }
  const std::int64_t step = StampStepMs(lastStamp_, stampMs);
  lastStep_ = step > 0 ? step : 1;
  lastStamp_ = stampMs;
  now_ += lastStep_;
  return now_;
}

}  // namespace selvo
