#pragma once
// What the play loops ask of the control panel and the frame around them.
// The panel implements it and attaches it to the document
// (CSelvoViewerDoc::AttachPlaybackControls); tests attach a stand-in.
// Without one attached the loops play at the default speed with no sound
// wanted and leave every control alone.
//
// The document reaches the panel by two paths, each carrying its own state:
// - this interface carries only what the play loops read and drive while
//   they run: the speed, the sound choice and channel mask, the sliders'
//   play mode, the controls' idle enabling when a loop ends for good
//   (Start Copy among them, by the copy range), and the queued restart of a
//   paused loop;
// - the document's signals carry everything the panel shows of the
//   recording, which the panel then reads back from the document:
//   positionDisplayChanged the read-outs, the position slider's value and
//   its range when a channel choice changes the list's length (throttled
//   while a loop runs), recordingChanged the slider's range and the
//   copy-range read-outs and controls of a new recording or after a copy,
//   verificationChanged the problem marks, commandStatesChanged the
//   read-outs held back while a loop ran.
// The Start Copy button is the panel's own: it follows the copy range when
// the panel's copy-range buttons act, on recordingChanged, and through
// RestoreIdleEnabling; the document never sets it.

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
  // copy-range buttons enabled, Start Copy exactly when the copy range is
  // valid; sound button, 1ch, 2ch and volume slider enabled exactly when
  // the recording has sound.
  virtual void RestoreIdleEnabling(bool hasSound) = 0;

  // The panel's Play (1004) and Reverse Play (1002) handlers. The document
  // only ever reaches them through a queued call, after the loop that
  // paused has returned.
  virtual void OnPlay() = 0;
  virtual void OnReversePlay() = 0;
};

}  // namespace selvo
