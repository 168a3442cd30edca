#include "source/MediaProbe.h"

#include <utility>

#include "source/DirectoryScanner.h"
#include "source/SoundFile.h"

namespace selvo {

MediaProbe::MediaProbe(std::string folder) : folder_(std::move(folder)) {}

// Only the first numbered subfolder is looked at: a recording always starts
// in IMG00001 when it is split at all.
MediaProbe::ImageFiles MediaProbe::FindImageFiles() const {
  const std::string firstSubfolder = FindChildIgnoringCase(folder_, "IMG00001", EntryType::kDirectory);
  if (!firstSubfolder.empty()) {
    if (HasFileWithExtension(firstSubfolder, "jpg")) return ImageFiles::kJpeg;
    if (HasFileWithExtension(firstSubfolder, "jp2")) return ImageFiles::kJp2;
  }
  if (HasFileWithExtension(folder_, "jpg")) return ImageFiles::kJpeg;
  if (HasFileWithExtension(folder_, "jp2")) return ImageFiles::kJp2;
  return ImageFiles::kNone;
}

bool MediaProbe::Probe() {
  kind_ = MediaKind{};
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
