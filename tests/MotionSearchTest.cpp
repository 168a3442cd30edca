// The motion search on footage made from the format rules, against the
// truth the footage was drawn from: every crossing found within two images
// of its start and end, and nothing else, whatever noise, drift, light,
// swaying edge, other camera or damaged file surrounds it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "source/motion/LumaDecoder.h"
#include "source/motion/MotionSearch.h"
#include "tests/MotionFootage.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/TrailerWriter.h"

namespace selvo {
namespace {

using test::TestFolder;
using Runs = std::vector<std::pair<int, int>>;

std::string RunsText(const Runs& runs) {
  std::string text;
  for (const auto& run : runs) text += std::to_string(run.first) + "-" + std::to_string(run.second) + " ";
  return text;
}

std::string EventsText(const std::vector<MotionEvent>& events) {
  Runs runs;
  for (const MotionEvent& e : events) runs.emplace_back(e.first, e.last);
  return RunsText(runs);
}

// Every true crossing within two images of its start and end, and no other event.
void ExpectCrossings(const Runs& truth, const std::vector<MotionEvent>& events) {
  ASSERT_EQ(events.size(), truth.size()) << "found " << EventsText(events) << "; true " << RunsText(truth);
  for (std::size_t i = 0; i < truth.size(); ++i) {
    EXPECT_NEAR(events[i].first, truth[i].first, 2) << "found " << EventsText(events) << "; true " << RunsText(truth);
    EXPECT_NEAR(events[i].last, truth[i].second, 2) << "found " << EventsText(events) << "; true " << RunsText(truth);
    EXPECT_GE(events[i].peakImage, events[i].first);
    EXPECT_LE(events[i].peakImage, events[i].last);
  }
}

class MotionSearchTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(test::DoorwayFolder().empty()); }

  const MotionFootageOptions options_ = test::DoorwayFootage();
  const MotionFootageWriter writer_{options_};
  const std::string* const folder_ = &test::DoorwayFolder();

  std::vector<std::string> CameraPaths(int camera) const {
    std::vector<std::string> paths;
    for (int i = 0; i < options_.imagesPerCamera; ++i) paths.push_back(*folder_ + "/" + writer_.ImagePath(camera, i));
    return paths;
  }

  MotionSearchResult Search(const std::vector<std::string>& paths, const MotionSettings& settings,
                            MotionSearchObserver* observer = nullptr, const std::atomic<bool>* cancel = nullptr) const {
    MotionSearch search(settings);
    search.KeepActivity(true);
    return search.Run(MotionPathList(paths), 0, static_cast<int>(paths.size()) - 1, observer, cancel);
  }

  static MotionSettings AreaSettings(const MotionRect& area) {
    MotionSettings settings;
    settings.areas = {area};
    return settings;
  }
};

TEST_F(MotionSearchTest, FindsEachCameraCrossingsOfItsAreaAndNothingElse) {
  struct Case {
    int camera;
    MotionRect area;
  };
  // Camera 1 holds every disturbance; camera 2 moves while camera 1 is
  // still, and its second figure crosses only the corner area, at the
  // picture's edge.
  for (const Case& c : {Case{0, test::kDoorArea}, Case{1, test::kDoorArea}, Case{1, test::kCornerArea}}) {
    SCOPED_TRACE("camera " + std::to_string(c.camera + 1) + ", area " + MotionRectText(c.area));
    const MotionSearchResult result = Search(CameraPaths(c.camera), AreaSettings(c.area));
    const Runs truth = writer_.Crossings(c.camera, c.area);
    ASSERT_FALSE(truth.empty());
    ExpectCrossings(truth, result.events);
    EXPECT_EQ(result.searched, options_.imagesPerCamera);
    EXPECT_EQ(result.skipped, 0);
    EXPECT_EQ(result.scale, 8);
  }
}

TEST_F(MotionSearchTest, RegroupingKeptActivityGivesWhatASearchAtThatSensitivityFinds) {
  const std::vector<std::string> paths = CameraPaths(0);
  const MotionSearchResult kept = Search(paths, AreaSettings(test::kDoorArea));
  ASSERT_EQ(kept.activity.size(), paths.size());
  std::size_t fewest = 1000, most = 0;
  for (const int sensitivity : {1, 3, 8, 10}) {
    MotionSettings settings = AreaSettings(test::kDoorArea);
    settings.sensitivity = sensitivity;
    const std::vector<MotionEvent> again = Search(paths, settings).events;
    const std::vector<MotionEvent> regrouped = GroupMotionEvents(kept.activity, sensitivity);
    EXPECT_EQ(EventsText(regrouped), EventsText(again)) << "sensitivity " << sensitivity;
    fewest = std::min(fewest, regrouped.size());
    most = std::max(most, regrouped.size());
  }
  // The scale does something: the least sensitive misses a crossing the most sensitive finds.
  EXPECT_LT(fewest, most);
}

TEST_F(MotionSearchTest, DamagedUndecodableAndUnreadableImagesAreSkippedListedAndNeverEndTheSearch) {
  TestFolder scratch;
  std::vector<std::string> paths = CameraPaths(0);
  // Cut short in the middle of the crossing that stops in the area.
  std::vector<std::uint8_t> bytes = test::ReadFileBytes(paths[195]);
  bytes.resize(bytes.size() / 2);
  paths[195] = scratch.Write("cut.jpg", bytes);
  // Its start overwritten, in a still stretch between two crossings.
  bytes = test::ReadFileBytes(paths[150]);
  std::fill(bytes.begin(), bytes.begin() + 600, std::uint8_t{0x5A});
  paths[150] = scratch.Write("garbled.jpg", bytes);
  // A link to nothing, and a folder where an image should be.
  paths[60] = scratch / "gone.jpg";
  ASSERT_EQ(symlink("nowhere.jpg", paths[60].c_str()), 0);
  paths[61] = scratch.MakeDir("folder.jpg");
  // An image whose trailer says it was altered is searched like any other:
  // the verdict is the check's business.
  std::optional<TrailerWriter> altered = TrailerWriter::ForJpeg(test::ReadFileBytes(paths[106]));
  ASSERT_TRUE(altered);
  paths[106] = scratch.Write("altered.jpg", altered->Write(TrailerValues{830000000, 106}, TrailerDamage::kAlteredImage));

  struct Skips : MotionSearchObserver {
    std::vector<MotionSkip> skipped;
    void OnSkipped(const MotionSkip& skip) override { skipped.push_back(skip); }
  } observer;
  const MotionSearchResult result = Search(paths, AreaSettings(test::kDoorArea), &observer);
  ExpectCrossings(writer_.Crossings(0, test::kDoorArea), result.events);
  EXPECT_EQ(result.skipped, 4);
  EXPECT_EQ(result.searched, options_.imagesPerCamera - 4);
  ASSERT_EQ(observer.skipped.size(), 4u);
  EXPECT_EQ(observer.skipped[0].index, 60);
  EXPECT_EQ(observer.skipped[0].reason, "a link to nothing");
  EXPECT_EQ(observer.skipped[1].index, 61);
  EXPECT_EQ(observer.skipped[2].index, 150);
  EXPECT_EQ(observer.skipped[2].reason, LumaOutcomeText(LumaOutcome::kNotAnImage));
  EXPECT_EQ(observer.skipped[3].index, 195);
  EXPECT_EQ(observer.skipped[3].reason, LumaOutcomeText(LumaOutcome::kDamaged));
  EXPECT_EQ(result.activity[195], kSkippedActivity);
}

TEST_F(MotionSearchTest, IgnoringTheWholeAreaFindsNothing) {
  MotionSettings settings = AreaSettings(test::kDoorArea);
  settings.ignores = {{380, 100, 260, 300}};
  const MotionSearchResult result = Search(CameraPaths(0), settings);
  EXPECT_TRUE(result.events.empty()) << EventsText(result.events);
  EXPECT_EQ(result.searched, options_.imagesPerCamera);
}

TEST_F(MotionSearchTest, AreasOffThePictureAreRefusedBeforeAnythingIsSearched) {
  for (const MotionRect& area : {MotionRect{0, 0, 705, 480}, MotionRect{600, 300, 200, 200}}) {
    struct Events : MotionSearchObserver {
      int events = 0;
      void OnEvent(const MotionEvent&) override { ++events; }
    } observer;
    const MotionSearchResult result = Search(CameraPaths(0), AreaSettings(area), &observer);
    EXPECT_NE(result.areaProblem.find("704 x 480"), std::string::npos) << result.areaProblem;
    EXPECT_EQ(result.searched, 0);
    EXPECT_EQ(observer.events, 0);
  }
}

TEST_F(MotionSearchTest, ProgressRisesAndACancelStopsBetweenImagesKeepingWhatWasFound) {
  struct CancelAfter : MotionSearchObserver {
    std::atomic<bool> cancel{false};
    std::vector<int> done;
    int events = 0;
    void OnProgress(int searched, int total) override {
      done.push_back(searched);
      EXPECT_EQ(total, 300);
      if (searched >= 100) cancel = true;
    }
    void OnEvent(const MotionEvent&) override { ++events; }
  } observer;
  const MotionSearchResult result = Search(CameraPaths(0), AreaSettings(test::kDoorArea), &observer, &observer.cancel);
  EXPECT_TRUE(result.cancelled);
  ASSERT_FALSE(observer.done.empty());
  EXPECT_TRUE(std::is_sorted(observer.done.begin(), observer.done.end()));
  EXPECT_LT(result.searched, options_.imagesPerCamera);
  EXPECT_EQ(result.activity.size(), static_cast<std::size_t>(result.searched));
  // The two crossings before the batch that ended past image 100 were told as they ended.
  EXPECT_EQ(observer.events, 2);
  EXPECT_EQ(result.events.size(), 2u);
}

TEST(MotionSearchJp2Test, FindsTheCrossingInJpeg2000AtReducedResolution) {
  const MotionFootageOptions options = test::Jp2Footage();
  std::string error;
  const std::string folder = test::KeptFootage("motion-jp2", options, error);
  ASSERT_FALSE(folder.empty()) << error;
  const MotionFootageWriter writer(options);
  std::vector<std::string> paths;
  for (int i = 0; i < options.imagesPerCamera; ++i) paths.push_back(folder + "/" + writer.ImagePath(0, i));
  MotionSettings settings;
  settings.areas = {test::kDoorArea};
  MotionSearch search(settings);
  const MotionSearchResult result = search.Run(MotionPathList(paths), 0, options.imagesPerCamera - 1, nullptr);
  EXPECT_EQ(result.skipped, 0);
  EXPECT_EQ(result.pictureWidth, 704);
  ExpectCrossings(writer.Crossings(0, test::kDoorArea), result.events);
}

TEST(LumaDecoderTest, Jpeg2000IsDecodedOverTheWindowAtTheReducedResolution) {
  const MotionFootageOptions options = test::Jp2Footage();
  std::string error;
  const std::string folder = test::KeptFootage("motion-jp2", options, error);
  ASSERT_FALSE(folder.empty()) << error;
  const std::vector<std::uint8_t> bytes = test::ReadFileBytes(folder + "/" + MotionFootageWriter(options).ImagePath(0, 0));
  LumaDecoder decoder;
  LumaPicture picture;
  const MotionRect window = MotionWindowFor({test::kDoorArea});
  ASSERT_EQ(decoder.Decode(bytes.data(), bytes.size(), 8, window, picture), LumaOutcome::kDecoded);
  EXPECT_EQ(picture.pictureWidth, 704);
  EXPECT_EQ(picture.scale, 8);
  EXPECT_EQ(picture.originX, (window.x + 7) / 8 * 8);
  EXPECT_EQ(picture.originY, (window.y + 7) / 8 * 8);
  EXPECT_EQ(picture.width, (std::min<int>(704, static_cast<int>(window.Right())) - window.x + 7) / 8);
}

}  // namespace
}  // namespace selvo
