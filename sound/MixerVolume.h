#pragma once
// The speaker volume through the ALSA mixer of the default card: its
// "Master" playback volume, else its first element with a playback volume.
// Without a mixer every operation fails quietly.
#include <cstdint>

namespace selvo {

class MixerVolume {
 public:
  MixerVolume() = default;
  ~MixerVolume();
  MixerVolume(const MixerVolume&) = delete;
  MixerVolume& operator=(const MixerVolume&) = delete;

  // The one the viewer opens at start and closes at exit.
  static MixerVolume& Shared();

  // Each returns nonzero for success.
  int OpenMixer();  // succeeds at once when already open
  void CloseMixer();
  int GetVolumePercent(std::uint32_t& percent);
  int SetVolumePercent(std::uint32_t percent);

  // The percent a control value shows, rounded to the nearest; 0 when the
  // control has no range.
  static std::uint32_t PercentFromValue(std::uint32_t value, std::uint32_t min, std::uint32_t max);
  // The control value for a percent (above 100 counts as 100).
  static std::uint32_t ValueFromPercent(std::uint32_t percent, std::uint32_t min, std::uint32_t max);

  // A volume slider of positions 0..sliderMax. Both ways round to the
  // nearest, so a position set reads back as itself even on a mixer whose
  // few steps (0..31) turn 30 % into 29 %.
  static std::uint32_t PercentForSliderValue(int value, int sliderMax);
  static int SliderValueForPercent(std::uint32_t percent, int sliderMax);

 private:
  bool FindControl();

  void* mixer_ = nullptr;    // snd_mixer_t*
  void* element_ = nullptr;  // snd_mixer_elem_t*, null until looked up
  long min_ = 0;
  long max_ = 0;
};

}  // namespace selvo
