#pragma once
// selvo-check's work: examine every image of a recording (or single image
// files) exactly as the viewer would on first display, and report the
// verdicts as a table or as CSV.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "source/CalendarTime.h"

namespace selvo {

struct CheckOptions {
  bool csv = false;
  bool decode = false;
  bool quiet = false;
};

struct CheckedImage {
  int number = 0;  // 1-based, in list order
  int channel = -1;
  int status = -1;  // -1: no parser recognised the image
  CalendarSeconds time = 0;
  std::uint32_t stamp = 0;
  int decoded = -1;  // -1 not tried, 0 failed, 1 decoded
  std::string path;
};

enum CheckExit { kCheckAllOk = 0, kCheckFoundProblems = 1, kCheckUsageOrUnreadable = 2 };

class CheckRun {
 public:
  CheckRun(const CheckOptions& options, std::FILE* out, std::FILE* err);

  void PrintHeader();
  // Examines one PATH (a recording folder or a .jpg/.jp2 file); returns a CheckExit.
  int CheckPath(const std::string& path);
  void PrintSummary();
  int ExitCode() const;

 private:
  int CheckFolder(const std::string& folder);
  int CheckImageFile(const std::string& file);
  void Report(const CheckedImage& image);
  void CountVerdict(const CheckedImage& image);
  void ShowProgress(int done, int total);
  void ClearProgress();
  bool IsProblem(const CheckedImage& image) const;
  std::string Verdict(const CheckedImage& image) const;

  CheckOptions options_;
  std::FILE* out_;
  std::FILE* err_;
  bool progressShown_ = false;
  bool progressAllowed_ = false;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point lastProgress_;

  int worstExit_ = kCheckAllOk;
  long total_ = 0;
  long ok_ = 0;
  long imageAltered_ = 0;
  long timeAltered_ = 0;
  long noTrailer_ = 0;
  long notRecorder_ = 0;
  long undecodable_ = 0;
};

}  // namespace selvo
