#pragma once
// Decides what a recording folder holds: JPEG or JPEG 2000 images, and a
// wave or MP3 sound track; the answer picks the folder source's file kind.
#include <string>

#include "source/MediaKind.h"

namespace selvo {

class MediaProbe {
 public:
  explicit MediaProbe(std::string folder);

  // false: nothing usable in the folder. true: probe done, though the flags
  // may still all be 0 (a sound track without images), which means nothing
  // to open either.
  bool Probe();
  const MediaKind& Kind() const { return kind_; }
  // The first folder the probe looked into and could not list (the folder
  // or its first subfolder), empty when there was none, and the errno value
  // why: a probe that found nothing may have been kept from looking.
  const std::string& UnlistedFolder() const { return unlistedFolder_; }
  int UnlistedError() const { return unlistedError_; }

 private:
  enum class ImageFiles { kNone, kJpeg, kJp2 };
  ImageFiles FindImageFiles();
  bool HasImageFiles(const std::string& folder, const char* extension);

  std::string folder_;
  MediaKind kind_;
  std::string unlistedFolder_;
  int unlistedError_ = 0;
};

}  // namespace selvo
