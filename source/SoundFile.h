#pragma once
// Where a recording's sound track lies: beside the images or in SOUND.
#include <string>

namespace selvo {

enum SoundKind { kNoSound = 0, kWaveSound = 1, kMp3Sound = 2 };

// Looks for sound.wav, SOUND/sound.wav, sound.mp3, SOUND/sound.mp3 in that
// order (names ignoring case); the first found wins and pathOut receives its
// full path. kNoSound with an empty pathOut when there is none.
SoundKind FindSoundFile(const std::string& folder, std::string& pathOut);

}  // namespace selvo
