#include "panel/PanelEnabling.h"

#include <array>

#include "panel/CSelvoFormView.h"

namespace selvo {

namespace {

using Panel = CSelvoFormView;
constexpr std::array<int, 13> kControls{
    Panel::kPrevious, Panel::kNext,          Panel::kPlay,          Panel::kReversePlay,  Panel::kStop,
    Panel::kSpeedSlider, Panel::kSound,      Panel::kSoundChannel1, Panel::kSoundChannel2, Panel::kVolumeSlider,
    Panel::kSetCopyStart, Panel::kSetCopyEnd, Panel::kStartCopy};

constexpr Enabling K = Enabling::Keep;
constexpr Enabling O = Enabling::Off;
constexpr Enabling I = Enabling::On;
constexpr Enabling S = Enabling::WithSound;
constexpr Enabling C = Enabling::WithChannelChoice;
constexpr Enabling R = Enabling::WithCopyRange;

struct ModeRow {
  PanelMode mode;
  std::array<Enabling, kControls.size()> cells;
};

// Columns as kControls:  Prev Next Play Rev Stop Speed Sound 1ch 2ch Volume SetStart SetEnd StartCopy
constexpr ModeRow kModes[] = {
    {PanelMode::NoRecording,      {O, O, O, O, O, K, S, S, S, S, K, K, K}},
    {PanelMode::Stopped,          {I, I, I, I, O, I, S, S, S, S, I, I, R}},
    // The speed and the sound button stay as the loop has them until it ends.
    {PanelMode::Stopping,         {I, I, I, I, O, K, K, C, C, K, I, I, R}},
    {PanelMode::Playing,          {O, O, O, I, I, I, O, O, O, O, O, O, O}},
    {PanelMode::PlayingWithSound, {O, O, O, I, I, O, O, O, O, I, O, O, O}},
    {PanelMode::Reverse,          {O, O, I, O, I, K, O, O, O, O, O, O, O}},
    {PanelMode::LoopReturned,     {K, K, K, K, O, K, K, K, K, K, K, K, K}},
    {PanelMode::CopyRangeChanged, {K, K, K, K, K, K, K, K, K, K, K, K, R}},
    {PanelMode::SoundChoice,      {K, K, K, K, K, K, S, S, S, S, K, K, K}},
};

}  // namespace

const std::vector<int>& EnablingControls() {
  static const std::vector<int> controls(kControls.begin(), kControls.end());
  return controls;
}

Enabling EnablingRule(PanelMode mode, int control) {
  for (const ModeRow& row : kModes) {
    if (row.mode != mode) continue;
    for (std::size_t column = 0; column < kControls.size(); ++column) {
      if (kControls[column] == control) return row.cells[column];
    }
  }
  return Enabling::Keep;
}

std::optional<bool> EnabledIn(PanelMode mode, int control, const PanelFacts& facts) {
  const bool sound = facts.hasSound && facts.soundAllowed;
  const Enabling rule = EnablingRule(mode, control);
  // Without a sound device the sound controls show as unavailable, not as
  // a volume of 0 that does nothing.
  const bool soundControl = control == Panel::kSound || control == Panel::kSoundChannel1 ||
                            control == Panel::kSoundChannel2 || control == Panel::kVolumeSlider;
  if (soundControl && !facts.soundDevice && rule != Enabling::Keep) return false;
  switch (rule) {
    case Enabling::Keep: return std::nullopt;
    case Enabling::Off: return false;
    case Enabling::On: return true;
    case Enabling::WithSound: return sound;
    case Enabling::WithChannelChoice: return sound && facts.twoChannelSound;
    case Enabling::WithCopyRange: return facts.copyRangeValid;
  }
  return std::nullopt;
}

PanelMode ModeFor(bool hasRecording, PlayLoop loop) {
  if (!hasRecording) return PanelMode::NoRecording;
  switch (loop) {
    case PlayLoop::None: return PanelMode::Stopped;
    case PlayLoop::Forward: return PanelMode::Playing;
    case PlayLoop::ForwardWithSound: return PanelMode::PlayingWithSound;
    case PlayLoop::Reverse: return PanelMode::Reverse;
  }
  return PanelMode::Stopped;
}

}  // namespace selvo
