#include "source/TimelineAnomalies.h"

#include <algorithm>
#include <map>
#include <optional>

#include "source/ImageInfo.h"
#include "source/StampStep.h"
#include "source/text/TimeText.h"

namespace selvo {

namespace {

// Steps between consecutive known stamps that went forward (a wrap of the
// clock among them); a step backwards is a finding of its own and would
// drag the median down.
std::vector<std::uint32_t> ForwardSteps(const TimelineWalk& walk) {
  std::vector<std::uint32_t> steps;
  std::optional<std::uint32_t> previous;
  walk([&](const TimelineImage& image) {
    if (!image.stampKnown) return;
    if (previous) {
      const std::int64_t step = StampStepMs(*previous, image.stampMs);
      if (step >= 0) steps.push_back(static_cast<std::uint32_t>(step));
    }
    previous = image.stampMs;
  });
  return steps;
}

std::uint32_t MedianStep(std::vector<std::uint32_t> steps) {
  if (steps.empty()) return 0;
  const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
  std::nth_element(steps.begin(), middle, steps.end());
  return *middle;
}

TimelineAnomaly Anomaly(TimelineAnomalyKind kind, const TimelineImage& from, const TimelineImage& to,
                        std::string detail) {
  TimelineAnomaly anomaly;
  anomaly.kind = kind;
  anomaly.channel = to.channel;
  anomaly.from = from.number;
  anomaly.to = to.number;
  anomaly.detail = std::move(detail);
  return anomaly;
}

std::string Ms(std::uint32_t value) { return std::to_string(value) + " ms"; }

void CheckStamps(const TimelineWalk& walk, std::vector<TimelineAnomaly>& found) {
  const std::uint32_t median = MedianStep(ForwardSteps(walk));
  // 64 bits: five times a large median must not wrap to a small bound.
  const std::uint64_t gapBound = std::max<std::uint64_t>(kGapFloorMs, std::uint64_t{kGapMedianFactor} * median);
  std::optional<TimelineImage> previous;
  walk([&](const TimelineImage& image) {
    if (!image.stampKnown) return;
    if (previous) {
      const std::int64_t step = StampStepMs(previous->stampMs, image.stampMs);
      if (step < 0) {
        found.push_back(Anomaly(TimelineAnomalyKind::StampBackwards, *previous, image,
                                "stamp " + Ms(image.stampMs) + " after " + Ms(previous->stampMs)));
      } else if (static_cast<std::uint64_t>(step) > gapBound) {
        found.push_back(Anomaly(TimelineAnomalyKind::Gap, *previous, image,
                                Ms(static_cast<std::uint32_t>(step)) + " between stamps " + Ms(previous->stampMs) +
                                    " and " + Ms(image.stampMs) + ", median step " + Ms(median)));
      }
    }
    previous = image;
  });
}

void CheckTimes(const TimelineWalk& walk, std::vector<TimelineAnomaly>& found) {
  std::optional<TimelineImage> previous;
  walk([&](const TimelineImage& image) {
    if (image.recordTime == 0) return;
    if (previous && image.recordTime < previous->recordTime) {
      found.push_back(Anomaly(TimelineAnomalyKind::TimeBackwards, *previous, image,
                              FormatIsoTime(image.recordTime) + " after " + FormatIsoTime(previous->recordTime)));
    }
    previous = image;
  });
}

}  // namespace

const char* TimelineAnomalyName(TimelineAnomalyKind kind) {
  switch (kind) {
    case TimelineAnomalyKind::Gap: return "gap";
    case TimelineAnomalyKind::StampBackwards: return "stamp_backwards";
    case TimelineAnomalyKind::TimeBackwards: return "time_backwards";
    case TimelineAnomalyKind::StampMismatch: return "stamp_mismatch";
  }
  return "";
}

int MarkedImage(const TimelineAnomaly& anomaly) {
  return anomaly.kind == TimelineAnomalyKind::StampMismatch ? anomaly.from : anomaly.to;
}

void SortByMarkedImage(std::vector<TimelineAnomaly>& anomalies) {
  std::stable_sort(anomalies.begin(), anomalies.end(),
                   [](const TimelineAnomaly& a, const TimelineAnomaly& b) { return MarkedImage(a) < MarkedImage(b); });
}

TimelineImage TimelineImageOf(const ImageRecord& record, int number) {
  TimelineImage image;
  image.number = number;
  image.channel = record.channel;
  image.stampKnown = IsStampKnown(record);
  image.stampMs = record.stampMs;
  image.recordTime = record.recordTime;
  return image;
}

std::vector<TimelineAnomaly> FindCameraAnomalies(const std::vector<TimelineImage>& cameraImages) {
  return FindCameraAnomalies([&](const TimelineVisit& visit) {
    for (const TimelineImage& image : cameraImages) visit(image);
  });
}

std::vector<TimelineAnomaly> FindCameraAnomalies(const TimelineWalk& walk) {
  std::vector<TimelineAnomaly> found;
  CheckStamps(walk, found);
  CheckTimes(walk, found);
  // One list in the camera's own order, whichever check found what.
  SortByMarkedImage(found);
  return found;
}

std::vector<TimelineAnomaly> FindTimelineAnomalies(const std::vector<TimelineImage>& images) {
  std::map<int, std::vector<TimelineImage>> cameras;
  for (const TimelineImage& image : images) cameras[image.channel].push_back(image);
  std::vector<TimelineAnomaly> found;
  for (const auto& camera : cameras) {
    std::vector<TimelineAnomaly> ofCamera = FindCameraAnomalies(camera.second);
    found.insert(found.end(), std::make_move_iterator(ofCamera.begin()), std::make_move_iterator(ofCamera.end()));
  }
  return found;
}

}  // namespace selvo
