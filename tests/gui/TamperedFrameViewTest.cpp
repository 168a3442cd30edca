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
#include "tools/recwriter/InfoIndexWriter.h"
#include "tools/recwriter/Jp2Encoder.h"
#include "tools/recwriter/TrailerWriter.h"
#include "tests/gui/CheckedViewFixture.h"
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

int WhitePixels(const QImage& image, const QRect& area) {
  int white = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) white += image.pixel(x, y) == qRgb(255, 255, 255);
  }
  return white;
}

// A frame substituted from another encoder: still a valid JPEG 2000 file,
// but its file-type box lists one compatible brand more than the recorder's.
void AddCompatibleBrand(std::vector<std::uint8_t>& jp2, const char* brand) {
  constexpr std::size_t kTypeBox = 12;
  constexpr std::size_t kTypeBoxEnd = kTypeBox + 0x14;
  ASSERT_GE(jp2.size(), kTypeBoxEnd);
  ASSERT_EQ(jp2[kTypeBox + 3], 0x14);
  jp2[kTypeBox + 3] = 0x18;
  jp2.insert(jp2.begin() + kTypeBoxEnd, brand, brand + 4);
}

class TamperedFrameViewTest : public test::CheckedViewFixture {
 protected:
  void SetUp() override {
    CheckedViewFixture::SetUp();
    view_->resize(1000, 480);  // the 640 x 480 picture box sits at x = 180
  }

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

TEST_F(TamperedFrameViewTest, AFrameTheCheckCannotRecogniseIsMarkedAndShowsNoTime) {
  InfoIndexWriter info;
  for (std::uint32_t i = 0; i < 2; ++i) {
    std::vector<std::uint8_t> rgb(64 * 48 * 3, 0);
    for (std::size_t p = 0; p < rgb.size(); p += 3) rgb[p + 2] = 160;
    const auto writer = TrailerWriter::ForJp2(EncodeJp2(rgb.data(), 64, 48));
    ASSERT_TRUE(writer.has_value());
    std::vector<std::uint8_t> bytes = writer->Write(TrailerValues{kSeconds + i, i * 100});
    if (i == 1) AddCompatibleBrand(bytes, "jpxb");
    scratch_.Write("jp2/IMG00001/IMG0000" + std::to_string(i + 1) + ".jp2", bytes);
    // The index still gives it a time, which nothing in the file vouches for.
    info.Add(InfoEntry{kSeconds + i, i * 100, 0});
  }
  scratch_.MakeDir("jp2/INFO");
  std::string error;
  ASSERT_TRUE(info.WriteFile(scratch_ / "jp2/INFO/REC.INF", error)) << error;
  ASSERT_EQ(doc_->OpenFolder(scratch_ / "jp2"), CSelvoViewerDoc::OpenOutcome::Opened);

  // Where the boxes and the time text (lower right) of the 640 x 480 box land.
  const QRect imageBox(340, 240, 320, 48);
  const QRect timeBox(340, 384, 320, 48);
  const QRect timeText(560, 430, 255, 45);
  struct Case {
    const char* name;
    int position;
    bool marked;
  };
  for (const Case& c : {Case{"the recorder's frame", 0, false}, Case{"the substituted frame", 1, true}}) {
    SCOPED_TRACE(c.name);
    doc_->ShowImage(c.position);
    ASSERT_NE(doc_->CurrentImage(), nullptr) << "it decodes";
    EXPECT_EQ(doc_->GetCurrentStatus() < 0, c.marked);
    const QImage shown = view_->ComposeClientArea();
    EXPECT_EQ(RedPixels(shown, imageBox) > 1000, c.marked);
    EXPECT_EQ(RedPixels(shown, timeBox) > 1000, c.marked);
    EXPECT_EQ(WhitePixels(shown, timeText) > 20, !c.marked) << "a time is shown only where the check vouches for it";
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
