#include "doc/ProblemList.h"

#include <algorithm>

#include "source/ImageInfo.h"
#include "source/StatusVerdict.h"

namespace selvo {

namespace {

// The same reading of a record as selvo-check's time line, so that the
// viewer and the report name the same breaks: a stamp of 0 is a real one
// when a trailer vouched for its image.
TimelineImage TimelineImageOf(const ImageRecord& record, int fileIndex) {
  TimelineImage image;
  image.number = fileIndex + 1;
  image.channel = record.channel;
  image.stampKnown = record.stampMs != 0 || (record.status != -1 && record.status != kNoTrailer);
  image.stampMs = record.stampMs;
  image.recordTime = record.recordTime;
  return image;
}

}  // namespace

bool IsProblemStatus(int status) { return !VerdictForStatus(status).IsUnaltered(); }

ProblemList::ProblemList(const std::vector<ImageRecord>& examined) {
  std::vector<TimelineImage> timeline;
  timeline.reserve(examined.size());
  for (std::size_t i = 0; i < examined.size(); ++i) {
    const int fileIndex = static_cast<int>(i);
    timeline.push_back(TimelineImageOf(examined[i], fileIndex));
    if (IsProblemStatus(examined[i].status)) ProblemFor(examined, fileIndex).altered = true;
  }
  for (TimelineAnomaly& anomaly : FindTimelineAnomalies(timeline)) {
    const int fileIndex = anomaly.to - 1;
    ProblemFor(examined, fileIndex).anomalies.push_back(std::move(anomaly));
  }
}

// Problems are found in file order by the trailer pass, but the time-line
// pass goes camera by camera: an insertion keeps the order.
RecordingProblem& ProblemList::ProblemFor(const std::vector<ImageRecord>& examined, int fileIndex) {
  auto at = std::lower_bound(problems_.begin(), problems_.end(), fileIndex,
                             [](const RecordingProblem& problem, int file) { return problem.fileIndex < file; });
  if (at != problems_.end() && at->fileIndex == fileIndex) return *at;
  const ImageRecord& record = examined[static_cast<std::size_t>(fileIndex)];
  RecordingProblem problem;
  problem.fileIndex = fileIndex;
  problem.channel = record.channel;
  problem.time = record.recordTime;
  problem.status = record.status;
  return *problems_.insert(at, std::move(problem));
}

const RecordingProblem* ProblemList::ForFile(int fileIndex) const {
  const auto at = std::lower_bound(problems_.begin(), problems_.end(), fileIndex,
                                   [](const RecordingProblem& problem, int file) { return problem.fileIndex < file; });
  return at != problems_.end() && at->fileIndex == fileIndex ? &*at : nullptr;
}

int ProblemList::AlteredCount() const {
  return static_cast<int>(std::count_if(problems_.begin(), problems_.end(),
                                        [](const RecordingProblem& problem) { return problem.altered; }));
}

int ProblemList::AnomalyCount() const {
  int count = 0;
  for (const RecordingProblem& problem : problems_) count += static_cast<int>(problem.anomalies.size());
  return count;
}

}  // namespace selvo
