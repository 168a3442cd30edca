// The control panel inside the main window: its read-outs after position
// changes, the buttons and keys with and without a recording, the channel
// read-outs per split, the sound controls and the copy controls' visibility.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QSettings>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QWindow>

#include <memory>

#include "app/CMainFrame.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/CommandIds.h"
#include "doc/PlaySpeed.h"
#include "panel/CSelvoFormView.h"
#include "source/Notifier.h"
#include "tests/ScriptedPlayback.h"
#include "tests/SmallRecording.h"
#include "tests/TestFolder.h"
#include "view/PositionSlider.h"
#include "view/SpeedSlider.h"

namespace selvo {
namespace {

using Panel = CSelvoFormView;

class ControlPanelTest : public ::testing::Test {
 protected:
  ControlPanelTest() {
    DocumentOptions options;
    options.persistSettings = false;
    doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
    frame = std::make_unique<CMainFrame>(*doc, profile, 0);
    panel = static_cast<Panel*>(frame->PanelStrip());
  }
  ~ControlPanelTest() override { frame.reset(); }

  void Open(const std::vector<test::SmallFrame>& frames, bool withInfo) {
    const std::string path = test::WriteSmallRecording(scratch, "rec", frames, withInfo);
    ASSERT_EQ(doc->OpenFolder(path), CSelvoViewerDoc::OpenOutcome::Opened);
  }
  QString Text(int id) const { return static_cast<QLabel*>(panel->Control(id))->text(); }
  QString Time(int index) const { return QString::fromStdString(doc->GetTimeTextAt(index)); }
  bool Enabled(int id) const { return panel->Control(id)->isEnabled(); }
  bool Hidden(int id) const { return panel->Control(id)->isHidden(); }
  void PressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(frame->ImageViewWidget(), &press);
  }
  void ShowActive() {
    frame->show();
    QApplication::setActiveWindow(frame.get());
    QApplication::processEvents();
  }

  test::TestFolder scratch;
  QSettings profile{QString::fromStdString(scratch / "profile.ini"), QSettings::IniFormat};
  RecordingNotifier notifier;
  std::unique_ptr<CSelvoViewerDoc> doc;
  std::unique_ptr<CMainFrame> frame;
  Panel* panel = nullptr;
};

TEST_F(ControlPanelTest, KeepsEightyPixelsUnderTheImageView) {
  frame->show();
  QApplication::processEvents();
  EXPECT_EQ(panel->height(), Panel::kPanelHeight);
  // Every control of the lower strip lies inside the panel.
  for (int id : {Panel::kPlay, Panel::kReversePlay, Panel::kSound, Panel::kImageNumber, Panel::kCurrentTime})
    EXPECT_LE(panel->Control(id)->geometry().bottom(), Panel::kPanelHeight - 1) << id;
}

TEST_F(ControlPanelTest, WithoutRecordingButtonsDoNothingAndReadOutsStayEmpty) {
  for (int id : {Panel::kPrevious, Panel::kNext, Panel::kPlay, Panel::kReversePlay, Panel::kStop})
    EXPECT_FALSE(Enabled(id)) << id;
  panel->OnNext();
  panel->OnPlay();
  panel->OnReversePlay();
  panel->ShowStoppedState();
  EXPECT_FALSE(doc->IsPlaying());
  for (int id : {Panel::kFirstTime, Panel::kLastTime, Panel::kCurrentTime, Panel::kImageNumber, Panel::kChannelSingle})
    EXPECT_TRUE(Text(id).isEmpty()) << id;
  EXPECT_TRUE(panel->GetPositionSlider()->IsRangeEmpty());
}

TEST_F(ControlPanelTest, ReadOutsFollowEveryPositionChange) {
  Open({{0, 100000000}, {0, 100000010}, {0, 100000020}}, true);
  EXPECT_EQ(Text(Panel::kImageNumber), QStringLiteral("1 / 3"));
  EXPECT_EQ(Text(Panel::kFirstTime), Time(0));
  EXPECT_EQ(Text(Panel::kLastTime), Time(2));
  EXPECT_NE(Time(0), Time(2));
  EXPECT_EQ(Text(Panel::kCurrentTime), Time(0));
  EXPECT_EQ(Text(Panel::kChannelSingle), QStringLiteral(" 1"));
  EXPECT_EQ(panel->GetPositionSlider()->maximum(), 3);
  EXPECT_TRUE(Enabled(Panel::kPlay));
  EXPECT_FALSE(Enabled(Panel::kStop));

  panel->Click(Panel::kNext);
  EXPECT_EQ(doc->GetPosition(), 1);
  EXPECT_EQ(Text(Panel::kImageNumber), QStringLiteral("2 / 3"));
  EXPECT_EQ(Text(Panel::kCurrentTime), Time(1));
  EXPECT_EQ(panel->GetPositionSlider()->value(), 2);

  // Dragging the slider loads the image it points at.
  panel->GetPositionSlider()->setValue(3);
  EXPECT_EQ(doc->GetPosition(), 2);
  EXPECT_EQ(Text(Panel::kImageNumber), QStringLiteral("3 / 3"));
  EXPECT_EQ(Text(Panel::kCurrentTime), Time(2));

  panel->Click(Panel::kNext);  // at the last image: nothing
  EXPECT_EQ(doc->GetPosition(), 2);
  panel->Click(Panel::kPrevious);
  EXPECT_EQ(Text(Panel::kImageNumber), QStringLiteral("2 / 3"));
}

// At fifty pictures a second the read-outs follow at most every 40 ms, and
// the last picture's read-outs are there the moment the loop returns.
TEST_F(ControlPanelTest, ReadOutsOfAFastPlayAreThinnedAndCatchUpWhenItEnds) {
  Open(std::vector<test::SmallFrame>(50, test::SmallFrame{0}), false);
  panel->SetSpeedPosition(5);  // one picture per 20 ms
  int pictures = 0;
  int behind = 0;
  QObject::connect(doc.get(), &CSelvoViewerDoc::positionDisplayChanged, [&] {
    ++pictures;
    if (Text(Panel::kImageNumber) != QStringLiteral("%1 / 50").arg(doc->GetPosition() + 1)) ++behind;
  });
  panel->OnPlay();
  EXPECT_EQ(doc->GetPosition(), 49);
  EXPECT_EQ(Text(Panel::kImageNumber), QStringLiteral("50 / 50"));
  EXPECT_EQ(panel->GetPositionSlider()->value(), 50);
  EXPECT_GT(pictures, 40);
  EXPECT_GT(behind, 0) << "the read-outs followed every one of " << pictures << " pictures";
}

TEST_F(ControlPanelTest, OneImageRecordingCannotStep) {
  Open({{0}}, false);
  panel->Click(Panel::kPrevious);
  panel->Click(Panel::kNext);
  EXPECT_EQ(doc->GetPosition(), 0);
  EXPECT_EQ(Text(Panel::kImageNumber), QStringLiteral("1 / 1"));
  EXPECT_EQ(Text(Panel::kFirstTime), Text(Panel::kLastTime));
}

TEST_F(ControlPanelTest, CopyControlsStayHiddenForFolders) {
  Open({{0}, {0}}, false);
  panel->ShowCopyControls();
  for (int id : {Panel::kSetCopyStart, Panel::kSetCopyEnd, Panel::kStartCopy, Panel::kCopyStartNumber,
                 Panel::kCopyEndNumber})
    EXPECT_TRUE(Hidden(id)) << id;
}

TEST_F(ControlPanelTest, CopyRangeEndingBeforeItsStartCannotBeCopied) {
  Open({{0}, {0}, {0}}, false);
  doc->GoLast(true);
  panel->OnSetCopyStart();
  doc->GoFirst(true);
  panel->OnSetCopyEnd();
  EXPECT_EQ(Text(Panel::kCopyStartNumber), QStringLiteral("    3"));
  EXPECT_FALSE(Enabled(Panel::kStartCopy));
  doc->GoLast(true);
  panel->OnSetCopyEnd();
  EXPECT_TRUE(Enabled(Panel::kStartCopy));
}

TEST_F(ControlPanelTest, ChannelReadOutFollowsTheSplit) {
  Open({{0}, {1}, {2}, {3}, {0}}, true);
  EXPECT_FALSE(Hidden(Panel::kChannelSingle));
  EXPECT_TRUE(Hidden(Panel::kChannelPane1));

  frame->FireCommand(cmd::kSplit4);
  EXPECT_TRUE(Hidden(Panel::kChannelSingle));
  const int fields[] = {Panel::kChannelPane1, Panel::kChannelPane2, Panel::kChannelPane3, Panel::kChannelPane4};
  const char* expected[] = {" 1", " 2", " 3", " 4"};
  for (int pane = 0; pane < 4; ++pane) {
    EXPECT_FALSE(Hidden(fields[pane])) << pane;
    EXPECT_EQ(Text(fields[pane]), QString::fromLatin1(expected[pane])) << pane;
  }

  frame->FireCommand(cmd::kSplit9);
  EXPECT_FALSE(Hidden(Panel::kChannelSingle));
  EXPECT_EQ(Text(Panel::kChannelSingle), QStringLiteral("--"));
}

TEST_F(ControlPanelTest, SoundButtonAndChannelBoxesAgree) {
  auto* box1 = static_cast<QCheckBox*>(panel->Control(Panel::kSoundChannel1));
  auto* box2 = static_cast<QCheckBox*>(panel->Control(Panel::kSoundChannel2));
  EXPECT_TRUE(box1->isHidden());
  EXPECT_TRUE(panel->IsSoundWanted(false));
  panel->UpdateSoundControls(1, 1);
  ASSERT_FALSE(box1->isHidden());
  // Without sound in the recording the controls cannot be used; the rest
  // of this test plays a recording that has sound.
  EXPECT_FALSE(box1->isEnabled());
  EXPECT_FALSE(panel->Control(Panel::kSound)->isEnabled());
  box1->setEnabled(true);
  box2->setEnabled(true);

  panel->OnSound();  // off: both boxes cleared
  EXPECT_FALSE(box1->isChecked());
  EXPECT_FALSE(box2->isChecked());
  EXPECT_FALSE(panel->IsSoundWanted(false));
  EXPECT_FALSE(panel->IsSoundWanted(true));

  panel->OnSound();  // on again: 1ch
  EXPECT_TRUE(box1->isChecked());
  EXPECT_TRUE(panel->IsSoundWanted(true));

  box1->click();  // clearing the last box turns sound off
  EXPECT_FALSE(panel->IsSoundWanted(false));
  box2->click();  // checking a box turns it on again
  EXPECT_TRUE(panel->IsSoundWanted(false));
  EXPECT_FALSE(box1->isChecked());

  // A one-channel recording plays on both speakers while sound is on.
  EXPECT_EQ(panel->GetChannelMask(), 3);
}

// Sound plays only with one pane: when play ends in a split, the sound
// button, 1ch, 2ch and the volume stay off, as they were before it began.
TEST_F(ControlPanelTest, PlayEndingInASplitLeavesTheSoundControlsOff) {
  test::ScriptedClock clock;
  doc->SetPlaybackClock(&clock);
  Open({{0}, {1}, {0}, {1}, {0}, {1}}, true);
  doc->SetSoundTrack(std::make_unique<test::ScriptedSound>(clock, 0, 0), 1);  // never heard
  panel->UpdateSoundControls(1, 1);
  for (const int split : {cmd::kSplit1, cmd::kSplit4, cmd::kSplit9}) {
    SCOPED_TRACE(split);
    frame->FireCommand(split);
    doc->GoFirst(true);
    const bool onePane = split == cmd::kSplit1;
    ASSERT_EQ(Enabled(Panel::kSound), onePane);

    panel->Click(Panel::kPlay);

    ASSERT_FALSE(doc->IsPlaying());
    EXPECT_EQ(doc->GetPosition(), doc->GetCount() - 1);
    for (int id : {Panel::kSound, Panel::kSoundChannel1, Panel::kSoundChannel2, Panel::kVolumeSlider})
      EXPECT_EQ(Enabled(id), onePane) << id;
    EXPECT_TRUE(Enabled(Panel::kPlay));
  }
  doc->SetPlaybackClock(nullptr);
}

// Play is started by a click on Play; then the slider is pressed, every
// event going through the window as the window system delivers it. Either
// the thumb, moving on, is pressed where it stood a moment ago and dragged,
// or the slider is clicked further on. The picture follows the thumb, and
// play goes on from where the thumb was let go, with the sound track (which
// would pull a running loop back to itself) or without.
TEST_F(ControlPanelTest, DraggingTheSliderDuringPlayMovesThePictureAndPlayGoesOnFromThere) {
  test::ScriptedClock clock;
  doc->SetPlaybackClock(&clock);
  Open(std::vector<test::SmallFrame>(200, test::SmallFrame{0}), false);
  ShowActive();
  QWindow* window = frame->windowHandle();
  PositionSlider* slider = panel->GetPositionSlider();
  QWidget* play = panel->Control(Panel::kPlay);
  const int y = slider->height() / 2;
  const auto onSlider = [&](int x) { return slider->mapTo(frame.get(), QPoint(x, y)); };
  // As the window system delivers input: to the window, one event at a
  // time, with nothing else handled meanwhile (what the handler posts waits
  // for the next pass of the event loop).
  const auto deliver = [&](QEvent::Type type, int x, Qt::MouseButtons buttons) {
    const QPoint at = onSlider(x);
    QMouseEvent event(type, at, window->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
    QSpontaneKeyEvent::setSpontaneous(&event);
    QCoreApplication::sendEvent(window, &event);
  };
  std::vector<int> shown;
  QObject::connect(doc.get(), &CSelvoViewerDoc::positionDisplayChanged, [&] { shown.push_back(doc->GetPosition()); });
  struct Case {
    const char* what;
    bool withSound;
    bool drag;
  };
  const Case cases[] = {
      {"thumb dragged", false, true},
      {"thumb dragged in sound mode", true, true},
      {"slider clicked in sound mode", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    doc->GoFirst(true);
    doc->SetSoundTrack(c.withSound ? std::make_unique<test::ScriptedSound>(clock, 0) : nullptr, c.withSound);
    const int to = slider->MarkX(150);
    int pressedAt = 0;
    clock.InputAt(clock.NowMs() + 2100, [&] {  // when a step is due
      pressedAt = c.drag ? slider->MarkX(std::max(1, slider->value() - 12)) : to;
      deliver(QEvent::MouseButtonPress, pressedAt, Qt::LeftButton);
    });

    QTest::mouseClick(window, Qt::LeftButton, {}, play->mapTo(frame.get(), play->rect().center()));

    ASSERT_GT(pressedAt, 0) << "play never reached the press";
    ASSERT_FALSE(doc->IsPlaying()) << "the press did not pause play";
    if (c.drag) {
      for (int step = 1; step <= 12; ++step) {
        deliver(QEvent::MouseMove, pressedAt + (to - pressedAt) * step / 12, Qt::LeftButton);
        QApplication::processEvents();
      }
    }
    EXPECT_EQ(slider->value(), 150) << "the thumb stayed put";
    EXPECT_EQ(doc->GetPosition(), 149) << "the picture stayed put";
    shown.clear();
    deliver(QEvent::MouseButtonRelease, to, Qt::NoButton);
    for (int i = 0; i < 5; ++i) QApplication::processEvents();

    ASSERT_FALSE(shown.empty()) << "play did not go on";
    EXPECT_EQ(shown.front(), 150);
    EXPECT_EQ(doc->GetPosition(), 199);
    EXPECT_FALSE(doc->IsPlaying());
  }
  doc->SetPlaybackClock(nullptr);
}

TEST_F(ControlPanelTest, KeysActLikeTheButtons) {
  Open({{0}, {0}, {0}, {0}}, false);
  ShowActive();
  PressKey(Qt::Key_Right);
  EXPECT_EQ(doc->GetPosition(), 1);
  PressKey(Qt::Key_End);
  EXPECT_EQ(doc->GetPosition(), 3);
  EXPECT_EQ(Text(Panel::kImageNumber), QStringLiteral("4 / 4"));
  PressKey(Qt::Key_Left);
  EXPECT_EQ(doc->GetPosition(), 2);
  PressKey(Qt::Key_Home);
  EXPECT_EQ(doc->GetPosition(), 0);

  EXPECT_EQ(panel->SpeedPosition(), kInitialSpeed);
  PressKey(Qt::Key_Plus);
  EXPECT_EQ(panel->SpeedPosition(), kInitialSpeed + 1);
  for (int i = 0; i < 12; ++i) PressKey(Qt::Key_Minus);
  EXPECT_EQ(panel->SpeedPosition(), 1);

  // While the step buttons are disabled (as during play) the keys do nothing.
  panel->Control(Panel::kNext)->setEnabled(false);
  PressKey(Qt::Key_Right);
  PressKey(Qt::Key_End);
  EXPECT_EQ(doc->GetPosition(), 0);

  // Nor does the key of a greyed menu item reach the control that has the
  // focus: the position slider stays where it is.
  frame->UpdateCommandStates();
  ASSERT_FALSE(frame->ActionFor(cmd::kNextImage)->isEnabled());
  PositionSlider* slider = panel->GetPositionSlider();
  slider->setFocus();
  const int before = slider->value();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
  QApplication::sendEvent(slider, &press);
  EXPECT_EQ(slider->value(), before);
  EXPECT_EQ(doc->GetPosition(), 0);
}

}  // namespace
}  // namespace selvo
