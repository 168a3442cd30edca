#pragma once
// Every image of a verified recording that an investigator must look at:
// those whose trailer check objects to them, and those that end a break in
// their camera's time line (a gap, a stamp or a time running backwards).
// Built once from the background check's results, in file order, and
// answered from there by the slider's marks, the problem navigation and
// the summary list.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "source/ImageRecord.h"
#include "source/TimelineAnomalies.h"

namespace selvo {

struct RecordingProblem {
  int fileIndex = 0;  // 0-based, in file order: number fileIndex + 1
  int cameraNumber = 0;  // 1-based place among its camera's images, as the panel counts them
  int channel = -1;   // -1: the image has no camera
  CalendarSeconds time = 0;
  int status = -1;
  bool altered = false;  // the trailer check objects to the image
  std::vector<TimelineAnomaly> anomalies;  // breaks that end at this image

  bool HasAnomaly() const { return !anomalies.empty(); }
};

class ProblemList {
 public:
  ProblemList() = default;
  // examinedFile(i) is file i's record as the trailer check filled it, for
  // i in 0..fileCount-1. findings: breaks found elsewhere (time.txt and the
  // index disagreeing), numbered by file.
  ProblemList(int fileCount, const std::function<ImageRecord(int)>& examinedFile,
              std::vector<TimelineAnomaly> findings = {});

  const std::vector<RecordingProblem>& Problems() const { return problems_; }
  bool Empty() const { return problems_.empty(); }
  // The problem of a file; null when the file has none.
  const RecordingProblem* ForFile(int fileIndex) const;

 private:
  std::vector<RecordingProblem> problems_;  // ascending fileIndex
};

// Whether the trailer check objects to an image with this status: anything
// but an unaltered verdict, an image not examined included.
bool IsProblemStatus(int status);

}  // namespace selvo
