#include "source/StampStep.h"

namespace selvo {

namespace {

constexpr std::int64_t kStampRange = std::int64_t{1} << 32;
constexpr std::int64_t kLargestBackwardStep = std::int64_t{1} << 31;

}  // namespace

std::int64_t StampStepMs(std::uint32_t earlier, std::uint32_t later) {
  const std::int64_t step = static_cast<std::int64_t>(later) - static_cast<std::int64_t>(earlier);
  if (step >= 0 || -step <= kLargestBackwardStep) return step;
  return step + kStampRange;
}

}  // namespace selvo
