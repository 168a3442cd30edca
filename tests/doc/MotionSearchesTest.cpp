// The viewer's motion search driven through the document, with no window:
// it finds the crossing on the camera's own images, a stop keeps what was
// found, and a new sensitivity regroups the kept activity without reading
// an image again.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>

#include "doc/CSelvoViewerDoc.h"
#include "doc/MotionSearches.h"
#include "source/Notifier.h"
#include "tests/MotionViewFootage.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

namespace fs = std::filesystem;

class MotionSearchesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string footage = test::CrossingFolder();
    ASSERT_FALSE(footage.empty());
    recording = scratch / "rec";
    fs::copy(footage, recording, fs::copy_options::recursive);
    DocumentOptions options;
    options.persistSettings = false;
    doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
    ASSERT_EQ(doc->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
  }

  MotionSettings Crossing() const {
    MotionSettings settings;
    settings.areas = {test::kCrossingArea};
    return settings;
  }

  bool WaitForSearch() {
    QElapsedTimer timer;
    timer.start();
    while (doc->Motion().IsRunning() && timer.elapsed() < 120000) QCoreApplication::processEvents();
    return !doc->Motion().IsRunning();
  }

  test::TestFolder scratch;
  std::string recording;
  RecordingNotifier notifier;
  std::unique_ptr<CSelvoViewerDoc> doc;
};

TEST_F(MotionSearchesTest, FindsTheCrossingAndRegroupsWithoutReadingAnImageAgain) {
  MotionSearches& motion = doc->Motion();
  int lastDone = 0;
  QObject::connect(&motion, &MotionSearches::progress, [&](int done, int) { lastDone = done; });
  std::string why;
  ASSERT_TRUE(motion.Start(0, Crossing(), why)) << why;
  ASSERT_TRUE(WaitForSearch());
  EXPECT_EQ(lastDone, 40);
  const std::vector<MotionEventInList> found = motion.EventsInList();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_GE(found[0].first, 12);
  EXPECT_LE(found[0].last, 21);
  EXPECT_EQ(motion.ActivityInList().size(), static_cast<std::size_t>(doc->GetCount()));

  EXPECT_TRUE(motion.GoToNextEvent());
  EXPECT_EQ(doc->GetPosition(), found[0].first);
  EXPECT_FALSE(motion.GoToNextEvent());
  doc->ShowImage(doc->GetCount() - 1);
  EXPECT_TRUE(motion.GoToPreviousEvent());
  EXPECT_EQ(doc->GetPosition(), found[0].first);

  // With the images gone, only the kept activity can answer.
  for (const auto& entry : fs::recursive_directory_iterator(recording)) {
    if (entry.is_regular_file() && entry.path().extension() != ".txt" && entry.path().filename() != "INFO") {
      fs::resize_file(entry.path(), 0);
    }
  }
  ASSERT_TRUE(motion.SetSensitivity(MotionSettings::kLeastSensitive));
  EXPECT_FALSE(motion.IsRunning());
  ASSERT_TRUE(motion.SetSensitivity(MotionSettings::kDefaultSensitivity));
  const std::vector<MotionEventInList> again = motion.EventsInList();
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].first, found[0].first);
  EXPECT_EQ(again[0].last, found[0].last);

  // In a split the list interleaves both cameras: the result stays camera
  // 1's, drawn at the places its images have now.
  const int firstFile = doc->GetFileIndexAt(found[0].first);
  int channels[16];
  std::fill(std::begin(channels), std::end(channels), -9);
  ASSERT_TRUE(doc->SelectChannel(0, 4, channels));
  ASSERT_EQ(doc->GetCount(), 80);
  const std::vector<MotionEventInList> split = motion.EventsInList();
  ASSERT_EQ(split.size(), 1u);
  EXPECT_EQ(doc->GetChannelAt(split[0].first), 0);
  EXPECT_EQ(doc->GetFileIndexAt(split[0].first), firstFile);
  EXPECT_EQ(motion.ActivityInList().size(), 80u);
}

TEST_F(MotionSearchesTest, AStoppedSearchEndsAndKeepsWhatItReached) {
  MotionSearches& motion = doc->Motion();
  std::string why;
  ASSERT_TRUE(motion.Start(0, Crossing(), why)) << why;
  motion.Stop();
  ASSERT_TRUE(WaitForSearch());
  ASSERT_NE(motion.Current(), nullptr);
  EXPECT_TRUE(motion.Current()->result.cancelled);
  EXPECT_LT(motion.Current()->result.searched, 40);
}

TEST_F(MotionSearchesTest, NothingStartsWithoutAnAreaAndANewRecordingForgetsTheResult) {
  MotionSearches& motion = doc->Motion();
  std::string why;
  EXPECT_FALSE(motion.Start(0, MotionSettings{}, why));
  EXPECT_FALSE(why.empty());
  ASSERT_TRUE(motion.Start(0, Crossing(), why)) << why;
  // Opening again while it runs stops it and forgets it.
  ASSERT_EQ(doc->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
  EXPECT_FALSE(motion.IsRunning());
  EXPECT_EQ(motion.Current(), nullptr);
}

// The areas are drawn for one camera's picture: another camera's or another
// size's start a new set, an area off the picture is refused, and a new
// recording forgets them.
TEST_F(MotionSearchesTest, DrawnAreasBelongToOnePictureOfOneCamera) {
  MotionSearches& motion = doc->Motion();
  int announced = 0;
  QObject::connect(&motion, &MotionSearches::areasChanged, [&] { ++announced; });
  motion.AddArea(1, 352, 240, {10, 10, 50, 40}, false);
  motion.AddArea(1, 352, 240, {300, 200, 52, 40}, true);
  motion.AddArea(1, 352, 240, {300, 200, 53, 40}, false);  // one pixel past the right edge
  EXPECT_EQ(motion.Drawing().areas.size(), 1u);
  EXPECT_EQ(motion.Drawing().ignores.size(), 1u);
  EXPECT_EQ(announced, 2);

  motion.RemoveArea(1);  // the ignore, listed after the areas
  EXPECT_TRUE(motion.Drawing().ignores.empty());
  motion.AddArea(0, 352, 240, {20, 20, 30, 30}, false);
  ASSERT_EQ(motion.Drawing().areas.size(), 1u);
  EXPECT_EQ(motion.Drawing().camera, 0);
  EXPECT_EQ(motion.Drawing().areas[0], (MotionRect{20, 20, 30, 30}));
  motion.AddArea(0, 704, 480, {20, 20, 30, 30}, false);
  EXPECT_EQ(motion.Drawing().areas.size(), 1u);
  EXPECT_EQ(motion.Drawing().pictureWidth, 704);

  ASSERT_EQ(doc->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
  EXPECT_TRUE(motion.Drawing().areas.empty());
  std::string why;
  EXPECT_FALSE(motion.StartDrawn(MotionSettings::kDefaultSensitivity, why));
  EXPECT_FALSE(why.empty());
}

}  // namespace
}  // namespace selvo
