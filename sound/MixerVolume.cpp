#include "sound/MixerVolume.h"

#include <alsa/asoundlib.h>

#include "sound/AlsaAudioOutput.h"

#include <algorithm>

namespace selvo {
namespace {

snd_mixer_t* Mixer(void* handle) { return static_cast<snd_mixer_t*>(handle); }
snd_mixer_elem_t* Element(void* handle) { return static_cast<snd_mixer_elem_t*>(handle); }

bool IsPlaybackVolume(snd_mixer_elem_t* element) {
  return snd_mixer_selem_is_active(element) && snd_mixer_selem_has_playback_volume(element);
}

// "Master" when the card has it, else the first element with a playback volume.
snd_mixer_elem_t* FindVolumeElement(snd_mixer_t* mixer) {
  snd_mixer_selem_id_t* id = nullptr;
  snd_mixer_selem_id_alloca(&id);
  snd_mixer_selem_id_set_index(id, 0);
  snd_mixer_selem_id_set_name(id, "Master");
  snd_mixer_elem_t* master = snd_mixer_find_selem(mixer, id);
  if (master != nullptr && IsPlaybackVolume(master)) return master;
  for (snd_mixer_elem_t* element = snd_mixer_first_elem(mixer); element != nullptr;
       element = snd_mixer_elem_next(element)) {
    if (IsPlaybackVolume(element)) return element;
  }
  return nullptr;
}

}  // namespace

MixerVolume::~MixerVolume() { CloseMixer(); }

MixerVolume& MixerVolume::Shared() {
  static MixerVolume mixer;
  return mixer;
}

int MixerVolume::OpenMixer() {
  if (mixer_ != nullptr) return 1;
  AlsaAudioOutput::SilenceLibraryMessages();
  snd_mixer_t* mixer = nullptr;
  if (snd_mixer_open(&mixer, 0) < 0) return 0;
  if (snd_mixer_attach(mixer, "default") < 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 ||
      snd_mixer_load(mixer) < 0) {
    snd_mixer_close(mixer);
    return 0;
  }
  mixer_ = mixer;
  return 1;
}

void MixerVolume::CloseMixer() {
  if (mixer_ != nullptr) snd_mixer_close(Mixer(mixer_));
  mixer_ = nullptr;
  element_ = nullptr;
}

bool MixerVolume::FindControl() {
  if (element_ != nullptr) return true;
  if (!OpenMixer()) return false;
  snd_mixer_elem_t* element = FindVolumeElement(Mixer(mixer_));
  if (element == nullptr) return false;
  long min = 0;
  long max = 0;
  if (snd_mixer_selem_get_playback_volume_range(element, &min, &max) < 0 || max <= min) return false;
  element_ = element;
  min_ = min;
  max_ = max;
  return true;
}

int MixerVolume::GetVolumePercent(std::uint32_t& percent) {
  if (!FindControl()) return 0;
  // Picks up changes made by other programs since the last look.
  snd_mixer_handle_events(Mixer(mixer_));
  long value = 0;
  if (snd_mixer_selem_get_playback_volume(Element(element_), SND_MIXER_SCHN_FRONT_LEFT, &value) < 0) return 0;
  value = std::clamp(value, min_, max_);
  percent = PercentFromValue(static_cast<std::uint32_t>(value - min_), 0, static_cast<std::uint32_t>(max_ - min_));
  return 1;
}

int MixerVolume::SetVolumePercent(std::uint32_t percent) {
  if (!FindControl()) return 0;
  const std::uint32_t offset = ValueFromPercent(percent, 0, static_cast<std::uint32_t>(max_ - min_));
  return snd_mixer_selem_set_playback_volume_all(Element(element_), min_ + static_cast<long>(offset)) < 0 ? 0 : 1;
}

std::uint32_t MixerVolume::PercentFromValue(std::uint32_t value, std::uint32_t min, std::uint32_t max) {
  if (max <= min) return 0;
  // 64-bit so that ranges wider than 2^32 / 100 round as narrow ones do.
  const std::uint64_t range = max - min;
  const std::uint64_t offset = std::min<std::uint64_t>(value > min ? value - min : 0, range);
  return static_cast<std::uint32_t>((100 * offset + range / 2) / range);
}

std::uint32_t MixerVolume::ValueFromPercent(std::uint32_t percent, std::uint32_t min, std::uint32_t max) {
  if (max <= min) return min;
  const std::uint64_t range = max - min;
  return min + static_cast<std::uint32_t>(std::min<std::uint32_t>(percent, 100) * range / 100);
}

std::uint32_t MixerVolume::PercentForSliderValue(int value, int sliderMax) {
  if (sliderMax <= 0) return 0;
  const int position = std::clamp(value, 0, sliderMax);
  return static_cast<std::uint32_t>((100 * position + sliderMax / 2) / sliderMax);
}

int MixerVolume::SliderValueForPercent(std::uint32_t percent, int sliderMax) {
  if (sliderMax <= 0) return 0;
  const std::uint32_t bounded = std::min<std::uint32_t>(percent, 100);
  return static_cast<int>((bounded * static_cast<std::uint32_t>(sliderMax) + 50) / 100);
}

}  // namespace selvo
