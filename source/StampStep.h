#pragma once
// The one rule for the step between two of the recorder's millisecond
// stamps. The stamps are unsigned 32-bit and wrap to 0 every 49.7 days, so a
// step can only be judged, never computed exactly:
// - a stamp at or above the one before it is a step forward by the
//   difference, however long (a night's gap, forty days);
// - a stamp below the one before it by more than half the 32-bit range
//   (2^31 ms, 24.9 days) is the clock wrapping over zero: a step forward by
//   the distance through the wrap (4294967200 then 304 is +400 ms);
// - any other stamp below the one before it is a real step backwards, and
//   stays negative for whoever reports it.
// A recorder restarted after more than 24.9 days of running therefore reads
// as a wrap; nothing in two stamps alone can tell the two apart.
#include <cstdint>

namespace selvo {

// later's distance from earlier in milliseconds, by the rule above.
std::int64_t StampStepMs(std::uint32_t earlier, std::uint32_t later);

}  // namespace selvo
