// The motion search on footage made from the format rules, with the truth
// the footage was drawn from.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "source/motion/MotionSearch.h"
#include "tests/MotionFootage.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

using test::DoorwayFootage;
using test::kDoorArea;
using test::TestFolder;

// One camera's images of the footage, as the tool lists them.
MotionPathList CameraImages(const MotionFootageWriter& writer, const std::string& folder, int camera, int images) {
  std::vector<std::string> paths;
  for (int i = 0; i < images; ++i) paths.push_back(folder + "/" + writer.ImagePath(camera, i));
  return MotionPathList(paths);
}

std::string Describe(const std::vector<MotionEvent>& events) {
  std::string text;
  for (const MotionEvent& e : events) {
    text += std::to_string(e.first) + "-" + std::to_string(e.last) + " (peak " + std::to_string(e.peak) + " at " +
            std::to_string(e.peakImage) + ") ";
  }
  return text;
}

std::string DescribeActivity(const std::vector<MotionActivity>& activity) {
  std::string text;
  for (std::size_t i = 0; i < activity.size(); ++i) {
    if (activity[i] > 200) text += std::to_string(i) + ":" + std::to_string(activity[i] * 1000 / 65534) + " ";
  }
  return text;
}

// Every true crossing is found within two images of its start and end, and
// nothing else is.
void ExpectCrossingsFound(const std::vector<std::pair<int, int>>& truth, const std::vector<MotionEvent>& events,
                          const std::string& context) {
  EXPECT_EQ(events.size(), truth.size()) << context;
  for (std::size_t i = 0; i < std::min(events.size(), truth.size()); ++i) {
    EXPECT_NEAR(events[i].first, truth[i].first, 2) << context;
    EXPECT_NEAR(events[i].last, truth[i].second, 2) << context;
  }
}

TEST(MotionSearchTest, FindsEveryCrossingOfTheAreaAndNothingElse) {
  const MotionFootageOptions options = DoorwayFootage();
  std::string error;
  const std::string folder = test::KeptFootage("motion-doorway", options, error);
  ASSERT_FALSE(folder.empty()) << error;
  const MotionFootageWriter writer(options);
  MotionSettings settings;
  settings.areas = {kDoorArea};
  for (int camera = 0; camera < 2; ++camera) {
    MotionSearch search(settings);
    search.KeepActivity(true);
    const MotionSearchResult result =
        search.Run(CameraImages(writer, folder, camera, options.imagesPerCamera), 0, options.imagesPerCamera - 1,
                   nullptr);
    const auto truth = writer.Crossings(camera, kDoorArea);
    std::string expected;
    for (const auto& run : truth) expected += std::to_string(run.first) + "-" + std::to_string(run.second) + " ";
    ExpectCrossingsFound(truth, result.events,
                         "camera " + std::to_string(camera + 1) + ": found " + Describe(result.events) + "; true " +
                             expected + "; activity " + DescribeActivity(result.activity));
    EXPECT_EQ(result.searched, options.imagesPerCamera);
    EXPECT_EQ(result.skipped, 0);
  }
}

}  // namespace
}  // namespace selvo
