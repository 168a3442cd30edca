#pragma once
// What the play loops ask of the control panel and the frame around them.
// The panel implements it and attaches it to the document
// (CSelvoViewerDoc::AttachPlaybackControls); tests attach a stand-in.
// Without one attached the loops play at the default speed with no sound
// wanted and leave every control alone.

namespace selvo {

class PlaybackControls {
 public:
  virtual ~PlaybackControls() = default;

  // The speed slider's position, 1..10 (doc/PlaySpeed.h maps it). Read
  // before every speed-mode step, so a new speed applies at the next step.
  virtual int SpeedPosition() const = 0;
  // Whether the sound controls ask for sound; twoChannel is the probe's
  // jp2 flag (the 1ch / 2ch boxes decide instead of the sound button).
  virtual bool IsSoundWanted(bool twoChannel) const = 0;
  // Which sound channels play: 1 left, 2 right, 3 both, 0 none.
  virtual int GetChannelMask() const = 0;

  // Forward play chose its mode: sound mode locks the speed slider and
  // frees the volume slider, speed mode the other way round.
  virtual void ShowForwardPlayMode(bool soundMode) = 0;
  // A loop ended for good (not for a pause): speed slider, transport and
  // copy-range buttons enabled; sound button, 1ch, 2ch and volume slider
  // enabled exactly when the recording has sound.
  virtual void RestoreIdleEnabling(bool hasSound) = 0;
  virtual void UpdateStartCopyButton() = 0;

  // The position slider: range 1..count and the shown image number.
  virtual void SetPositionRange(int count) = 0;
  virtual void SetPositionSlider(int imageNumber) = 0;

  // The panel's Play (1004) and Reverse Play (1002) handlers. The document
  // only ever reaches them through a queued call, after the loop that
  // paused has returned.
  virtual void OnPlay() = 0;
  virtual void OnReversePlay() = 0;
};

}  // namespace selvo
