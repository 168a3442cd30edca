#include <gtest/gtest.h>

#include <cstdint>

#include "sound/MixerVolume.h"

namespace selvo {
namespace {

struct ScaleCase {
  std::uint32_t min;
  std::uint32_t max;
  std::uint32_t value;
  std::uint32_t percent;
};

TEST(MixerVolumeScale, ValueReadsAsTheNearestPercent) {
  const ScaleCase cases[] = {
      {0, 65535, 0, 0},
      {0, 65535, 65535, 100},
      {0, 65535, 327, 0},    // 0.499 %
      {0, 65535, 328, 1},    // 0.5005 %
      {0, 65535, 32767, 50},
      {10, 110, 60, 50},     // measured from the minimum
      {10, 110, 5, 0},       // below the range reads as its bottom
      {0, 4000000000u, 2000000000u, 50},  // a range too wide for 100 × value in 32 bits
      {7, 7, 7, 0},          // no range at all
  };
  for (const ScaleCase& c : cases) {
    EXPECT_EQ(MixerVolume::PercentFromValue(c.value, c.min, c.max), c.percent)
        << c.value << " in " << c.min << ".." << c.max;
  }
}

TEST(MixerVolumeScale, PercentWritesFromMinimumToMaximum) {
  EXPECT_EQ(MixerVolume::ValueFromPercent(0, 10, 65545), 10u);
  EXPECT_EQ(MixerVolume::ValueFromPercent(100, 10, 65545), 65545u);
  EXPECT_EQ(MixerVolume::ValueFromPercent(50, 0, 65535), 32767u);  // product before division, truncated
  EXPECT_EQ(MixerVolume::ValueFromPercent(250, 0, 65535), 65535u);
  EXPECT_EQ(MixerVolume::ValueFromPercent(100, 0, 4000000000u), 4000000000u);
  for (std::uint32_t percent = 0; percent <= 100; ++percent) {
    const std::uint32_t value = MixerVolume::ValueFromPercent(percent, 0, 65535);
    EXPECT_EQ(MixerVolume::PercentFromValue(value, 0, 65535), percent) << "set " << percent;
  }
}

TEST(MixerVolumeScale, VolumeSliderPositionReadsBackAsItselfOnMixersWithFewSteps) {
  constexpr int kSliderMax = 10;
  for (const std::uint32_t steps : {31u, 63u, 87u, 100u, 65535u}) {
    for (int position = 0; position <= kSliderMax; ++position) {
      const std::uint32_t value =
          MixerVolume::ValueFromPercent(MixerVolume::PercentForSliderValue(position, kSliderMax), 0, steps);
      const std::uint32_t percent = MixerVolume::PercentFromValue(value, 0, steps);
      EXPECT_EQ(MixerVolume::SliderValueForPercent(percent, kSliderMax), position)
          << "position " << position << " on a mixer of 0.." << steps;
    }
  }
}

}  // namespace
}  // namespace selvo
