#include "source/SoundFile.h"

#include "source/DirectoryScanner.h"

namespace selvo {
namespace {

std::string FindSoundIn(const std::string& folder, const char* fileName) {
  if (folder.empty()) return std::string();
  return FindChildIgnoringCase(folder, fileName, EntryType::kFile);
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

}  // namespace selvo
