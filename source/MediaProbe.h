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

 private:
  enum class ImageFiles { kNone, kJpeg, kJp2 };
  ImageFiles FindImageFiles() const;

  std::string folder_;
  MediaKind kind_;
};

}  // namespace selvo
