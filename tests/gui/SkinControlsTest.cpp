// The picture-shaped buttons and the panel's sliders: the outline taken
// from a picture, the state each button draws, the position slider's seek
// events and its silence while no recording is open, the speed slider's
// ticks, and the splitter bar that cannot be moved.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSplitterHandle>

#include <vector>

#include "view/FixedSplitter.h"
#include "view/PositionSlider.h"
#include "view/RegionFromBitmap.h"
#include "view/SkinButton.h"
#include "view/SkinToggleButton.h"
#include "view/SpeedSlider.h"

namespace selvo {
namespace {

constexpr QRgb kMagenta = 0xFFFF00FF;

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, widget->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                    held, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}


constexpr QRgb kGrey = 0xFF808080;

QImage Picture(int w, int h, QRgb fill) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(fill);
  return image;
}

TEST(RegionFromBitmap, FollowsTheOpaqueRunsOfEveryRow) {
  // A 6 x 3 picture: row 0 two runs, row 1 a hole in the middle of one run
  // reaching the right edge, row 2 transparent.
  QImage image = Picture(6, 3, kMagenta);
  for (int x : {0, 1, 4}) image.setPixel(x, 0, kGrey);
  for (int x : {2, 3, 5}) image.setPixel(x, 1, kGrey);
  const QRegion region = RegionFromBitmap(image);
  std::vector<QRect> rects(region.begin(), region.end());
  const std::vector<QRect> expected = {QRect(0, 0, 2, 1), QRect(4, 0, 1, 1), QRect(2, 1, 2, 1), QRect(5, 1, 1, 1)};
  EXPECT_EQ(rects, expected);
  EXPECT_FALSE(region.contains(QPoint(4, 1)));  // the hole
}

TEST(RegionFromBitmap, WholeAndEmptyPictures) {
  EXPECT_EQ(RegionFromBitmap(Picture(40, 36, kGrey)), QRegion(0, 0, 40, 36));
  EXPECT_TRUE(RegionFromBitmap(Picture(40, 36, kMagenta)).isEmpty());
  EXPECT_TRUE(RegionFromBitmap(QImage()).isEmpty());
  // Only the colour counts, not the alpha byte of the pixel.
  QImage withAlpha(2, 1, QImage::Format_ARGB32);
  withAlpha.setPixel(0, 0, 0x00FF00FF);
  withAlpha.setPixel(1, 0, 0x80FF00FE);
  EXPECT_EQ(RegionFromBitmap(withAlpha), QRegion(1, 0, 1, 1));
}

TEST(RegionFromBitmap, KeepsEveryRunOfAVeryBusyRow) {
  // 201 separate runs in one row: more than one batch of rectangles.
  QImage image = Picture(402, 1, kMagenta);
  for (int run = 0; run < 201; ++run) image.setPixel(run * 2, 0, kGrey);
  const QRegion region = RegionFromBitmap(image);
  EXPECT_EQ(region.rectCount(), 201);
  EXPECT_TRUE(region.contains(QPoint(400, 0)));
  EXPECT_FALSE(region.contains(QPoint(401, 0)));
}

TEST(SkinButton, TakesTheOutlineOfItsPictureSoCornerClicksMissIt) {
  SkinButton button(1004);
  ASSERT_TRUE(button.LoadSkin(159, 160, 161, 162));
  EXPECT_EQ(button.size(), QSize(40, 36));
  EXPECT_TRUE(button.mask().contains(QPoint(20, 18)));
  EXPECT_FALSE(button.mask().contains(QPoint(0, 0)));
  EXPECT_FALSE(button.mask().contains(QPoint(39, 35)));
  EXPECT_EQ(button.toolTip().section('\n', 0, 0), QStringLiteral("play"));
}

TEST(SkinButton, EveryPanelPictureHasAMagentaSurround) {
  for (int id = 143; id <= 177; ++id) {
    if (id > 162 && id < 171) continue;
    const QImage picture = LoadSkinBitmap(id);
    ASSERT_FALSE(picture.isNull()) << id;
    EXPECT_EQ(picture.pixel(0, 0) & 0xFFFFFF, 0xFF00FFu) << id;
    EXPECT_NE(picture.pixel(picture.width() / 2, picture.height() / 2) & 0xFFFFFF, 0xFF00FFu) << id;
  }
  EXPECT_TRUE(LoadSkinBitmap(0).isNull());
}

// The double-size partner of each picture, for HiDPI screens: twice the
// size, and nothing of it outside the keyed picture's outline, which the
// button's shape would cut off in steps.
TEST(SkinButton, EveryPanelPictureHasADoubleSizePartnerInsideItsOutline) {
  for (int id = 143; id <= 177; ++id) {
    if (id > 162 && id < 171) continue;
    SCOPED_TRACE(id);
    const QImage keyed = LoadSkinBitmap(id);
    const QImage large = LoadSkinBitmapForRatio(id, 2.0).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(large.devicePixelRatio(), 2.0);
    ASSERT_EQ(large.size(), keyed.size() * 2);
    int outside = 0;
    for (int y = 0; y < large.height(); ++y)
      for (int x = 0; x < large.width(); ++x)
        outside += qAlpha(large.pixel(x, y)) != 0 && (keyed.pixel(x / 2, y / 2) & 0xFFFFFF) == 0xFF00FFu;
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(qAlpha(large.pixel(large.width() / 2, large.height() / 2)), 255);
    EXPECT_EQ(LoadSkinBitmapForRatio(id, 1.0), keyed);
  }
}

// Reaches what the panel never needs from outside.
class ProbeButton : public SkinButton {
 public:
  using SkinButton::ApplyShape;
  using SkinButton::CurrentState;
  using SkinButton::SkinButton;
};

TEST(SkinButton, ClickTakesTheFocusAndShowsTheFocusPicture) {
  QWidget window;
  auto* elsewhere = new QLabel(QStringLiteral("x"), &window);
  elsewhere->setFocusPolicy(Qt::StrongFocus);
  auto* button = new ProbeButton(1001, &window);
  button->LoadSkin(147, 148, 149, 150);
  button->move(20, 0);
  window.show();
  QApplication::setActiveWindow(&window);
  elsewhere->setFocus();
  ASSERT_FALSE(button->hasFocus());

  const QPoint centre(button->width() / 2, button->height() / 2);
  SendMouse(button, QEvent::MouseButtonPress, centre);
  SendMouse(button, QEvent::MouseButtonRelease, centre);

  EXPECT_TRUE(button->hasFocus());
  EXPECT_EQ(button->BitmapIdFor(button->CurrentState()), 149);
}

TEST(SkinButton, AllMagentaPictureLeavesNothingToSeeOrClick) {
  QWidget window;
  window.resize(100, 100);
  auto* button = new ProbeButton(1001, &window);
  button->ApplyShape(Picture(30, 20, kMagenta));
  window.show();
  QApplication::processEvents();
  int clicks = 0;
  QObject::connect(button, &QAbstractButton::clicked, [&clicks] { ++clicks; });

  EXPECT_TRUE(button->IsShapeless());
  EXPECT_FALSE(button->mask().contains(QPoint(15, 10)));
  EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
  SendMouse(button, QEvent::MouseButtonPress, QPoint(15, 10));
  SendMouse(button, QEvent::MouseButtonRelease, QPoint(15, 10));
  EXPECT_EQ(clicks, 0);
  EXPECT_NE(window.grab().toImage().pixel(15, 10) & 0xFFFFFF, kMagenta & 0xFFFFFF);
}

TEST(SkinButton, UnknownPictureLeavesAPlainRectangle) {
  SkinButton button(1001);
  EXPECT_FALSE(button.LoadSkin(9999, 0, 0, 0));
  EXPECT_TRUE(button.mask().isEmpty());
}

TEST(SkinButton, StateChoosesThePictureFirstMatchWins) {
  SkinButton button(1001);
  button.LoadSkin(147, 148, 149, 150);
  SkinToggleButton toggle(1064);
  toggle.LoadSkin(171, 172, 173, 174);
  struct Case {
    bool pressed, focused, disabled, on;
    int button, toggle;
  };
  const Case cases[] = {
      {false, false, false, true, 147, 171},  {true, true, true, true, 148, 171},
      {false, true, true, true, 149, 171},    {false, false, true, true, 150, 173},
      {false, false, true, false, 150, 174},  {false, false, false, false, 147, 172},
      {true, false, false, false, 148, 172},
  };
  for (const Case& c : cases) {
    toggle.SetOn(c.on);
    const SkinButton::ItemState state{c.pressed, c.focused, c.disabled};
    EXPECT_EQ(button.BitmapIdFor(state), c.button) << c.pressed << c.focused << c.disabled;
    EXPECT_EQ(toggle.BitmapIdFor(state), c.toggle) << c.pressed << c.focused << c.disabled << c.on;
  }
}

// Collects the seek events the slider posts to its parent.
class SeekRecorder : public QWidget {
 public:
  std::vector<QEvent::Type> seen;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == SeekBeginEventType() || event->type() == SeekEndEventType()) {
      seen.push_back(event->type());
      return true;
    }
    return QWidget::event(event);
  }
};

class PositionSliderTest : public ::testing::Test {
 protected:
  PositionSliderTest() {
    parent.resize(400, 40);
    slider = new PositionSlider(&parent);
    slider->setGeometry(0, 0, 400, 30);
    parent.show();
  }
  void ClickAt(int x) {
    SendMouse(slider, QEvent::MouseButtonPress, QPoint(x, 15));
    SendMouse(slider, QEvent::MouseButtonRelease, QPoint(x, 15));
    QCoreApplication::sendPostedEvents(&parent);
  }

  SeekRecorder parent;
  PositionSlider* slider = nullptr;
};

TEST_F(PositionSliderTest, PostsSeekEventsAndStaysSilentWhileEmpty) {
  int pressed = 0, moved = 0, actions = 0;
  QObject::connect(slider, &QAbstractSlider::sliderPressed, [&] { ++pressed; });
  QObject::connect(slider, &QAbstractSlider::valueChanged, [&] { ++moved; });
  QObject::connect(slider, &QAbstractSlider::actionTriggered, [&] { ++actions; });
  ASSERT_TRUE(slider->IsRangeEmpty());
  ClickAt(300);
  QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
  QApplication::sendEvent(slider, &end);
  EXPECT_EQ(parent.seen, (std::vector<QEvent::Type>{SeekBeginEventType(), SeekEndEventType()}));
  EXPECT_EQ(pressed, 0);
  EXPECT_EQ(moved, 0);
  EXPECT_EQ(actions, 0);
}

TEST_F(PositionSliderTest, ReportsTheUsersMovesButNotTheProgramsOwn) {
  int moved = 0;
  QObject::connect(slider, &QAbstractSlider::valueChanged, [&] { ++moved; });
  slider->SetImageCount(50);
  slider->SetPositionIndex(9);
  EXPECT_EQ(slider->value(), 10);
  EXPECT_EQ(slider->minimum(), 1);
  EXPECT_EQ(slider->maximum(), 50);
  EXPECT_EQ(moved, 0);

  ClickAt(390);
  EXPECT_GT(moved, 0);
  EXPECT_GT(slider->value(), 10);
  EXPECT_EQ(parent.seen.size(), 2u);

  slider->SetImageCount(0);
  EXPECT_TRUE(slider->IsRangeEmpty());
}

TEST(SpeedSlider, TicksSpanTheGrooveAndNameTheirSpeeds) {
  SpeedSlider slider;
  slider.resize(120, 30);
  EXPECT_EQ(slider.minimum(), 1);
  EXPECT_EQ(slider.maximum(), 10);
  for (int tick = 1; tick < 10; ++tick) EXPECT_GT(slider.TickX(tick), slider.TickX(tick - 1)) << tick;
  const int bottom = slider.height() - 1;
  EXPECT_EQ(slider.TickAt(QPoint(slider.TickX(0) + 2, bottom)), 0);
  EXPECT_EQ(slider.TickAt(QPoint(slider.TickX(9) - 2, bottom)), 9);
  EXPECT_EQ(slider.TickAt(QPoint(slider.TickX(9), 0)), -1);  // over the groove, not below it
  EXPECT_EQ(SpeedSlider::TickText(0), QStringLiteral("1"));
  EXPECT_EQ(SpeedSlider::TickText(5), QStringLiteral("skip 1"));
  EXPECT_EQ(SpeedSlider::TickText(9), QStringLiteral("skip 5"));
  slider.setValue(8);
  EXPECT_EQ(slider.GetFrameInterval(), 20);
  EXPECT_EQ(slider.GetSkipCount(), 47);
}

TEST(FixedSplitter, BarIgnoresDragsAndTheFixedRowKeepsItsHeight) {
  FixedSplitter splitter;
  auto* top = new QLabel(&splitter);
  auto* bottom = new QLabel(&splitter);
  splitter.addWidget(top);
  splitter.addWidget(bottom);
  splitter.SetFixedRowHeight(1, 80);
  splitter.resize(300, 500);
  splitter.show();
  QApplication::processEvents();
  EXPECT_EQ(bottom->height(), 80);
  const int topHeight = top->height();

  QSplitterHandle* bar = splitter.handle(1);
  EXPECT_EQ(bar->cursor().shape(), Qt::ArrowCursor);
  SendMouse(bar, QEvent::MouseButtonPress, QPoint(5, 1));
  SendMouse(bar, QEvent::MouseMove, QPoint(5, -150));
  SendMouse(bar, QEvent::MouseButtonRelease, QPoint(5, -150));
  QApplication::processEvents();
  EXPECT_EQ(top->height(), topHeight);

  splitter.resize(300, 300);
  QApplication::processEvents();
  EXPECT_EQ(bottom->height(), 80);
  EXPECT_EQ(top->height(), 300 - 80 - FixedSplitter::kBarHeight);
}

}  // namespace
}  // namespace selvo
