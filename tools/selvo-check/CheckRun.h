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

class DiscImageSource;
class FolderImageSource;

struct CheckOptions {
  bool csv = false;
  bool decode = false;
  bool quiet = false;
  int camera = 0;  // 1..16: list only that camera's images, as the viewer shows them; 0 all
};

struct CheckedImage {
  int number = 0;  // 1-based, in list order
  int channel = -1;
  int status = -1;  // -1: no parser recognised the image
  CalendarSeconds time = 0;
  std::uint32_t stamp = 0;
  int decoded = -1;  // -1 not tried, 0 failed, 1 decoded
  std::string path;
  bool unreadable = false;  // the bytes could not be read at all
  std::string unreadableReason;  // why, for a file; empty for a disc record
};

// selvo-check --disc PATH --extract DIR --range A-B [--prefix P].
struct ExtractRequest {
  std::string folder;
  int first = 0;  // 1-based
  int last = 0;
  bool prefixGiven = false;
  std::string prefix;
};

// "A-B" with 1 <= A <= B; false for anything else.
bool ParseRecordRange(const std::string& text, int& first, int& last);

// Whether a --prefix keeps every file it names inside the extract folder.
bool IsSafeFilePrefix(const std::string& prefix);

// text for a terminal: control characters, bytes that are not UTF-8 and the
// backslash itself are written as escapes (\n, \x1b, \\), so a file name
// cannot move the cursor, recolour, or forge lines of the report.
// keepLineBreaks leaves '\n' alone, for the tool's own multi-line texts.
std::string TerminalSafe(const std::string& text, bool keepLineBreaks = false);

enum CheckExit { kCheckAllOk = 0, kCheckFoundProblems = 1, kCheckUsageOrUnreadable = 2 };

class CheckRun {
 public:
  CheckRun(const CheckOptions& options, std::FILE* out, std::FILE* err);

  void PrintHeader();
  // Examines one PATH (a recording folder or a .jpg/.jp2 file); returns a CheckExit.
  int CheckPath(const std::string& path);
  // Lists the records of a recorder disc (a CD device node or a disc-image
  // file) with the verdicts of their trailers; returns a CheckExit.
  int CheckDisc(const std::string& path);
  // Copies records of a disc into a folder exactly as the viewer's copy
  // does; the error report goes to err. kCheckFoundProblems when any image
  // failed.
  int ExtractDisc(const std::string& path, const ExtractRequest& request);
  void PrintSummary();
  int ExitCode() const;

 private:
  int CheckFolder(const std::string& folder);
  int CheckImageFile(const std::string& file);
  bool SelectCamera(FolderImageSource& source, const std::string& folder);
  void ReportUnreadableFolders(const FolderImageSource& source);
  CheckedImage ExamineDiscRecord(DiscImageSource& source, const std::string& path, int index);
  int Finish(int result);
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
  long noValidTime_ = 0;
  long noTrailer_ = 0;
  long notRecorder_ = 0;
  long undecodable_ = 0;
  long unreadable_ = 0;
  long unreadableFolders_ = 0;
};

}  // namespace selvo
