// Find Motion as the user runs it: an area dragged on a pane of the view,
// the search run to its end while the window stays live, the events on the
// strip along the slider and in the list, and Next Event and a click in the
// list showing an event's first image; the drag mapped to recorded pixels
// through a zoom and the screen's device pixel ratio; a split searching the
// camera of the pane drawn on.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <memory>

#include "app/CMainFrame.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/CommandIds.h"
#include "doc/MotionSearches.h"
#include "panel/FindMotionDialog.h"
#include "source/Notifier.h"
#include "tests/MotionViewFootage.h"
#include "tests/TestFolder.h"
#include "view/ActivityStrip.h"
#include "view/CSelvoViewerView.h"
#include "view/render/PaneLayout.h"

namespace selvo {
namespace {

constexpr QSize kPicture(352, 240);

QSize DeviceSize(const QWidget& view) {
  const double ratio = view.devicePixelRatioF();
  return {static_cast<int>(std::lround(view.width() * ratio)), static_cast<int>(std::lround(view.height() * ratio))};
}

// The widget point over a recorded pixel of a fitted pane whose picture box
// (device pixels) is box: every picture is stretched onto its 4:3 box.
QPoint Over(const QWidget& view, const PixelBox& box, int x, int y) {
  const double ratio = view.devicePixelRatioF();
  return {static_cast<int>(std::lround((box.x + static_cast<double>(x) * box.w / kPicture.width()) / ratio)),
          static_cast<int>(std::lround((box.y + static_cast<double>(y) * box.h / kPicture.height()) / ratio))};
}

void Drag(QWidget* view, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
  QTest::mousePress(view, Qt::LeftButton, modifiers, from);
  QTest::mouseMove(view, (from + to) / 2);
  QTest::mouseRelease(view, Qt::LeftButton, modifiers, to);
}

void DragOver(QWidget* view, const PixelBox& box, const MotionRect& area, Qt::KeyboardModifiers modifiers = {}) {
  Drag(view, Over(*view, box, area.x, area.y),
       Over(*view, box, static_cast<int>(area.Right()), static_cast<int>(area.Bottom())), modifiers);
}

bool WaitForSearch(const CSelvoViewerDoc& doc) {
  QElapsedTimer timer;
  timer.start();
  while (doc.Motion().IsRunning() && timer.elapsed() < 120000) QCoreApplication::processEvents();
  return !doc.Motion().IsRunning();
}

bool IsAreaGreen(QRgb pixel) { return qGreen(pixel) - std::max(qRed(pixel), qBlue(pixel)) > 100; }

int GreenPixels(const QImage& image) {
  int green = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) green += IsAreaGreen(image.pixel(x, y));
  return green;
}

DocumentOptions Unpersisted() {
  DocumentOptions options;
  options.persistSettings = false;
  return options;
}

// The main window on a recording, as the user has it.
struct FramedFootage {
  explicit FramedFootage(const std::string& footage)
      : profile(QString::fromStdString(scratch / "profile.ini"), QSettings::IniFormat),
        doc(Unpersisted(), notifier),
        frame(std::make_unique<CMainFrame>(doc, profile, 0)) {
    frame->show();
    opened = !footage.empty() && doc.OpenFolder(footage) == CSelvoViewerDoc::OpenOutcome::Opened;
  }

  test::TestFolder scratch;
  QSettings profile;
  RecordingNotifier notifier;
  CSelvoViewerDoc doc;
  std::unique_ptr<CMainFrame> frame;
  bool opened = false;
};

TEST(FindMotionTest, AnAreaDrawnByMouseIsSearchedAndItsEventsShowOnTheStripAndInTheList) {
  FramedFootage framed(test::CrossingFolder());
  ASSERT_TRUE(framed.opened);
  CSelvoViewerDoc& doc = framed.doc;
  std::unique_ptr<CMainFrame>& frame = framed.frame;
  EXPECT_FALSE(frame->ActionFor(cmd::kNextMotionEvent)->isEnabled());

  frame->FireCommand(cmd::kFindMotion);
  auto* dialog = frame->findChild<FindMotionDialog*>("findMotionDialog");
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
  EXPECT_TRUE(doc.Motion().IsDrawing());
  EXPECT_FALSE(dialog->StartButton()->isEnabled());

  auto* view = frame->findChild<CSelvoViewerView*>();
  ASSERT_NE(view, nullptr);
  const QSize device = DeviceSize(*view);
  const PixelBox box = FitBox43({0, 0, device.width(), device.height()});
  const MotionRect area = test::kCrossingArea;
  DragOver(view, box, area);
  // With Shift: an area to leave out, in the corner far from the walk.
  DragOver(view, box, {300, 10, 40, 30}, Qt::ShiftModifier);
  const MotionAreaDrawing& drawn = doc.Motion().Drawing();
  ASSERT_EQ(drawn.areas.size(), 1u);
  ASSERT_EQ(drawn.ignores.size(), 1u);
  EXPECT_EQ(drawn.camera, 0);
  // The drawn area is the crossing's, give or take the scaling's pixels.
  EXPECT_NEAR(drawn.areas[0].x, area.x, 2);
  EXPECT_NEAR(drawn.areas[0].width, area.width, 3);
  EXPECT_EQ(dialog->AreaList()->count(), 2);

  ASSERT_TRUE(dialog->StartButton()->isEnabled());
  QTest::mouseClick(dialog->StartButton(), Qt::LeftButton);
  ASSERT_TRUE(doc.Motion().IsRunning());
  ASSERT_TRUE(WaitForSearch(doc));

  const std::vector<MotionEventInList> events = doc.Motion().EventsInList();
  ASSERT_EQ(events.size(), 1u);
  auto* strip = frame->findChild<ActivityStrip*>();
  ASSERT_NE(strip, nullptr);
  EXPECT_TRUE(strip->isVisible());
  ASSERT_EQ(strip->Events().size(), 1u);
  EXPECT_EQ(strip->Events()[0].first, events[0].first);
  EXPECT_TRUE(strip->IsEventColumn(strip->width() * (events[0].first + events[0].last) / 2 / doc.GetCount()));
  EXPECT_FALSE(strip->IsEventColumn(strip->width() - 1));
  ASSERT_EQ(dialog->EventList()->count(), 1);
  EXPECT_FALSE(dialog->EventList()->item(0)->icon().isNull());

  frame->UpdateCommandStates();
  ASSERT_TRUE(frame->ActionFor(cmd::kNextMotionEvent)->isEnabled());
  frame->FireCommand(cmd::kNextMotionEvent);
  EXPECT_EQ(doc.GetPosition(), events[0].first);
  doc.ShowImage(doc.GetCount() - 1);
  frame->FireCommand(cmd::kPreviousMotionEvent);
  EXPECT_EQ(doc.GetPosition(), events[0].first);
  doc.ShowImage(0);
  emit dialog->EventList()->itemClicked(dialog->EventList()->item(0));
  EXPECT_EQ(doc.GetPosition(), events[0].first);

  // Another sensitivity regroups at once, with no search.
  dialog->SensitivitySlider()->setValue(MotionSettings::kLeastSensitive);
  EXPECT_FALSE(doc.Motion().IsRunning());
  EXPECT_EQ(doc.Motion().Current()->settings.sensitivity, MotionSettings::kLeastSensitive);
  frame.reset();
}

// Run once more at QT_SCALE_FACTOR=2 by the test list: the view sized to
// 640 x 480 device pixels whatever the ratio, zoomed in one step about the
// middle (2x the fit, the middle half of the picture shown).
TEST(FindMotionViewTest, AnAreaDraggedOnAZoomedPaneIsInTheRecordedPixelsUnderTheMouseAndOnTheScreenOnly) {
  const std::string footage = test::CrossingFolder();
  ASSERT_FALSE(footage.empty());
  test::TestFolder scratch;
  RecordingNotifier notifier;
  CSelvoViewerDoc doc(Unpersisted(), notifier);
  CSelvoViewerView view(doc);
  doc.AttachImageView(&view);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  const double ratio = view.devicePixelRatioF();
  const QByteArray asked = qgetenv("QT_SCALE_FACTOR");
  if (!asked.isEmpty()) {
    ASSERT_DOUBLE_EQ(ratio, asked.toDouble());
  }
  view.resize(static_cast<int>(640 / ratio), static_cast<int>(480 / ratio));
  ASSERT_EQ(DeviceSize(view), QSize(640, 480));
  ASSERT_EQ(doc.OpenFolder(footage), CSelvoViewerDoc::OpenOutcome::Opened);
  view.ZoomIn();
  ASSERT_EQ(view.PaneZoom(0).Zoom(), 2.0);
  // Recorded x = 88 + 0.275 * device x, y = 60 + 0.25 * device y.
  const auto at = [&](int deviceX, int deviceY) {
    return QPoint(static_cast<int>(deviceX / ratio), static_cast<int>(deviceY / ratio));
  };

  // Not while Find Motion is closed: a drag there pans.
  Drag(&view, at(40, 40), at(440, 280));
  EXPECT_TRUE(doc.Motion().Drawing().areas.empty());
  view.ZoomFit();
  view.ZoomIn();

  doc.Motion().SetDrawing(true);
  Drag(&view, at(40, 40), at(440, 280));
  Drag(&view, at(600, 460), at(400, 400), Qt::ShiftModifier);  // drawn from its far corner
  Drag(&view, at(300, 300), at(302, 301));  // a click picks, draws nothing
  const MotionAreaDrawing& drawn = doc.Motion().Drawing();
  ASSERT_EQ(drawn.areas.size(), 1u);
  EXPECT_EQ(drawn.areas[0], (MotionRect{99, 70, 110, 60}));
  ASSERT_EQ(drawn.ignores.size(), 1u);
  EXPECT_EQ(drawn.ignores[0], (MotionRect{198, 160, 55, 15}));
  EXPECT_EQ(QSize(drawn.pictureWidth, drawn.pictureHeight), kPicture);

  // The area's left edge runs down device column 40; the window shows it,
  // the composed picture, a saved still and the view after Find Motion
  // closed do not.
  EXPECT_TRUE(IsAreaGreen(view.grab().toImage().pixel(40, 200)));
  EXPECT_EQ(GreenPixels(view.ComposeClientArea()), 0);
  QString reason;
  const QString still = QString::fromStdString(scratch / "still.bmp");
  ASSERT_TRUE(view.SaveImageTo(still, reason)) << reason.toStdString();
  const QImage saved(still);
  ASSERT_FALSE(saved.isNull());
  EXPECT_EQ(GreenPixels(saved), 0);
  doc.Motion().SetDrawing(false);
  EXPECT_FALSE(IsAreaGreen(view.grab().toImage().pixel(40, 200)));
  doc.AttachImageView(nullptr);
}

// Four cameras in a 2 x 2 split, locked to time so that every pane shows a
// picture; only camera 3, in the third pane, has the crossing.
TEST(FindMotionViewTest, InASplitTheAreaDrawnOnAPaneSearchesThatPanesCameraAndPickingAPaneShowsItsResult) {
  FramedFootage framed(test::FourCameraFolder());
  ASSERT_TRUE(framed.opened);
  CSelvoViewerDoc& doc = framed.doc;
  std::unique_ptr<CMainFrame>& frame = framed.frame;
  frame->FireCommand(cmd::kSplit4);
  frame->FireCommand(cmd::kLockCamerasToTime);
  auto* view = frame->findChild<CSelvoViewerView*>();
  ASSERT_NE(view, nullptr);
  view->ComposeClientArea();
  const int camera = view->GetPaneChannel(2);
  ASSERT_EQ(camera, 2);
  ASSERT_NE(doc.GetChannelAt(doc.GetPosition()), camera);

  frame->FireCommand(cmd::kFindMotion);
  auto* dialog = frame->findChild<FindMotionDialog*>("findMotionDialog");
  ASSERT_NE(dialog, nullptr);
  const QSize device = DeviceSize(*view);
  const auto paneBox = [&](int pane) {
    return FitBox43(LayoutPanes({0, 0, device.width(), device.height()}, 2).panes[pane].Deflated(1));
  };
  DragOver(view, paneBox(2), test::kCrossingArea);
  ASSERT_EQ(doc.Motion().Drawing().camera, camera);
  ASSERT_TRUE(dialog->StartButton()->isEnabled());
  QTest::mouseClick(dialog->StartButton(), Qt::LeftButton);
  EXPECT_EQ(doc.Motion().RunningCamera(), camera);
  ASSERT_TRUE(WaitForSearch(doc));

  ASSERT_EQ(doc.Motion().FocusCamera(), camera);
  const std::vector<MotionEventInList> events = doc.Motion().EventsInList();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(doc.GetChannelAt(events[0].first), camera);
  auto* strip = frame->findChild<ActivityStrip*>();
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->Events().size(), 1u);
  ASSERT_EQ(dialog->EventList()->count(), 1);
  EXPECT_FALSE(dialog->EventList()->item(0)->icon().isNull());
  emit dialog->EventList()->itemClicked(dialog->EventList()->item(0));
  EXPECT_EQ(doc.GetPosition(), events[0].first);

  // A click on the first pane shows its camera, which has no result; one on
  // the third brings the result back.
  const QPoint middleOfFirst = Over(*view, paneBox(0), 176, 120);
  QTest::mouseClick(view, Qt::LeftButton, {}, middleOfFirst);
  EXPECT_EQ(doc.Motion().FocusCamera(), view->GetPaneChannel(0));
  EXPECT_TRUE(strip->Events().empty());
  EXPECT_EQ(dialog->EventList()->count(), 0);
  QTest::mouseClick(view, Qt::LeftButton, {}, Over(*view, paneBox(2), 176, 120));
  EXPECT_EQ(doc.Motion().FocusCamera(), camera);
  EXPECT_EQ(strip->Events().size(), 1u);
  EXPECT_EQ(doc.Motion().Drawing().areas.size(), 1u);
  frame.reset();
}

}  // namespace
}  // namespace selvo
