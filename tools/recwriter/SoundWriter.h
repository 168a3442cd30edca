#pragma once
// Writes a recording's sound track: 16-bit silence with a short beep at each
// given moment, so that a listener hears whether sound and pictures agree.
#include <cstdint>
#include <string>
#include <vector>

namespace selvo {

enum class SoundFormat { kWav, kMp3 };

struct Beep {
  std::uint32_t atMs = 0;   // from the start of the track
  int frequencyHz = 880;
};

struct SoundSpec {
  SoundFormat format = SoundFormat::kWav;
  int sampleRate = 16000;
  int channels = 1;           // 1 or 2; in stereo the right channel beeps a fifth higher
  std::uint32_t lengthMs = 0;
  std::uint32_t beepMs = 30;
  std::vector<Beep> beeps;    // ascending atMs; beeps beyond lengthMs are cut off
};

class SoundWriter {
 public:
  // Whether the installed sound library can encode MPEG Layer III.
  static bool CanWriteMp3();

  // false with errorText naming the file and the reason.
  static bool Write(const std::string& path, const SoundSpec& spec, std::string& errorText);
};

}  // namespace selvo
