// Find Motion as the user runs it: an area dragged on the pane's picture,
// the search run to its end while the window stays live, the events on the
// strip along the slider and in the list, and Next Event and a click in the
// list showing an event's first image.
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
#include "panel/MotionAreaPicker.h"
#include "source/Notifier.h"
#include "tests/MotionViewFootage.h"
#include "tests/TestFolder.h"
#include "view/ActivityStrip.h"

namespace selvo {
namespace {

// The widget point over a pixel of the picture.
QPoint Over(const MotionAreaPicker& picker, int x, int y) {
  const QRect shown = picker.PictureRect();
  return {shown.left() + x * shown.width() / picker.Picture().width(),
          shown.top() + y * shown.height() / picker.Picture().height()};
}

TEST(FindMotionTest, AnAreaDrawnByMouseIsSearchedAndItsEventsShowOnTheStripAndInTheList) {
  const std::string footage = test::CrossingFolder();
  ASSERT_FALSE(footage.empty());
  test::TestFolder scratch;
  QSettings profile(QString::fromStdString(scratch / "profile.ini"), QSettings::IniFormat);
  RecordingNotifier notifier;
  DocumentOptions options;
  options.persistSettings = false;
  CSelvoViewerDoc doc(options, notifier);
  auto frame = std::make_unique<CMainFrame>(doc, profile, 0);
  frame->show();
  ASSERT_EQ(doc.OpenFolder(footage), CSelvoViewerDoc::OpenOutcome::Opened);
  EXPECT_FALSE(frame->ActionFor(cmd::kNextMotionEvent)->isEnabled());

  frame->FireCommand(cmd::kFindMotion);
  auto* dialog = frame->findChild<FindMotionDialog*>("findMotionDialog");
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
  MotionAreaPicker& picker = *dialog->AreaPicker();
  ASSERT_EQ(picker.Picture().size(), QSize(352, 240));
  EXPECT_FALSE(dialog->StartButton()->isEnabled());

  const MotionRect area = test::kCrossingArea;
  QTest::mousePress(&picker, Qt::LeftButton, {}, Over(picker, area.x, area.y));
  QTest::mouseMove(&picker, Over(picker, area.x + area.width / 2, area.y + area.height / 2));
  QTest::mouseRelease(&picker, Qt::LeftButton, {}, Over(picker, static_cast<int>(area.Right()),
                                                         static_cast<int>(area.Bottom())));
  // With Shift: an area to leave out, in the corner far from the walk.
  QTest::mousePress(&picker, Qt::LeftButton, Qt::ShiftModifier, Over(picker, 300, 10));
  QTest::mouseRelease(&picker, Qt::LeftButton, Qt::ShiftModifier, Over(picker, 340, 40));
  ASSERT_EQ(picker.Areas().size(), 1u);
  ASSERT_EQ(picker.Ignores().size(), 1u);
  // The drawn area is the crossing's, give or take the scaling's pixels.
  EXPECT_NEAR(picker.Areas()[0].x, area.x, 2);
  EXPECT_NEAR(picker.Areas()[0].width, area.width, 3);

  ASSERT_TRUE(dialog->StartButton()->isEnabled());
  QTest::mouseClick(dialog->StartButton(), Qt::LeftButton);
  ASSERT_TRUE(doc.Motion().IsRunning());
  QElapsedTimer timer;
  timer.start();
  while (doc.Motion().IsRunning() && timer.elapsed() < 120000) QCoreApplication::processEvents();
  ASSERT_FALSE(doc.Motion().IsRunning());

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

}  // namespace
}  // namespace selvo
