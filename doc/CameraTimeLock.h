#pragma once
// A split view locked to one moment: for each pane's camera, the image of
// the source's list nearest in recording time and stamp to the current
// image. The list's moments are read once per list and searched by camera
// from then on, so a step costs a few binary searches whatever the length
// of the recording.
#include <cstdint>

#include "source/CalendarTime.h"
#include "source/CameraMoments.h"

namespace selvo {

class ImageSource;

struct LockedImage {
  int index = -1;          // list index; -1 when the camera has no image
  bool farInTime = false;  // more than kFarMs away from the moment
};

class CameraTimeLock {
 public:
  // Farther than this from the moment, a pane says so (amber time text).
  static constexpr std::int64_t kFarMs = 2000;

  // The list changed (other channels, another recording): read it anew on
  // the next question.
  void Invalidate();
  // Counts the lists read so far; a pane that remembers which image it
  // shows knows from it whether that index still means the same image.
  int Generation() const { return generation_; }

  LockedImage Nearest(ImageSource& source, int channel, int currentIndex);

 private:
  void Read(ImageSource& source);
  std::int64_t MomentOf(ImageSource& source, int index) const;

  CameraMoments moments_;
  bool read_ = false;
  // Recordings whose stamps all agree have only their seconds to go by.
  bool stamped_ = false;
  int count_ = 0;
  int generation_ = 0;
};

}  // namespace selvo
