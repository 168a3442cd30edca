// Frames whose compressed data was edited, opened in the viewer with the
// "check" switch: the document knows each one's verdict, time and stamp,
// and the view draws its marks over the picture it could still decode, the
// "invalid image" placeholder, or a split pane's black box.
#include <gtest/gtest.h>

#include "doc/CSelvoViewerDoc.h"
#include "source/CalendarTime.h"
#include "source/ImageInfo.h"
#include "source/Notifier.h"
#include "tests/SmallRecording.h"
#include "tests/TamperedJpeg.h"
#include "view/CSelvoViewerView.h"

namespace selvo {
namespace {

constexpr std::uint32_t kSeconds = 100000000;

bool IsMarkRed(QRgb pixel) { return qRed(pixel) == 255 && qGreen(pixel) == 0 && qBlue(pixel) == 0; }

int RedPixels(const QImage& image, const QRect& area) {
  int red = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) red += IsMarkRed(image.pixel(x, y));
  }
  return red;
}

class TamperedFrameViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DocumentOptions options;
    options.persistSettings = false;
    options.checkMode = true;
    doc_ = std::make_unique<CSelvoViewerDoc>(options, notifier_);
    view_ = std::make_unique<CSelvoViewerView>(*doc_);
    doc_->AttachImageView(view_.get());
    view_->resize(1000, 480);  // the 640 x 480 picture box sits at x = 180
  }
  void TearDown() override { doc_->AttachImageView(nullptr); }

  // Channels 0..3 in turn; frame 0 decodes with a warning, frame 4 (channel
  // 0 again) cannot be decoded at all, the others are untouched.
  void OpenRecording() {
    std::vector<test::SmallFrame> frames(8);
    for (std::size_t i = 0; i < frames.size(); ++i) {
      frames[i].channel = static_cast<int>(i % 4);
      frames[i].seconds = kSeconds + static_cast<std::uint32_t>(i);
    }
    const auto edit = [](std::size_t i, std::vector<std::uint8_t>& bytes) {
      if (i == 0) test::FlipScanBytes(bytes, 3, 2);
      if (i != 4) return;
      test::FlipScanBytes(bytes, 5, 1);
      test::BreakScanTables(bytes);
    };
    const std::string path = test::WriteSmallRecording(scratch_, "rec", frames, true, 64, 48, true, edit);
    ASSERT_EQ(test::LibraryVerdict(test::ReadFileBytes(path + "/IMG00001/IMG00001.jpg")),
              test::LibraryDamage::kWarning);
    ASSERT_EQ(test::LibraryVerdict(test::ReadFileBytes(path + "/IMG00001/IMG00005.jpg")),
              test::LibraryDamage::kFatal);
    ASSERT_EQ(doc_->OpenFolder(path), CSelvoViewerDoc::OpenOutcome::Opened);
  }

  test::TestFolder scratch_;
  RecordingNotifier notifier_;
  std::unique_ptr<CSelvoViewerDoc> doc_;
  std::unique_ptr<CSelvoViewerView> view_;
};

TEST_F(TamperedFrameViewTest, EachTamperedFrameShowsItsMarksAndTimeWithOrWithoutAPicture) {
  OpenRecording();
  struct Case {
    const char* name;
    int position;  // in channel 0's list: files 1 and 5
    bool picture;
  };
  for (const Case& c : {Case{"decodes with a warning", 0, true}, Case{"cannot be decoded", 1, false}}) {
    SCOPED_TRACE(c.name);
    doc_->ShowImage(c.position);
    EXPECT_EQ(doc_->CurrentImage() != nullptr, c.picture);
    EXPECT_NE(doc_->GetCurrentStatus() & kImageAltered, 0) << doc_->GetCurrentStatus();
    EXPECT_EQ(doc_->GetCurrentTime(), RecorderEpoch() + kSeconds + 4 * c.position);

    const QImage shown = view_->ComposeClientArea();
    // IMAGE ALTERED: x 340..660, y 240..288; TIME ALTERED: y 384..432.
    EXPECT_TRUE(IsMarkRed(shown.pixel(345, 280)));
    EXPECT_TRUE(IsMarkRed(shown.pixel(345, 425)));
    if (!c.picture) {
      // The placeholder's text stays readable above the box.
      EXPECT_EQ(shown.pixel(200, 100), view_->palette().color(QPalette::Button).rgb());
    }
  }
}

TEST_F(TamperedFrameViewTest, SplitPaneWithoutAPictureCarriesTheMarksOfItsImageOnly) {
  OpenRecording();
  view_->SetSplit4();
  doc_->ShowImage(4);  // channel 0's undecodable frame (the list holds all four channels now)
  ASSERT_EQ(doc_->CurrentImage(), nullptr);

  const QImage shown = view_->ComposeClientArea();
  EXPECT_GT(RedPixels(shown, QRect(0, 0, 500, 240)), 100) << "pane 0's black box carries the marks";
  // Panes not yet shown hold no image and no verdict: no marks.
  EXPECT_EQ(RedPixels(shown, QRect(500, 0, 500, 240)), 0);
  EXPECT_EQ(RedPixels(shown, QRect(0, 240, 1000, 240)), 0);
}

}  // namespace
}  // namespace selvo
