#pragma once
#include <cstdint>

#include "source/CalendarTime.h"

namespace selvo {

// Alteration flags reported by the trailer parsers.
enum AlterationFlag : std::int32_t {
  kImageAltered = 1,
  kTimeAltered = 2,
  kNoValidTime = 4,
  kNoTrailer = 7,  // all three: the image carries no recorder data at all
};

// What a trailer parser reports. recordTime and stampMs are written only
// under the parser's rules; otherwise they keep what the caller put there.
struct ImageInfo {
  std::int32_t status = 0;
  CalendarSeconds recordTime = 0;
  std::uint32_t stampMs = 0;
};

}  // namespace selvo
