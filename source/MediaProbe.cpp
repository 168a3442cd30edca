#include "source/MediaProbe.h"

#include <cerrno>
#include <utility>

#include "source/DirectoryScanner.h"
#include "source/SoundFile.h"

namespace selvo {

MediaProbe::MediaProbe(std::string folder) : folder_(std::move(folder)) {}

// Only the first numbered subfolder is looked at: a recording always starts
// in IMG00001 when it is split at all.
MediaProbe::ImageFiles MediaProbe::FindImageFiles() {
  const std::string firstSubfolder = FindChildIgnoringCase(folder_, "IMG00001", EntryType::kDirectory);
  if (!firstSubfolder.empty()) {
    if (HasImageFiles(firstSubfolder, "jpg")) return ImageFiles::kJpeg;
    if (HasImageFiles(firstSubfolder, "jp2")) return ImageFiles::kJp2;
  }
  if (HasImageFiles(folder_, "jpg")) return ImageFiles::kJpeg;
  if (HasImageFiles(folder_, "jp2")) return ImageFiles::kJp2;
  return ImageFiles::kNone;
}

bool MediaProbe::HasImageFiles(const std::string& folder, const char* extension) {
  bool found = false;
  const bool listed = ScanDirectory(folder, [&](const char* name, EntryType type) {
    found = type == EntryType::kFile && HasExtensionIgnoringCase(name, extension);
    return !found;
  });
  if (!listed && unlistedFolder_.empty()) {
    unlistedError_ = errno;
    unlistedFolder_ = folder;
  }
  return found;
}

bool MediaProbe::Probe() {
  kind_ = MediaKind{};
  unlistedFolder_.clear();
  unlistedError_ = 0;
  std::string soundPath;
  const SoundKind sound = FindSoundFile(folder_, soundPath);
  const ImageFiles images = FindImageFiles();

  // The recorder pairs MP3 sound with JPEG 2000 images only.
  if (sound == kMp3Sound) {
    kind_.jp2 = 1;
    return true;
  }
  if (sound == kWaveSound) {
    if (images == ImageFiles::kJpeg) kind_.jpeg = 1;
    if (images == ImageFiles::kJp2) kind_.jp2Wave = 1;
    return true;
  }
  if (images == ImageFiles::kJpeg) kind_.jpeg = 1;
  if (images == ImageFiles::kJp2) kind_.jp2 = 1;
  return images != ImageFiles::kNone;
}

}  // namespace selvo
