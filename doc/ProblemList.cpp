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

ProblemList::ProblemList(int fileCount, const std::function<ImageRecord(int)>& examinedFile,
                         std::vector<TimelineAnomaly> findings) {
  std::vector<TimelineImage> timeline;
  timeline.reserve(static_cast<std::size_t>(std::max(fileCount, 0)));
  for (int file = 0; file < fileCount; ++file) timeline.push_back(TimelineImageOf(examinedFile(file), file + 1));
  std::vector<TimelineAnomaly> anomalies = FindTimelineAnomalies(timeline);
  timeline = {};
  anomalies.insert(anomalies.end(), std::make_move_iterator(findings.begin()), std::make_move_iterator(findings.end()));
  // The anomalies come camera by camera: in file order they merge with the
  // trailer's verdicts in one pass, however many there are.
  SortByMarkedImage(anomalies);
  auto anomaly = anomalies.begin();
  std::map<int, int> imagesOfCamera;
  for (int fileIndex = 0; fileIndex < fileCount; ++fileIndex) {
    const ImageRecord examined = examinedFile(fileIndex);
    const int cameraNumber = ++imagesOfCamera[examined.channel];
    const bool altered = IsProblemStatus(examined.status);
    const bool broken = anomaly != anomalies.end() && MarkedImage(*anomaly) - 1 == fileIndex;
    if (!altered && !broken) continue;
    RecordingProblem problem = ProblemOf(examined, fileIndex);
    problem.cameraNumber = cameraNumber;
    problem.altered = altered;
    for (; anomaly != anomalies.end() && MarkedImage(*anomaly) - 1 == fileIndex; ++anomaly)
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
