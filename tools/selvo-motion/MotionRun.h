#pragma once
// selvo-motion's work: one camera's images searched for motion in the
// areas asked, each event printed as soon as it has ended, as a table, CSV
// or JSON Lines, then a summary; images that could not be searched are
// listed on standard error and counted.
#include <cstdio>
#include <string>

#include "source/StreamCheck.h"
#include "source/motion/MotionSearch.h"
#include "tools/selvo-motion/MotionRecording.h"
#include "tools/selvo-motion/TerminalProgress.h"

namespace selvo {

enum MotionExit { kMotionSearched = 0, kMotionImagesSkipped = 1, kMotionUsageOrUnreadable = 2 };

struct MotionOptions {
  MotionSettings settings;
  int camera = 0;  // 1..16; 0 the only one
  int first = 0;  // --range A-B, 1-based; 0 the whole list
  int last = 0;
  bool csv = false;
  bool json = false;
};

class MotionRun : public MotionSearchObserver {
 public:
  MotionRun(const MotionOptions& options, std::FILE* out, std::FILE* err);

  // Searches FOLDER; returns a MotionExit.
  int Search(const std::string& folder);
  // 0 when everything printed reached out, otherwise the errno of the
  // first write that failed.
  int OutputError() { return outCheck_.Finish(); }

  void OnProgress(int done, int total) override;
  void OnEvent(const MotionEvent& event) override;
  void OnSkipped(const MotionSkip& skip) override;

 private:
  void PrintHeader();
  void PrintSummary(const MotionSearchResult& result);
  std::string RangeText() const;

  MotionOptions options_;
  std::FILE* out_;
  std::FILE* err_;
  StreamCheck outCheck_;
  TerminalProgress progress_;
  MotionRecording recording_;
  int events_ = 0;
  bool headerPrinted_ = false;
};

}  // namespace selvo
