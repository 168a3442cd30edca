#pragma once
// Where a recording's sound track lies: beside the images or in SOUND.
#include <string>

namespace selvo {

enum SoundKind { kNoSound = 0, kWaveSound = 1, kMp3Sound = 2 };

// Looks for sound.wav, SOUND/sound.wav, sound.mp3, SOUND/sound.mp3 in that
// order (names ignoring case); the first found wins and pathOut receives its
// full path. kNoSound with an empty pathOut when there is none.
// Anything of that name but a folder counts, so that a sound file that cannot
// be played is found and told rather than taken for none.
SoundKind FindSoundFile(const std::string& folder, std::string& pathOut);

// Why the folder's sound file cannot be played ("PATH: a FIFO, not a
// file"); empty when the folder has none or it opens. The recording is then
// shown, checked and exported without sound, and whoever does so says it.
// playable tells whether the folder has a sound file that opens.
std::string SoundFileProblem(const std::string& folder, bool& playable);

}  // namespace selvo
