#pragma once
// Breaks in a recording's time line that no trailer check can see: a long
// gap in a camera's stamps, stamps or recording times running backwards.
// Pure functions over what the images' trailers (or time.txt) said, shared by
// selvo-check and the viewer's problem marks.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "source/ImageRecord.h"

namespace selvo {

// StampMismatch: time.txt and the INFO index give a run of a camera's
// images different stamps (from and to are the run's first and last image).
enum class TimelineAnomalyKind { Gap, StampBackwards, TimeBackwards, StampMismatch };

// "gap", "stamp_backwards", "time_backwards", "stamp_mismatch".
const char* TimelineAnomalyName(TimelineAnomalyKind kind);

// One image as far as its place in time goes.
struct TimelineImage {
  int number = 0;  // 1-based, in list order
  int channel = -1;  // -1: the image has no camera
  bool stampKnown = false;
  std::uint32_t stampMs = 0;
  CalendarSeconds recordTime = 0;  // 0: no time
};

struct TimelineAnomaly {
  TimelineAnomalyKind kind = TimelineAnomalyKind::Gap;
  int channel = -1;
  int from = 0;  // image numbers of the two images concerned
  int to = 0;
  std::string detail;
};

// Below this a pause between two stamps is never a gap, however regular the
// camera's rhythm.
constexpr std::uint32_t kGapFloorMs = 2000;
// A gap is this many times the camera's median step.
constexpr std::uint32_t kGapMedianFactor = 5;

// The image a finding is marked on: where a break ends, where a run of
// disagreeing stamps starts.
int MarkedImage(const TimelineAnomaly& anomaly);
void SortByMarkedImage(std::vector<TimelineAnomaly>& anomalies);

// One camera's images in list order. Each image is compared with the
// camera's previous image whose stamp (or time) is known.
// How the viewer and selvo-check both read a record onto the time line, so
// that they name the same breaks. number is 1-based, in list order.
TimelineImage TimelineImageOf(const ImageRecord& record, int number);

std::vector<TimelineAnomaly> FindCameraAnomalies(const std::vector<TimelineImage>& cameraImages);
// The same for a camera whose images are not gathered in one list: walk
// hands each of them, in list order, to its visitor, and is called more than
// once. A million-image camera then costs 4 bytes an image, for its median
// step, instead of a copy of every image.
using TimelineVisit = std::function<void(const TimelineImage&)>;
using TimelineWalk = std::function<void(const TimelineVisit&)>;
std::vector<TimelineAnomaly> FindCameraAnomalies(const TimelineWalk& walk);

// A whole recording's images in list order, cameras interleaved: grouped by
// channel (no camera first), each camera in list order.
std::vector<TimelineAnomaly> FindTimelineAnomalies(const std::vector<TimelineImage>& images);

}  // namespace selvo
