#include "doc/ProblemList.h"

#include <algorithm>

#include "source/ImageInfo.h"
#include "source/StatusVerdict.h"

namespace selvo {

namespace {

RecordingProblem ProblemOf(const ImageRecord& record, int fileIndex) {
  RecordingProblem problem;
  problem.fileIndex = fileIndex;
  problem.channel = record.channel;
  problem.time = record.recordTime;
  problem.status = record.status;
  return problem;
}

}  // namespace

bool IsProblemStatus(int status) { return !VerdictForStatus(status).IsUnaltered(); }

ProblemList::ProblemList(const std::vector<ImageRecord>& examined) {
  std::vector<TimelineImage> timeline;
  timeline.reserve(examined.size());
  for (std::size_t i = 0; i < examined.size(); ++i) timeline.push_back(TimelineImageOf(examined[i], static_cast<int>(i) + 1));
  std::vector<TimelineAnomaly> anomalies = FindTimelineAnomalies(timeline);
  timeline = {};
  // The anomalies come camera by camera: in file order they merge with the
  // trailer's verdicts in one pass, however many there are.
  std::stable_sort(anomalies.begin(), anomalies.end(),
                   [](const TimelineAnomaly& a, const TimelineAnomaly& b) { return a.to < b.to; });
  auto anomaly = anomalies.begin();
  for (std::size_t i = 0; i < examined.size(); ++i) {
    const int fileIndex = static_cast<int>(i);
    const bool altered = IsProblemStatus(examined[i].status);
    const bool broken = anomaly != anomalies.end() && anomaly->to - 1 == fileIndex;
    if (!altered && !broken) continue;
    RecordingProblem problem = ProblemOf(examined[i], fileIndex);
    problem.altered = altered;
    for (; anomaly != anomalies.end() && anomaly->to - 1 == fileIndex; ++anomaly)
      problem.anomalies.push_back(std::move(*anomaly));
    problems_.push_back(std::move(problem));
  }
}

const RecordingProblem* ProblemList::ForFile(int fileIndex) const {
  const auto at = std::lower_bound(problems_.begin(), problems_.end(), fileIndex,
                                   [](const RecordingProblem& problem, int file) { return problem.fileIndex < file; });
  return at != problems_.end() && at->fileIndex == fileIndex ? &*at : nullptr;
}

}  // namespace selvo
