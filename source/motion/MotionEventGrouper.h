#pragma once
// Runs of active images grouped into events, one image at a time as a
// search finds them, or afresh from the activity a search kept when the
// user moves the sensitivity: the same events either way, since both read
// the same stored activity.
#include <cstdint>
#include <vector>

namespace selvo {

// An image's activity as a search keeps it: the share of its most active
// area that changed, in 1/65534 steps, or kSkipped for an image that could
// not be searched. Two bytes an image, so a day of footage keeps a few
// megabytes at most.
using MotionActivity = std::uint16_t;
constexpr MotionActivity kSkippedActivity = 0xFFFF;
MotionActivity ActivityOfShare(double share);
double ShareOfActivity(MotionActivity activity);

// Images are counted by their place in the list the search read (from 0).
struct MotionEvent {
  int first = 0;
  int last = 0;
  int peakImage = 0;
  double peak = 0;  // share of the area, 0..1
};

class MotionEventGrouper {
 public:
  // Quiet images an event may hold between two active ones: a figure that
  // turns or pauses for an image is still the same event.
  static constexpr int kQuietImagesBridged = 2;

  explicit MotionEventGrouper(int sensitivity);

  // The activity of image index, in list order. true, with the event in
  // ended, when this image showed that an event had ended before it.
  // Skipped images neither end nor extend an event.
  bool Add(int index, MotionActivity activity, MotionEvent& ended);
  // After the last image: true with the event still open, if any.
  bool Finish(MotionEvent& ended);

 private:
  MotionActivity start_;  // an event starts at or above this
  MotionActivity stay_;  // and goes on at or above this
  bool open_ = false;
  int quiet_ = 0;
  MotionEvent current_;
};

// Groups kept activity again, as for a new sensitivity; activity[0] is the
// image with list index firstIndex.
std::vector<MotionEvent> GroupMotionEvents(const std::vector<MotionActivity>& activity, int sensitivity,
                                           int firstIndex = 0);

}  // namespace selvo
