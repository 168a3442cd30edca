// Examining pictures: zoomed panes drawn with the recorded pixels, the
// saved picture of an enhanced or zoomed view, and a split locked to one
// moment with its amber pane over a gap.
#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>

#include "app/CMainFrame.h"
#include "panel/EnhanceDialog.h"

#include "doc/CSelvoViewerDoc.h"
#include "source/ByteOrder.h"
#include "source/Notifier.h"
#include "tests/SmallRecording.h"
#include "view/CSelvoViewerView.h"
#include "view/render/PaneRenderer.h"

namespace selvo {
namespace {

// Columns alternately black and white, one picture pixel wide.
DibPtr StripedPicture(int width, int height) {
  DibPtr dib = DibBlock::Create(width, height, 3);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = dib->RowFromTop(y);
    for (int x = 0; x < width; ++x) std::fill_n(row + 3 * x, 3, static_cast<std::uint8_t>(x % 2 ? 255 : 0));
  }
  return dib;
}

int ColoursBetween(const QImage& image, const QRect& r) {
  int between = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const int v = qRed(image.pixel(x, y));
      if (v != 0 && v != 255) ++between;
    }
  return between;
}

TEST(ExaminePaneRendering, ZoomedPastOneToOneEveryScreenPixelIsARecordedPixel) {
  const DibPtr picture = StripedPicture(64, 48);
  QImage scratch;
  for (bool halftone : {false, true}) {
    QImage buffer(640, 480, QImage::Format_RGB32);
    buffer.fill(Qt::gray);
    PaneDrawRequest request;
    request.flags = kDrawImage;
    request.rect = {0, 0, 640, 480};
    request.image = picture.get();
    request.scratch = &scratch;
    request.shownPart = QRectF(0.25, 0.25, 0.125, 0.125);  // 8 x 6 picture pixels, 80 screen pixels each
    request.halftone = halftone;
    DrawPane(buffer, request, PaneOverlayStyle());
    const int between = ColoursBetween(buffer, QRect(0, 0, 640, 480));
    if (halftone)
      EXPECT_GT(between, 0) << "smooth scaling blends neighbours";
    else
      EXPECT_EQ(between, 0) << "sharp pixels show only recorded values";
    // Picture column 16 (black) fills screen columns 0..79, column 17 (white) 80..159.
    EXPECT_EQ(qRed(buffer.pixel(20, 200)), 0);
    EXPECT_EQ(qRed(buffer.pixel(100, 200)), halftone ? qRed(buffer.pixel(100, 200)) : 255);
  }
}

TEST(ExaminePaneRendering, SavedShownAreaHoldsOnlyThatPartOfThePicture) {
  // Left half red, right half blue; the shown area is the left quarter.
  DibPtr dib = DibBlock::Create(720, 480, 3);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 720; ++x) {
      std::uint8_t* px = dib->RowFromTop(y) + 3 * x;
      px[0] = x < 360 ? 0 : 255;
      px[1] = 0;
      px[2] = x < 360 ? 255 : 0;
    }
  PaneDrawRequest request;
  request.image = dib.get();
  request.shownPart = QRectF(0.0, 0.25, 0.25, 0.25);
  const QImage saved = ComposeExportPicture(720, Qt::lightGray, request, PaneOverlayStyle());
  ASSERT_EQ(saved.size(), QSize(720, 540));
  EXPECT_EQ(qRed(saved.pixel(700, 270)), 255);
  EXPECT_EQ(qBlue(saved.pixel(700, 270)), 0);
}

TEST(ExaminePaneRendering, PrintedPageOfAnEnhancedPictureSaysSoUnderThePicture) {
  const DibPtr picture = StripedPicture(64, 48);
  // A page taller than 4:3: the band under the picture is free for the note.
  const auto darkUnderPicture = [&](const EnhanceSettings* enhance) {
    PaneDrawRequest request;
    request.image = picture.get();
    request.printing = true;
    request.enhance = enhance;
    const QImage page = ComposeSinglePane(400, 500, Qt::white, request, PaneOverlayStyle());
    int dark = 0;
    for (int y = 400; y < 500; ++y)  // the picture's 4:3 box ends at 400
      for (int x = 0; x < 400; ++x) dark += qGray(page.pixel(x, y)) < 100;
    return dark;
  };
  EnhanceSettings greyer;
  greyer.greyscale = true;
  EXPECT_EQ(darkUnderPicture(nullptr), 0);
  EXPECT_GT(darkUnderPicture(&greyer), 20);
}

class ExamineViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DocumentOptions options;
    options.persistSettings = false;
    doc_ = std::make_unique<CSelvoViewerDoc>(options, notifier_);
    view_ = std::make_unique<CSelvoViewerView>(*doc_);
    doc_->AttachImageView(view_.get());
    view_->resize(640, 480);
  }

  void TearDown() override { doc_->AttachImageView(nullptr); }

  void Open(const std::vector<test::SmallFrame>& frames) {
    const std::string path = test::WriteSmallRecording(scratch_, "rec", frames, true, 64, 48, true);
    ASSERT_EQ(doc_->OpenFolder(path), CSelvoViewerDoc::OpenOutcome::Opened);
  }

  // Width, height and the pixel at (x, y from the top) of a saved file.
  struct SavedBitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bytes;
    QRgb Pixel(int x, int y) const {
      const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
      const std::uint8_t* p = bytes.data() + 54 + (height - 1 - y) * stride + 3 * x;
      return qRgb(p[2], p[1], p[0]);
    }
  };
  SavedBitmap Save(const std::string& name) {
    QString reason;
    const QString path = QString::fromStdString(scratch_ / name);
    EXPECT_TRUE(view_->SaveImageTo(path, reason)) << reason.toStdString();
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    SavedBitmap saved;
    saved.bytes.assign(data.begin(), data.end());
    if (saved.bytes.size() >= 54) {
      saved.width = ReadLe32Signed(saved.bytes.data() + 18);
      saved.height = ReadLe32Signed(saved.bytes.data() + 22);
    }
    return saved;
  }

  test::TestFolder scratch_;
  RecordingNotifier notifier_;
  std::unique_ptr<CSelvoViewerDoc> doc_;
  std::unique_ptr<CSelvoViewerView> view_;
};

TEST_F(ExamineViewTest, SavedPictureOfAnEnhancedViewSaysSoInItsTitleBand) {
  Open({{0, 100000000}, {1, 100000001}});
  const int statusBefore = doc_->GetCurrentStatus();
  const SavedBitmap plain = Save("plain.bmp");
  ASSERT_EQ(plain.height, 48);

  EnhanceSettings settings;
  settings.contrast = 20;
  settings.gammaTenths = 14;
  view_->SetEnhancement(settings);
  const SavedBitmap enhanced = Save("enhanced.bmp");
  EXPECT_EQ(enhanced.width, 64);
  ASSERT_GT(enhanced.height, 48) << "a band under the picture";
  int dark = 0;
  for (int y = 48; y < enhanced.height; ++y)
    for (int x = 0; x < 64; ++x) dark += qGray(enhanced.Pixel(x, y)) < 64;
  EXPECT_GT(dark, 10) << "the band carries the note";
  EXPECT_NE(enhanced.Pixel(20, 20), plain.Pixel(20, 20)) << "the picture is saved as shown";
  // The verdict still comes from the file.
  EXPECT_EQ(doc_->GetCurrentStatus(), statusBefore);

  view_->SetEnhancement(EnhanceSettings{});
  EXPECT_EQ(Save("reset.bmp").bytes, plain.bytes);
}

TEST_F(ExamineViewTest, EnhanceControlsReachTheViewAndOneClickResetsThemAll) {
  EnhanceDialog dialog;
  QObject::connect(&dialog, &EnhanceDialog::settingsChanged, view_.get(), &CSelvoViewerView::SetEnhancement);
  dialog.ContrastSlider()->setValue(20);
  dialog.GammaSlider()->setValue(14);
  dialog.SharpenSlider()->setValue(30);
  dialog.GreyscaleBox()->setChecked(true);
  EXPECT_EQ(EnhanceDescription(view_->Enhancement()), "enhanced: contrast +20, gamma 1.4, sharpen 30, greyscale");
  dialog.findChild<QPushButton*>("reset")->click();
  EXPECT_FALSE(view_->Enhancement().IsActive());
  EXPECT_EQ(dialog.Settings(), EnhanceSettings{});
}

TEST_F(ExamineViewTest, WheelZoomHoldsWhileSteppingAndFitResets) {
  Open({{0, 100000000}, {0, 100000001}, {0, 100000002}});
  view_->ZoomAt(QPoint(100, 100), 8);  // eight notches in
  ASSERT_TRUE(view_->PaneZoom(0).IsZoomed());
  const QRectF part = view_->PaneZoom(0).ShownPart();
  doc_->GoNext(true);
  view_->ComposeClientArea();
  EXPECT_EQ(view_->PaneZoom(0).ShownPart(), part);
  // A 64-pixel picture fills a 640-pixel box at 10x: the wheel stops at 16x.
  EXPECT_EQ(view_->ZoomText(), QStringLiteral("Zoom: 16.0x"));
  view_->ZoomFit();
  EXPECT_FALSE(view_->PaneZoom(0).IsZoomed());
  // Another recording opens fitted.
  view_->ZoomIn();
  ASSERT_TRUE(view_->PaneZoom(0).IsZoomed());
  view_->ResetPanes();
  EXPECT_FALSE(view_->PaneZoom(0).IsZoomed());
  // Outside the picture box the wheel does nothing.
  view_->resize(1000, 480);
  view_->ZoomAt(QPoint(50, 240), 4);
  EXPECT_FALSE(view_->PaneZoom(0).IsZoomed());
}

// The bounding box of the recording's blue picture pixels.
QRect BluePictureBounds(const QImage& image) {
  QRect bounds;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qBlue(p) > 120 && qRed(p) < 60 && qGreen(p) < 60) bounds |= QRect(x, y, 1, 1);
    }
  return bounds;
}

// A 64 x 48 picture fills a 640 x 480 view at 10x: 1:1 shrinks it to its
// own size in the middle, and the factor says so; Fit brings it back.
TEST_F(ExamineViewTest, ActualPixelsShrinksAPictureFittedLarger) {
  Open({{0, 100000000}});
  EXPECT_EQ(BluePictureBounds(view_->ComposeClientArea()), QRect(0, 0, 640, 480));

  view_->ZoomActualPixels();

  EXPECT_EQ(BluePictureBounds(view_->ComposeClientArea()), QRect(288, 216, 64, 48));
  EXPECT_EQ(view_->ZoomText(), QStringLiteral("Zoom: 1.0x"));
  view_->ZoomOut();  // no smaller than 1:1
  EXPECT_EQ(BluePictureBounds(view_->ComposeClientArea()), QRect(288, 216, 64, 48));
  view_->ZoomFit();
  EXPECT_EQ(BluePictureBounds(view_->ComposeClientArea()), QRect(0, 0, 640, 480));
}

// Amber text pixels: strong red, middling green, little blue.
int AmberPixels(const QImage& image, const QRect& r) {
  int amber = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const QRgb p = image.pixel(x, y);
      amber += qRed(p) > 200 && qGreen(p) > 120 && qGreen(p) < 200 && qBlue(p) < 60;
    }
  return amber;
}

TEST_F(ExamineViewTest, LockedSplitShowsEachCamerasNearestImageAndAmberOverAGap) {
  // Camera 1 records until second 1 and again from second 9; camera 0 all
  // the time. Stamps run 100 ms apart in list order.
  Open({{0, 100000000}, {1, 100000000}, {0, 100000001}, {1, 100000001}, {0, 100000002},
        {0, 100000003}, {0, 100000004}, {0, 100000005}, {0, 100000006}, {0, 100000007},
        {0, 100000008}, {1, 100000009}, {0, 100000009}});
  view_->SetSplit4();
  ASSERT_EQ(view_->GetPaneChannel(0), 0);
  ASSERT_EQ(view_->GetPaneChannel(1), 1);
  doc_->SetLockedToTime(true);
  const QRect pane1(320, 0, 320, 240);
  const QRect pane0(0, 0, 320, 240);

  // At second 0 both cameras have an image of the moment.
  doc_->ShowImage(0);
  QImage shown = view_->ComposeClientArea();
  EXPECT_EQ(AmberPixels(shown, pane1), 0);
  EXPECT_EQ(doc_->NearestImageOf(1).index, 1);

  // Dragged into the gap: camera 1's nearest is seconds away, in amber.
  doc_->ShowImage(6);  // camera 0, second 4
  const LockedImage nearest = doc_->NearestImageOf(1);
  EXPECT_TRUE(nearest.farInTime);
  shown = view_->ComposeClientArea();
  EXPECT_GT(AmberPixels(shown, pane1), 20);
  EXPECT_EQ(AmberPixels(shown, pane0), 0);
  // The other panes' images were read without moving the current one.
  EXPECT_EQ(doc_->GetPosition(), 6);
  EXPECT_EQ(doc_->GetCurrentChannel(), 0);

  // The wheel zooms the pane under it only.
  view_->ZoomAt(pane1.center(), 2);
  EXPECT_TRUE(view_->PaneZoom(1).IsZoomed());
  EXPECT_FALSE(view_->PaneZoom(0).IsZoomed());
  EXPECT_EQ(view_->ZoomPane(), 1);

  // The lock off, the panes keep their last pictures in white, as before.
  doc_->SetLockedToTime(false);
  shown = view_->ComposeClientArea();
  EXPECT_EQ(AmberPixels(shown, pane1), 0);
}

TEST(ExamineFrameTest, SmoothScalingAndTheTimeLockAreRememberedAcrossRuns) {
  test::TestFolder scratch;
  RecordingNotifier notifier;
  DocumentOptions options;
  options.persistSettings = false;
  QSettings profile(QString::fromStdString(scratch / "profile.ini"), QSettings::IniFormat);
  {
    CSelvoViewerDoc doc(options, notifier);
    CMainFrame frame(doc, profile, 0);
    EXPECT_FALSE(frame.QueryCommand(cmd::kSmoothScaling).checked);
    EXPECT_FALSE(doc.IsLockedToTime());
    frame.FireCommand(cmd::kSmoothScaling);
    EXPECT_TRUE(frame.QueryCommand(cmd::kSmoothScaling).checked);
    // Without a recording with cameras the lock cannot be chosen; a run
    // that chose it left it in the profile.
    EXPECT_FALSE(frame.QueryCommand(cmd::kLockCamerasToTime).enabled);
  }
  profile.setValue("Examine/LockCamerasToTime", true);
  CSelvoViewerDoc doc(options, notifier);
  CMainFrame frame(doc, profile, 0);
  EXPECT_TRUE(frame.QueryCommand(cmd::kSmoothScaling).checked);
  EXPECT_TRUE(frame.QueryCommand(cmd::kLockCamerasToTime).checked);
  EXPECT_TRUE(doc.IsLockedToTime());
  doc.AttachImageView(nullptr);
}

}  // namespace
}  // namespace selvo
