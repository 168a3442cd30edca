#include "tools/selvo-check/ReportFindings.h"

#include <algorithm>

namespace selvo {

void ReportFindings::NoteImage(const CheckedImage& image, const std::string& verdict, bool problem) {
  lastNumber = std::max(lastNumber, image.number);
  CameraFindings& camera = cameras[image.channel];
  if (camera.title.empty()) camera.title = image.title;
  ++camera.images;
  if (!problem) return;
  ++camera.problems;
  if (camera.problemNumbers.size() < kMostStripMarks) camera.problemNumbers.push_back(image.number);
  if (problems.size() < kMostProblemPages) {
    problems.push_back({image, verdict});
  } else {
    ++problemsLeftOut;
  }
}

void ReportFindings::NoteAnomalies(const std::vector<TimelineAnomaly>& found) {
  for (const TimelineAnomaly& anomaly : found) {
    if (anomaly.kind == TimelineAnomalyKind::Gap) {
      CameraFindings& camera = cameras[anomaly.channel];
      ++camera.gaps;
      if (camera.gapSpans.size() < kMostStripMarks) camera.gapSpans.emplace_back(anomaly.from, anomaly.to);
    }
    if (anomalies.size() < kMostListedAnomalies) {
      anomalies.push_back(anomaly);
    } else {
      ++anomaliesLeftOut;
    }
  }
}

}  // namespace selvo
