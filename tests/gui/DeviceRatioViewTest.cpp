// The view and the panel's buttons at the device pixel ratio of the screen
// they run on (this program runs once per ratio, QT_SCALE_FACTOR set by the
// test list): a frame whose picture and time were both edited must show both
// boxes and its time text where ratio 1 puts them, scaled, on every paint and
// not only the first; a button shows the picture drawn for the ratio.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include <cmath>
#include <optional>

#include "source/ImageInfo.h"
#include "source/text/UiLanguage.h"
#include "tests/SmallRecording.h"
#include "tests/TamperedJpeg.h"
#include "tests/gui/CheckedViewFixture.h"
#include "view/render/PaneLayout.h"
#include "view/render/PaneRenderer.h"
#include "view/SkinButton.h"

namespace selvo {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// Where the overlays of one pane landed, in device pixels.
struct Overlays {
  std::optional<QRect> imageAltered;  // the red box above the middle
  std::optional<QRect> timeAltered;   // the red box near the bottom
  std::optional<QRect> timeText;      // white glyphs
};

void Widen(std::optional<QRect>& box, int x, int y) {
  box = box ? box->united(QRect(x, y, 1, 1)) : QRect(x, y, 1, 1);
}

// Red marks below 70 % of the pane's height belong to TIME ALTERED. The
// picture is a dark blue, so white is the time text alone.
Overlays Measure(const QImage& image, QRect pane) {
  pane.adjust(3, 3, -3, -3);  // not the white line of a split pane's sunken frame
  Overlays found;
  const int split = pane.top() + pane.height() * 70 / 100;
  for (int y = pane.top(); y <= pane.bottom(); ++y) {
    for (int x = pane.left(); x <= pane.right(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qRed(p) == 255 && qGreen(p) == 0 && qBlue(p) == 0) Widen(y < split ? found.imageAltered : found.timeAltered, x, y);
      if (qRed(p) >= 250 && qGreen(p) >= 250 && qBlue(p) >= 250) Widen(found.timeText, x, y);
    }
  }
  return found;
}

QRect Scaled(const QRect& r, double ratio) {
  return QRect(QPoint(static_cast<int>(std::lround(r.left() * ratio)), static_cast<int>(std::lround(r.top() * ratio))),
               QPoint(static_cast<int>(std::lround((r.right() + 1) * ratio)) - 1,
                      static_cast<int>(std::lround((r.bottom() + 1) * ratio)) - 1));
}

void ExpectNear(const std::optional<QRect>& shown, const std::optional<QRect>& atOne, double ratio, int tolerance,
                const char* what) {
  SCOPED_TRACE(what);
  ASSERT_TRUE(atOne.has_value()) << "not drawn at ratio 1";
  ASSERT_TRUE(shown.has_value()) << "not drawn at ratio " << ratio;
  const QRect expected = Scaled(*atOne, ratio);
  EXPECT_NEAR(shown->left(), expected.left(), tolerance);
  EXPECT_NEAR(shown->top(), expected.top(), tolerance);
  EXPECT_NEAR(shown->right(), expected.right(), tolerance);
  EXPECT_NEAR(shown->bottom(), expected.bottom(), tolerance);
}

class DeviceRatioViewTest : public test::CheckedViewFixture {
 protected:
  void SetUp() override {
    CheckedViewFixture::SetUp();
    view_->resize(kWidth, kHeight);

    // Four cameras; camera 1's first frame has its seconds changed after
    // the time check and its picture after the data check.
    std::vector<test::SmallFrame> frames(4);
    for (std::size_t i = 0; i < frames.size(); ++i) frames[i].channel = static_cast<int>(i);
    frames[0].damage = TrailerDamage::kAlteredTime;
    const auto edit = [](std::size_t i, std::vector<std::uint8_t>& bytes) {
      if (i == 0) test::FlipScanBytes(bytes, 3, 2);
    };
    const std::string path = test::WriteSmallRecording(scratch_, "rec", frames, true, 64, 48, true, edit);
    ASSERT_EQ(doc_->OpenFolder(path), CSelvoViewerDoc::OpenOutcome::Opened);
    doc_->ShowImage(0);
    ASSERT_EQ(doc_->GetCurrentStatus(), kImageAltered | kTimeAltered);
  }

  // What the window shows: painted twice, since a paint may leave state
  // behind that only the next one shows.
  QImage Shown() {
    view_->grab();
    return view_->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }

  PaneDrawRequest CurrentImageOn(const PixelRect& rect) const {
    PaneDrawRequest request;
    request.image = doc_->CurrentImage();
    request.time = doc_->GetCurrentTime();
    request.status = doc_->GetCurrentStatus();
    request.rect = rect;
    return request;
  }

  // The same pane drawn by the renderer at ratio 1, in widget pixels.
  QImage AtRatioOne(const PixelRect& paneRect) const {
    QImage buffer(kWidth, kHeight, QImage::Format_RGB32);
    buffer.fill(Qt::gray);
    DrawPane(buffer, CurrentImageOn(paneRect), view_->OverlayStyle(1.0));
    return buffer;
  }
};

TEST_F(DeviceRatioViewTest, MarksAndTimeTextLandWhereRatioOnePutsThem) {
  const double ratio = view_->devicePixelRatioF();
  const QByteArray asked = qgetenv("QT_SCALE_FACTOR");
  if (!asked.isEmpty()) {
    ASSERT_DOUBLE_EQ(ratio, asked.toDouble());
  }
  struct Case {
    const char* name;
    int panes;
  };
  for (const Case& c : {Case{"one pane", 1}, Case{"2 x 2 split, pane 0", 4}}) {
    SCOPED_TRACE(c.name);
    if (c.panes == 4) view_->SetSplit4();
    const PixelRect logicalPane = LayoutPanes({0, 0, kWidth, kHeight}, c.panes == 4 ? 2 : 1).panes[0];
    const PixelRect drawn = c.panes == 4 ? logicalPane.Deflated(1) : logicalPane;
    const Overlays atOne = Measure(AtRatioOne(drawn), QRect(0, 0, logicalPane.Width(), logicalPane.Height()));

    const QImage shown = Shown();
    ASSERT_EQ(shown.size(), QSize(static_cast<int>(std::lround(kWidth * ratio)),
                                  static_cast<int>(std::lround(kHeight * ratio))));
    const Overlays atRatio = Measure(shown, Scaled(QRect(0, 0, logicalPane.Width(), logicalPane.Height()), ratio));
    // Box edges are whole percentages of the box, truncated; the glyphs
    // are hinted anew for each size.
    const int boxTolerance = static_cast<int>(std::ceil(2 * ratio));
    const int textTolerance = static_cast<int>(std::ceil(0.02 * logicalPane.Width() * ratio));
    ExpectNear(atRatio.imageAltered, atOne.imageAltered, ratio, boxTolerance, "IMAGE ALTERED");
    ExpectNear(atRatio.timeAltered, atOne.timeAltered, ratio, boxTolerance, "TIME ALTERED");
    ExpectNear(atRatio.timeText, atOne.timeText, ratio, textTolerance, "time text");
  }
}

// The renderer places everything in the buffer's pixels, whatever ratio the
// buffer carries: a saved bitmap, a printed page or an exported frame drawn
// into a buffer that came with one is the same picture.
TEST_F(DeviceRatioViewTest, RendererIgnoresTheRatioOfItsBuffer) {
  const QImage plain = AtRatioOne({0, 0, kWidth, kHeight});
  for (double bufferRatio : {1.25, 2.0}) {
    SCOPED_TRACE(bufferRatio);
    QImage buffer(kWidth, kHeight, QImage::Format_RGB32);
    buffer.setDevicePixelRatio(bufferRatio);
    buffer.fill(Qt::gray);
    DrawPane(buffer, CurrentImageOn({0, 0, kWidth, kHeight}), view_->OverlayStyle(1.0));
    buffer.setDevicePixelRatio(1.0);
    EXPECT_TRUE(buffer == plain);
  }
}

// The empty first window says what to do, in the widget's units whatever
// the ratio, centred, and wrapped rather than cut in the narrowest window.
class EmptyViewAtRatio : public test::CheckedViewFixture, public ::testing::WithParamInterface<UiLanguage> {
 protected:
  void SetUp() override {
    SetUiLanguage(GetParam());
    CheckedViewFixture::SetUp();
  }
  void TearDown() override {
    CheckedViewFixture::TearDown();
    SetUiLanguage(UiLanguage::English);
  }
};

TEST_P(EmptyViewAtRatio, HintIsDrawnWholeAndCentred) {
  const double ratio = view_->devicePixelRatioF();
  const int lineHeight = view_->fontMetrics().height();
  for (const QSize size : {QSize(kWidth, kHeight), QSize(330, 240)}) {
    SCOPED_TRACE(size.width());
    view_->resize(size);
    const QImage shown = view_->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor face = view_->palette().color(QPalette::Button);
    std::optional<QRect> text;
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x)
        if (qGray(shown.pixel(x, y)) < qGray(face.rgb()) - 60) Widen(text, x, y);
    ASSERT_TRUE(text.has_value()) << "no hint drawn";
    const double margin = 16 * ratio;
    EXPECT_GT(text->left(), margin);
    EXPECT_GT(text->top(), margin);
    EXPECT_LT(text->right(), shown.width() - margin);
    EXPECT_LT(text->bottom(), shown.height() - margin);
    EXPECT_NEAR(text->center().x(), shown.width() / 2.0, 0.1 * shown.width());
    EXPECT_NEAR(text->center().y(), shown.height() / 2.0, 0.1 * shown.height());
    // A heading, a gap and the hint: three lines at the least, in widget units.
    EXPECT_GE(text->height() / ratio, 2.5 * lineHeight);
  }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, EmptyViewAtRatio, ::testing::Values(UiLanguage::English, UiLanguage::Japanese),
                         [](const ::testing::TestParamInfo<UiLanguage>& info) {
                           return info.param == UiLanguage::Japanese ? "Japanese" : "English";
                         });

// A skinned button shows, pixel for pixel, the picture made for the
// screen's ratio: at 2 the double-size picture, not the keyed one stretched
// into stair steps.
TEST(SkinButtonAtRatio, DrawsThePictureMadeForTheScreensRatio) {
  SkinButton button(1005);
  ASSERT_TRUE(button.LoadSkin(159, 160, 161, 162));
  const double ratio = button.devicePixelRatioF();
  const QImage shown = button.grab().toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(shown.size(), QSize(static_cast<int>(std::lround(40 * ratio)), static_cast<int>(std::lround(36 * ratio))));
  if (ratio != 1.0 && ratio != 2.0) GTEST_SKIP() << "drawn scaled: no picture to compare pixel for pixel";
  const QImage art = QImage(ratio == 2.0 ? QStringLiteral(":/panel/159@2x.png") : QStringLiteral(":/panel/159.png"))
                         .convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(art.size(), shown.size());
  int compared = 0;
  int differing = 0;
  for (int y = 0; y < art.height(); ++y) {
    for (int x = 0; x < art.width(); ++x) {
      const QRgb a = art.pixel(x, y);
      if (qAlpha(a) != 255 || (a & 0xFFFFFF) == 0xFF00FFu) continue;
      ++compared;
      differing += shown.pixel(x, y) != a;
    }
  }
  EXPECT_GT(compared, art.width() * art.height() / 2);
  EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace selvo
