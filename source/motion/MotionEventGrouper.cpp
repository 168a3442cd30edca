#include "source/motion/MotionEventGrouper.h"

#include <algorithm>
#include <cmath>

#include "source/motion/MotionRect.h"

namespace selvo {

namespace {

constexpr double kSteps = 65534.0;

}  // namespace

MotionActivity ActivityOfShare(double share) {
  return static_cast<MotionActivity>(std::lround(std::clamp(share, 0.0, 1.0) * kSteps));
}

double ShareOfActivity(MotionActivity activity) {
  return activity == kSkippedActivity ? 0.0 : activity / kSteps;
}

MotionEventGrouper::MotionEventGrouper(int sensitivity)
    : start_(std::max<MotionActivity>(1, ActivityOfShare(MotionStartShare(sensitivity)))),
      stay_(std::max<MotionActivity>(1, static_cast<MotionActivity>(start_ / 2))) {}

bool MotionEventGrouper::Add(int index, MotionActivity activity, MotionEvent& ended) {
  if (activity == kSkippedActivity) return false;
  if (open_) {
    if (activity >= stay_) {
      quiet_ = 0;
      current_.last = index;
      if (activity > ActivityOfShare(current_.peak)) {
        current_.peak = ShareOfActivity(activity);
        current_.peakImage = index;
      }
      return false;
    }
    if (++quiet_ <= kQuietImagesBridged) return false;
    open_ = false;
    ended = current_;
    // This quiet image cannot start the next event.
    return true;
  }
  if (activity >= start_) {
    open_ = true;
    quiet_ = 0;
    current_ = MotionEvent{index, index, index, ShareOfActivity(activity)};
  }
  return false;
}

bool MotionEventGrouper::Finish(MotionEvent& ended) {
  if (!open_) return false;
  open_ = false;
  ended = current_;
  return true;
}

std::vector<MotionEvent> GroupMotionEvents(const std::vector<MotionActivity>& activity, int sensitivity,
                                           int firstIndex) {
  std::vector<MotionEvent> events;
  MotionEventGrouper grouper(sensitivity);
  MotionEvent ended;
  for (std::size_t i = 0; i < activity.size(); ++i) {
    if (grouper.Add(firstIndex + static_cast<int>(i), activity[i], ended)) events.push_back(ended);
  }
  if (grouper.Finish(ended)) events.push_back(ended);
  return events;
}

}  // namespace selvo
