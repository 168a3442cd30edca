#pragma once
// What selvo-check --report keeps while it checks, bounded so that a large
// export costs the report no more memory than a small one: the pages are
// drawn after the last image, when the totals for page 1 are known.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "source/Sha256.h"
#include "source/TimelineAnomalies.h"
#include "tools/selvo-check/CheckRun.h"

namespace selvo {

// One page per problem image, up to this many.
constexpr std::size_t kMostProblemPages = 500;
// Marks kept per camera for its time-line strip; a strip is saturated long
// before this.
constexpr std::size_t kMostStripMarks = 20000;
// Anomalies kept for the listing; the JSON output names every one.
constexpr std::size_t kMostListedAnomalies = 10000;
// Other files named on page 1; the manifest names every one.
constexpr std::size_t kMostListedOtherFiles = 20;

struct CameraFindings {
  std::string title;
  long images = 0;
  long problems = 0;
  long gaps = 0;
  std::vector<int> problemNumbers;  // image numbers, for the strip
  std::vector<std::pair<int, int>> gapSpans;  // from, to
};

struct ProblemImage {
  CheckedImage image;
  std::string verdict;
};

struct ReportFindings {
  std::string path;  // the one PATH checked
  std::string checkedAt;  // UTC
  std::string version;
  CheckCounts counts;
  int lastNumber = 0;  // the strips' scale
  std::map<int, CameraFindings> cameras;  // by channel, -1 none
  std::vector<TimelineAnomaly> anomalies;
  long anomaliesLeftOut = 0;
  std::vector<ProblemImage> problems;
  long problemsLeftOut = 0;
  // Files under the folder that are neither its images nor its own index,
  // time list or sound, below the folder, in byte order.
  std::vector<std::string> otherFiles;
  long otherFilesLeftOut = 0;
  std::string manifestFile;  // empty: none written
  std::string caseFile;  // --case FILE; empty: the default case file
  Sha256Digest manifestDigest{};

  void NoteImage(const CheckedImage& image, const std::string& verdict, bool problem);
  void NoteAnomalies(const std::vector<TimelineAnomaly>& found);
};

}  // namespace selvo
