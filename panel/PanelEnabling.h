#pragma once
// Which of the control panel's controls are enabled, as one table of modes:
// for each mode, each control is switched on, off, left as it is, or made to
// follow a fact of the recording (sound, copy range). The panel applies a
// mode (CSelvoFormView::ApplyEnabling); the table and the choice of mode are
// plain functions, tested without a window.
#include <optional>
#include <vector>

namespace selvo {

enum class PanelMode {
  NoRecording,       // nothing to play or step
  Stopped,           // a recording open, no loop running
  Stopping,          // Stop clicked: the loop winds down, stepping is free again
  Playing,           // forward play at the slider's speed
  PlayingWithSound,  // forward play paced by the sound track
  Reverse,           // reverse play
  // A play handler's loop returned: Stop is off. After a pause (a slider
  // drag) the rest stays as play left it until the loop restarts itself.
  LoopReturned,
  CopyRangeChanged,  // a copy-range end was set or a copy ended
  SoundChoice,       // the pane layout or the sound track changed
};

// What a mode's cells may depend on.
struct PanelFacts {
  bool hasSound = false;
  bool twoChannelSound = false;
  bool soundAllowed = true;  // one pane: sound plays only then
  bool copyRangeValid = false;
  bool soundDevice = true;  // false: no sound control is ever on
};

enum class Enabling : char {
  Keep,               // left as it is
  Off,
  On,
  WithSound,          // the recording has sound and it may play
  WithChannelChoice,  // ... and two channels to choose from
  WithCopyRange,      // the copy range is valid
};

// The controls the table covers, by their form ids.
const std::vector<int>& EnablingControls();
// The table's cell of a control in a mode.
Enabling EnablingRule(PanelMode mode, int control);
// Whether the control is enabled in the mode; none: left as it is.
std::optional<bool> EnabledIn(PanelMode mode, int control, const PanelFacts& facts);

enum class PlayLoop { None, Forward, ForwardWithSound, Reverse };
// The mode of a recording (or none) with a loop running or not.
PanelMode ModeFor(bool hasRecording, PlayLoop loop);

}  // namespace selvo
