#include "source/CameraMoments.h"

#include <random>

#include <gtest/gtest.h>

namespace selvo {
namespace {

// Reference answer: every image looked at, the first of equal distances;
// entries of no camera are no camera's images.
NearestImage NearestByScan(const std::vector<ImageMoment>& images, int channel, std::int64_t moment) {
  NearestImage best;
  if (channel < 0 || channel >= CameraMoments::kChannels) return best;
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (images[i].channel != channel) continue;
    const std::int64_t d = images[i].moment > moment ? images[i].moment - moment : moment - images[i].moment;
    if (best.index < 0 || d < best.distance) best = {static_cast<int>(i), d};
  }
  return best;
}

TEST(CameraMomentsTest, NearestImageOfEachCameraAcrossAGap) {
  // Camera 0 every second; camera 1 stops at 2 s and comes back at 10 s.
  const std::vector<ImageMoment> images = {
      {0, 0}, {1, 100}, {0, 1000}, {1, 1100}, {0, 2000}, {1, 2100},
      {0, 3000}, {0, 4000}, {0, 5000}, {0, 6000}, {1, 10000}, {0, 10050}};
  const CameraMoments moments(images);
  const struct {
    int channel;
    std::int64_t moment;
    int index;
    std::int64_t distance;
  } cases[] = {
      {0, 4000, 7, 0},      // exact
      {1, 5000, 5, 2900},   // inside the gap, nearer its start
      {1, 7000, 10, 3000},  // inside the gap, nearer its end
      {1, -500, 1, 600},    // before the first image
      {0, 99999, 11, 89949},  // after the last
      {0, 3500, 6, 500},    // halfway: the earlier image, as a scan finds it
  };
  for (const auto& c : cases) {
    const NearestImage found = moments.Nearest(c.channel, c.moment);
    EXPECT_EQ(found.index, c.index) << c.channel << " at " << c.moment;
    EXPECT_EQ(found.distance, c.distance) << c.channel << " at " << c.moment;
  }
}

TEST(CameraMomentsTest, CameraWithoutImagesAndChannelsOutOfRangeFindNothing) {
  const CameraMoments moments({{0, 10}, {-1, 20}, {16, 30}, {-9, 40}});
  EXPECT_EQ(moments.Size(), 1u);
  for (int channel : {1, 15, -1, 16, -9}) EXPECT_EQ(moments.Nearest(channel, 20).index, -1) << channel;
}

TEST(CameraMomentsTest, EqualMomentsAndBackwardStepsGiveTheScansAnswer) {
  // A recording whose clock stepped back, with repeated stamps.
  const std::vector<ImageMoment> images = {{2, 500}, {2, 300}, {2, 300}, {2, 700}, {2, 300}, {2, 100}};
  const CameraMoments moments(images);
  for (std::int64_t m : {0, 100, 200, 299, 300, 301, 400, 500, 600, 650, 700, 800}) {
    const NearestImage expected = NearestByScan(images, 2, m);
    const NearestImage found = moments.Nearest(2, m);
    EXPECT_EQ(found.index, expected.index) << m;
    EXPECT_EQ(found.distance, expected.distance) << m;
  }
}

TEST(CameraMomentsTest, MatchesAScanOnRandomInterleavedRecordingsWithGaps) {
  std::mt19937 random(20261210);
  for (int round = 0; round < 200; ++round) {
    const int cameras = 1 + static_cast<int>(random() % 16);
    const int count = static_cast<int>(random() % 400);
    std::vector<ImageMoment> images;
    std::int64_t clock = static_cast<std::int64_t>(random() % 5000);
    for (int i = 0; i < count; ++i) {
      // Mostly small steps, sometimes a gap of minutes, now and then a step
      // back or a repeated stamp.
      const unsigned kind = random() % 20;
      if (kind == 0) clock += 60000 + random() % 600000;
      else if (kind == 1) clock -= random() % 3000;
      else if (kind > 3) clock += random() % 200;
      int channel = static_cast<int>(random() % cameras);
      if (random() % 50 == 0) channel = -1;  // an entry of no camera
      images.push_back({channel, clock});
    }
    const CameraMoments moments(images);
    for (int probe = 0; probe < 50; ++probe) {
      const int channel = static_cast<int>(random() % 17) - 1;
      const std::int64_t moment = clock - 10000 + static_cast<std::int64_t>(random() % (clock + 20000));
      const NearestImage expected = NearestByScan(images, channel, moment);
      const NearestImage found = moments.Nearest(channel, moment);
      ASSERT_EQ(found.index, expected.index) << "round " << round << " channel " << channel << " at " << moment;
      ASSERT_EQ(found.distance, expected.distance);
    }
  }
}

}  // namespace
}  // namespace selvo
