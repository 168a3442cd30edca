// The one rule for the step between two recorder stamps: a wrap of the
// 32-bit clock is a step forward, a real step back stays one, and a long
// forward gap keeps its length.
#include <gtest/gtest.h>

#include <cstdint>

#include "source/StampStep.h"

namespace selvo {
namespace {

TEST(StampStepTest, WrapsAreForwardRealBackwardStepsStayBackward) {
  struct Case {
    const char* name;
    std::uint32_t earlier;
    std::uint32_t later;
    std::int64_t step;
  };
  const Case cases[] = {
      {"still", 500, 500, 0},
      {"forward", 800, 1200, 400},
      {"clock wraps over zero", 4294967200u, 304, 400},
      {"wrap from the last value to zero", 0xFFFFFFFFu, 0, 1},
      {"real step back", 500, 400, -100},
      {"step back of half the range stays back", 0x80000000u, 0, -2147483648LL},
      {"one more is a wrap", 0x80000001u, 0, 2147483647},
      {"ten hours on", 1200, 36001200, 36000000},
      {"forty days on", 1200, 3456001200u, 3456000000LL},
      {"the longest forward step", 0, 0xFFFFFFFFu, 4294967295LL},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StampStepMs(c.earlier, c.later), c.step) << c.name;
  }
}

}  // namespace
}  // namespace selvo
