// Gaps and backward steps in a recording's time line, per camera.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "source/TimelineAnomalies.h"

namespace selvo {
namespace {

constexpr std::uint32_t kNoStamp = 0xFFFFFFFFu;

// Images numbered 1.. in list order; kNoStamp marks an image whose stamp is unknown.
std::vector<TimelineImage> Images(const std::vector<std::uint32_t>& stamps, int channel = 0) {
  std::vector<TimelineImage> images;
  for (std::size_t i = 0; i < stamps.size(); ++i) {
    TimelineImage image;
    image.number = static_cast<int>(i) + 1;
    image.channel = channel;
    image.stampKnown = stamps[i] != kNoStamp;
    image.stampMs = image.stampKnown ? stamps[i] : 0;
    images.push_back(image);
  }
  return images;
}

// "gap 3-4 ch0" per anomaly, in the order found.
std::string Shown(const std::vector<TimelineAnomaly>& anomalies) {
  std::string text;
  for (const TimelineAnomaly& a : anomalies) {
    if (!text.empty()) text += "; ";
    text += std::string(TimelineAnomalyName(a.kind)) + " " + std::to_string(a.from) + "-" + std::to_string(a.to) +
            " ch" + std::to_string(a.channel);
  }
  return text;
}

TEST(TimelineAnomalies, StampGapsAndBackwardStepsPerCamera) {
  struct Case {
    const char* name;
    std::vector<std::uint32_t> stamps;
    const char* expected;
  };
  const Case cases[] = {
      {"steady camera", {0, 400, 800, 1200, 1600}, ""},
      {"gap above floor and five medians", {0, 400, 800, 1200, 5200, 5600}, "gap 4-5 ch0"},
      // 5 x 400 = 2000: the step must exceed both bounds, not equal them.
      {"step of exactly the floor", {0, 400, 800, 1200, 3200, 3600}, ""},
      {"long but below the floor", {0, 100, 200, 300, 1900, 2000}, ""},
      {"above the floor but a slow camera's rhythm", {0, 1000, 2000, 3000, 6000, 7000}, ""},
      {"stamp backwards", {0, 400, 800, 300, 700}, "stamp_backwards 3-4 ch0"},
      // An unknown stamp is stepped over: the gap is to the last known one.
      {"unknown stamps between", {0, 400, kNoStamp, 800, kNoStamp, 9000, 9400}, "gap 4-6 ch0"},
      {"wrap of a backward step is no gap", {1000, 1400, 1800, 5, 405, 805}, "stamp_backwards 3-4 ch0"},
      // The recorder's clock wraps every 49.7 days: that is time going on.
      {"clock wrapping over zero", {4294966400u, 4294966800u, 4294967200u, 304, 704}, ""},
      {"gap across the wrap", {4294966400u, 4294966800u, 4294967200u, 9304, 9704}, "gap 3-4 ch0"},
      {"single image", {400}, ""},
      {"no stamp known", {kNoStamp, kNoStamp}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Shown(FindCameraAnomalies(Images(c.stamps))), c.expected);
  }
}

TEST(TimelineAnomalies, RecordingTimeBackwardsSkipsImagesWithoutTime) {
  const CalendarSeconds base = CalendarFromRecorderSeconds(826188000u);  // a day in 2026
  std::vector<TimelineImage> images = Images({0, 400, 800, 1200, 1600});
  const CalendarSeconds times[] = {base, base + 1, 0, base - 5, base - 4};
  for (std::size_t i = 0; i < images.size(); ++i) images[i].recordTime = times[i];
  const std::vector<TimelineAnomaly> found = FindCameraAnomalies(images);
  EXPECT_EQ(Shown(found), "time_backwards 2-4 ch0");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(found[0].detail.find(" after "), std::string::npos) << found[0].detail;
}

TEST(TimelineAnomalies, InterleavedCamerasAreJudgedEachOnItsOwnLine) {
  // Camera 1 steps by 400 ms, camera 2 by 1000 ms, interleaved in the list:
  // side by side their stamps run backwards all the time, which is no finding.
  std::vector<TimelineImage> images;
  const std::uint32_t camera1[] = {0, 400, 800, 1200, 1600, 2000};
  const std::uint32_t camera2[] = {50, 1050, 2050, 9050, 10050, 9999};
  for (int i = 0; i < 6; ++i) {
    for (int channel : {1, 0}) {
      TimelineImage image;
      image.number = static_cast<int>(images.size()) + 1;
      image.channel = channel;
      image.stampKnown = true;
      image.stampMs = channel == 0 ? camera1[i] : camera2[i];
      images.push_back(image);
    }
  }
  EXPECT_EQ(Shown(FindTimelineAnomalies(images)), "gap 5-7 ch1; stamp_backwards 9-11 ch1");
}

}  // namespace
}  // namespace selvo
