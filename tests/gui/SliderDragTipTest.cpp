// The panel's sliders tell their value while the thumb is dragged: the
// image number on the position slider, the speed, the volume.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QSlider>
#include <QToolTip>

#include <memory>

#include "app/CMainFrame.h"
#include "doc/CSelvoViewerDoc.h"
#include "panel/CSelvoFormView.h"
#include "source/Notifier.h"
#include "tests/TestFolder.h"
#include "view/PositionSlider.h"
#include "view/SpeedSlider.h"

namespace selvo {
namespace {

QString TipWhileDraggedTo(QSlider* slider, int value) {
  slider->setSliderDown(true);
  slider->setSliderPosition(value);
  const QString tip = QToolTip::text();
  slider->setSliderDown(false);
  return tip;
}

TEST(SliderDragTipTest, PositionSpeedAndVolumeSlidersShowTheirValueWhileDragged) {
  test::TestFolder scratch;
  QSettings profile(QString::fromStdString(scratch / "profile.ini"), QSettings::IniFormat);
  RecordingNotifier notifier;
  DocumentOptions options;
  options.persistSettings = false;
  CSelvoViewerDoc doc(options, notifier);
  auto frame = std::make_unique<CMainFrame>(doc, profile, 0);
  auto* panel = static_cast<CSelvoFormView*>(frame->PanelStrip());
  frame->show();
  QApplication::processEvents();

  PositionSlider* position = panel->GetPositionSlider();
  position->SetImageCount(51263);
  EXPECT_EQ(TipWhileDraggedTo(position, 1234), QStringLiteral("1234 / 51263"));

  auto* speed = static_cast<SpeedSlider*>(panel->Control(CSelvoFormView::kSpeedSlider));
  EXPECT_EQ(TipWhileDraggedTo(speed, 7), SpeedSlider::TickText(6));
  EXPECT_FALSE(SpeedSlider::TickText(6).isEmpty());

  auto* volume = static_cast<QSlider*>(panel->Control(CSelvoFormView::kVolumeSlider));
  volume->setEnabled(true);
  EXPECT_EQ(TipWhileDraggedTo(volume, 7), QStringLiteral("70%"));
}

}  // namespace
}  // namespace selvo
