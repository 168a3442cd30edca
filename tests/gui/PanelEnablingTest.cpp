// The control panel's enabling table and the choice of its mode, without a
// window: which controls a user can reach while nothing, a play loop or a
// stop is running.
#include <gtest/gtest.h>

#include <optional>

#include "panel/CSelvoFormView.h"
#include "panel/PanelEnabling.h"

namespace selvo {
namespace {

using Panel = CSelvoFormView;

const PanelMode kAllModes[] = {PanelMode::NoRecording,      PanelMode::Stopped,      PanelMode::Stopping,
                               PanelMode::Playing,          PanelMode::PlayingWithSound, PanelMode::Reverse,
                               PanelMode::LoopReturned,     PanelMode::CopyRangeChanged, PanelMode::SoundChoice};

PanelFacts SoundOnOnePane(bool twoChannels = false) {
  PanelFacts facts;
  facts.hasSound = true;
  facts.twoChannelSound = twoChannels;
  facts.soundAllowed = true;
  facts.copyRangeValid = true;
  return facts;
}

TEST(PanelEnablingTest, WhileALoopRunsNothingStepsOrCopiesAndTheOtherDirectionStaysReachable) {
  for (PanelMode mode : {PanelMode::Playing, PanelMode::PlayingWithSound, PanelMode::Reverse}) {
    SCOPED_TRACE(static_cast<int>(mode));
    const PanelFacts facts = SoundOnOnePane(true);
    EXPECT_EQ(EnabledIn(mode, Panel::kStop, facts), true);
    for (int id : {Panel::kPrevious, Panel::kNext, Panel::kSetCopyStart, Panel::kSetCopyEnd, Panel::kStartCopy,
                   Panel::kSound, Panel::kSoundChannel1, Panel::kSoundChannel2})
      EXPECT_EQ(EnabledIn(mode, id, facts), false) << id;
    const bool reverse = mode == PanelMode::Reverse;
    EXPECT_EQ(EnabledIn(mode, Panel::kPlay, facts), reverse);
    EXPECT_EQ(EnabledIn(mode, Panel::kReversePlay, facts), !reverse);
  }
  // The sound track paces play: its volume can be set, the speed cannot.
  EXPECT_EQ(EnabledIn(PanelMode::PlayingWithSound, Panel::kSpeedSlider, {}), false);
  EXPECT_EQ(EnabledIn(PanelMode::PlayingWithSound, Panel::kVolumeSlider, {}), true);
  EXPECT_EQ(EnabledIn(PanelMode::Playing, Panel::kSpeedSlider, {}), true);
  EXPECT_EQ(EnabledIn(PanelMode::Playing, Panel::kVolumeSlider, {}), false);
  EXPECT_EQ(EnabledIn(PanelMode::Reverse, Panel::kSpeedSlider, {}), std::nullopt);
}

// Without a device the sound controls never come on, whatever the mode and
// the recording; cells that leave a control alone still leave it alone.
TEST(PanelEnablingTest, WithoutASoundDeviceNoSoundControlComesOn) {
  PanelFacts facts = SoundOnOnePane(true);
  facts.soundDevice = false;
  for (PanelMode mode : kAllModes) {
    for (int id : {Panel::kSound, Panel::kSoundChannel1, Panel::kSoundChannel2, Panel::kVolumeSlider}) {
      const bool keeps = EnablingRule(mode, id) == Enabling::Keep;
      EXPECT_EQ(EnabledIn(mode, id, facts), keeps ? std::nullopt : std::optional<bool>(false))
          << static_cast<int>(mode) << " " << id;
    }
  }
  EXPECT_EQ(EnabledIn(PanelMode::Stopped, Panel::kPlay, facts), true);
}

TEST(PanelEnablingTest, IdleSoundAndCopyControlsFollowTheRecording) {
  struct Case {
    const char* what;
    PanelFacts facts;
    bool sound;
    bool channelChoice;
  };
  PanelFacts split = SoundOnOnePane(true);
  split.soundAllowed = false;
  PanelFacts silent = SoundOnOnePane(true);
  silent.hasSound = false;
  silent.copyRangeValid = false;
  const Case cases[] = {
      {"one-channel sound, one pane", SoundOnOnePane(false), true, false},
      {"two-channel sound, one pane", SoundOnOnePane(true), true, true},
      {"sound in a split", split, false, false},
      {"no sound", silent, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int id : {Panel::kSound, Panel::kSoundChannel1, Panel::kSoundChannel2, Panel::kVolumeSlider}) {
      EXPECT_EQ(EnabledIn(PanelMode::Stopped, id, c.facts), c.sound) << id;
      EXPECT_EQ(EnabledIn(PanelMode::SoundChoice, id, c.facts), c.sound) << id;
    }
    EXPECT_EQ(EnabledIn(PanelMode::Stopping, Panel::kSoundChannel1, c.facts), c.channelChoice);
    EXPECT_EQ(EnabledIn(PanelMode::Stopping, Panel::kSound, c.facts), std::nullopt);
    for (PanelMode mode : {PanelMode::Stopped, PanelMode::Stopping, PanelMode::CopyRangeChanged})
      EXPECT_EQ(EnabledIn(mode, Panel::kStartCopy, c.facts), c.facts.copyRangeValid);
  }
  for (int id : {Panel::kPrevious, Panel::kNext, Panel::kPlay, Panel::kReversePlay, Panel::kSpeedSlider})
    EXPECT_EQ(EnabledIn(PanelMode::Stopped, id, {}), true) << id;
  EXPECT_EQ(EnabledIn(PanelMode::Stopped, Panel::kStop, {}), false);
}

TEST(PanelEnablingTest, WithoutRecordingTheTransportIsOffAndPartialModesTouchOnlyTheirControls) {
  for (int id : {Panel::kPrevious, Panel::kNext, Panel::kPlay, Panel::kReversePlay, Panel::kStop})
    EXPECT_EQ(EnabledIn(PanelMode::NoRecording, id, SoundOnOnePane()), false) << id;
  for (int id : EnablingControls()) {
    SCOPED_TRACE(id);
    EXPECT_EQ(EnablingRule(PanelMode::LoopReturned, id) == Enabling::Keep, id != Panel::kStop);
    EXPECT_EQ(EnablingRule(PanelMode::CopyRangeChanged, id) == Enabling::Keep, id != Panel::kStartCopy);
    // Every mode decides the controls a user clicks to end or start play.
    for (PanelMode mode : kAllModes) {
      if (mode == PanelMode::LoopReturned || mode == PanelMode::CopyRangeChanged || mode == PanelMode::SoundChoice)
        continue;
      if (id == Panel::kStop || id == Panel::kPlay) EXPECT_NE(EnablingRule(mode, id), Enabling::Keep);
    }
  }
  EXPECT_EQ(EnablingRule(PanelMode::Stopped, 0), Enabling::Keep);  // not a control of the table
}

TEST(PanelEnablingTest, ModeFollowsTheRecordingAndTheLoop) {
  struct Case {
    bool hasRecording;
    PlayLoop loop;
    PanelMode mode;
  };
  const Case cases[] = {
      {false, PlayLoop::None, PanelMode::NoRecording},
      {false, PlayLoop::Forward, PanelMode::NoRecording},
      {true, PlayLoop::None, PanelMode::Stopped},
      {true, PlayLoop::Forward, PanelMode::Playing},
      {true, PlayLoop::ForwardWithSound, PanelMode::PlayingWithSound},
      {true, PlayLoop::Reverse, PanelMode::Reverse},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ModeFor(c.hasRecording, c.loop), c.mode) << c.hasRecording << " " << static_cast<int>(c.loop);
}

}  // namespace
}  // namespace selvo
