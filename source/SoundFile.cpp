#include "source/SoundFile.h"

#include "source/DirectoryScanner.h"
#include "source/SoundDecoder.h"

namespace selvo {
namespace {

// Anything named like the sound file is the sound file: one that cannot be
// played is told, not passed over.
std::string FindSoundIn(const std::string& folder, const char* fileName) {
  if (folder.empty()) return std::string();
  return FindNonFolderChildIgnoringCase(folder, fileName);
}

}  // namespace

SoundKind FindSoundFile(const std::string& folder, std::string& pathOut) {
  const std::string soundFolder = FindChildIgnoringCase(folder, "SOUND", EntryType::kDirectory);
  struct Candidate {
    const std::string& folder;
    const char* fileName;
    SoundKind kind;
  };
  const Candidate candidates[] = {
      {folder, "sound.wav", kWaveSound},
      {soundFolder, "sound.wav", kWaveSound},
      {folder, "sound.mp3", kMp3Sound},
      {soundFolder, "sound.mp3", kMp3Sound},
  };
  for (const Candidate& candidate : candidates) {
    std::string found = FindSoundIn(candidate.folder, candidate.fileName);
    if (!found.empty()) {
      pathOut = std::move(found);
      return candidate.kind;
    }
  }
  pathOut.clear();
  return kNoSound;
}

std::string SoundFileProblem(const std::string& folder, bool& playable) {
  playable = false;
  std::string path;
  if (FindSoundFile(folder, path) == kNoSound) return std::string();
  SoundDecoder decoder;
  playable = decoder.Open(path);
  return playable ? std::string() : path + ": " + decoder.ErrorText();
}

}  // namespace selvo
