#pragma once
// selvo-check's work: examine every image of a recording (or single image
// files) exactly as the viewer would on first display, and report the
// verdicts as a table, as CSV or as JSON Lines, with the time line's
// anomalies and, as asked, each file's SHA-256 and a manifest of them.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "source/ImageCodec.h"
#include "source/ImageInfo.h"
#include "source/Sha256.h"
#include "source/StreamCheck.h"
#include "source/TimelineAnomalies.h"
#include "tools/selvo-check/ManifestWriter.h"
#include "tools/selvo-check/TextEscapes.h"

namespace selvo {

class DiscImageSource;
class FolderImageSource;
class FolderRecording;
class ImageReadPool;
struct ImageFileJob;
struct ReportFindings;

struct CheckOptions {
  bool csv = false;
  bool json = false;
  bool decode = false;
  bool hash = false;
  std::string manifest;  // empty: none
  std::string report;  // PDF file; empty: none
  std::string caseFile;  // --case: bookmarks for the report, which is logged there; empty: the default, read only
  bool quiet = false;
  int camera = 0;  // 1..16: list only that camera's images, as the viewer shows them; 0 all
};

struct CheckedImage {
  int number = 0;  // 1-based, in list order
  int channel = -1;
  int status = -1;  // -1: no parser recognised the image
  CalendarSeconds time = 0;
  std::uint32_t stamp = 0;
  bool stampKnown = false;  // false: no stamp to go by (written null or empty)
  int cameraNumber = 0;  // 1-based place in its camera's list, as the viewer's panel counts; 0 unknown
  int decoded = -1;  // -1 not tried, 0 failed, 1 decoded
  std::string decodeFailure;  // why it failed, in the codec library's words where it gave some
  std::string path;
  std::string title;  // the camera's title, UTF-8; empty when none
  bool hashed = false;
  Sha256Digest sha256{};
  bool unreadable = false;  // the bytes could not be read at all
  std::string unreadableReason;  // why, for a file; empty for a disc record
};

// What a recognised trailer says, for an image outside a folder's lists (a
// single file, a disc record).
void TakeTrailer(CheckedImage& image, const ImageInfo& info);

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

// What the summaries count. A verdict is counted under every flag it carries.
struct CheckCounts {
  long images = 0;
  long ok = 0;
  long imageAltered = 0;
  long timeAltered = 0;
  long noValidTime = 0;
  long noTrailer = 0;
  long notRecorder = 0;
  long undecodable = 0;
  long unreadable = 0;
  long unreadableFolders = 0;
  long unreadableOtherFiles = 0;  // files beside the images the manifest could not hash
  long anomalies = 0;
  // A disc whose tag area could be read only in part: records past the
  // entries read may exist and were not checked.
  bool indexCutShort = false;
};

// Draws the --report PDF; false with the reason in error.
using ReportDrawer = bool (*)(const std::string& file, const ReportFindings& findings, std::string& error);

enum CheckExit { kCheckAllOk = 0, kCheckFoundProblems = 1, kCheckUsageOrUnreadable = 2 };

class CheckRun {
 public:
  CheckRun(const CheckOptions& options, std::FILE* out, std::FILE* err, ReportDrawer drawer = nullptr);
  ~CheckRun();

  void PrintHeader();
  // Examines one PATH (a recording folder or a .jpg/.jp2 file); returns a CheckExit.
  int CheckPath(const std::string& path);
  // Lists the records of a recorder disc (a CD device node or a disc-image
  // file) with the verdicts of their trailers; returns a CheckExit. The disc
  // work is in CheckRunDisc.cpp.
  int CheckDisc(const std::string& path);
  // Copies records of a disc into a folder exactly as the viewer's copy
  // does; the error report goes to err. kCheckFoundProblems when any image
  // failed.
  int ExtractDisc(const std::string& path, const ExtractRequest& request);
  // The summary; with --manifest, also closes the manifest (a failure to
  // write it is told and fails the run).
  void PrintSummary();
  int ExitCode() const;
  const CheckCounts& Counts() const { return counts_; }
  // Draws the --report PDF from what the run found with the drawer. false
  // (told on err) when it cannot be written.
  bool WriteReport(const std::string& version);
  // Notes the PATH and the time of the check for the report.
  void StartReport(const std::string& path);
  // Makes the --manifest file, if one was asked for; false (errno set) when it cannot be made.
  bool OpenManifest();
  // 0 when everything printed reached out, otherwise the errno of the
  // first write that failed (flushes out).
  int OutputError();

 private:
  int CheckFolder(const std::string& folder);
  int CheckImageFile(const std::string& file, ImageCodec codec);
  bool SelectCamera(FolderImageSource& source, const std::string& folder);
  void ReportUnreadableFolders(const FolderImageSource& source);
  CheckedImage FolderImage(FolderImageSource& source, int index, const ImageFileJob& job);
  std::vector<TimelineAnomaly> FolderTimeline(FolderImageSource& source);
  bool Hashing() const;
  ImageReadPool& Pool();
  CheckedImage ExamineDiscRecord(DiscImageSource& source, const std::string& path, int index);
  int Finish(int result);
  void Report(const CheckedImage& image);
  void ReportTable(const CheckedImage& image);
  void ReportCsv(const CheckedImage& image);
  void ReportTimeline(const std::vector<TimelineAnomaly>& anomalies);
  void AddToManifest(const CheckedImage& image, const std::string& folder);
  bool AddOtherFiles(const FolderRecording& recording);
  bool IsOwnOutput(const std::string& path) const;
  void CountVerdict(const CheckedImage& image);
  void ShowProgress(int done, int total);
  void ClearProgress();
  bool IsProblem(const CheckedImage& image) const;
  // The viewer's words for the image; withDecodeFailure adds the decoder's
  // reason after "undecodable", where the output has no field of its own for it.
  std::string Verdict(const CheckedImage& image, bool withDecodeFailure = false) const;

  CheckOptions options_;
  std::FILE* out_;
  std::FILE* err_;
  StreamCheck outCheck_;
  bool progressShown_ = false;
  bool progressAllowed_ = false;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point lastProgress_;

  int worstExit_ = kCheckAllOk;
  CheckCounts counts_;
  std::unique_ptr<ImageReadPool> pool_;
  ManifestWriter manifest_;
  ReportDrawer drawer_;
  std::unique_ptr<ReportFindings> findings_;
};

}  // namespace selvo
