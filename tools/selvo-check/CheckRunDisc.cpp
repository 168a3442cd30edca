// selvo-check's work on recorder discs: listing a disc's records with their
// verdicts, and copying a range of them into a folder as the viewer does.
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "source/RangeCopy.h"
#include "source/DiscImageSource.h"
#include "source/ImageDecoder.h"
#include "source/TrailerParser.h"
#include "tools/selvo-check/CheckRun.h"
#include "tools/selvo-check/OnceNotifier.h"

namespace selvo {

namespace {

TimelineImage TimelineOf(const CheckedImage& checked) {
  ImageRecord record;
  record.channel = checked.channel;
  record.status = checked.status;
  record.stampMs = checked.stamp;
  record.recordTime = checked.time;
  return TimelineImageOf(record, checked.number);
}

bool ParsePositive(const std::string& text, int& value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  value = std::atoi(text.c_str());
  return value >= 1;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Only a disc-image file or a drive can be a disc; anything else is told
// plainly here rather than as an open failure (or a drive "not ready").
bool IsDiscKindOfPath(const std::string& path, std::FILE* err) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return true;  // the open says why
  if (S_ISDIR(st.st_mode)) {
    std::fprintf(err, "selvo-check: %s: is a folder, not a disc image file or a CD drive\n", TerminalSafe(path).c_str());
    return false;
  }
  if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode) && !S_ISCHR(st.st_mode)) {
    std::fprintf(err, "selvo-check: %s: neither a disc image file nor a CD drive\n", TerminalSafe(path).c_str());
    return false;
  }
  return true;
}

// Opens a disc for reading; tells why not on err.
bool OpenDiscSource(DiscImageSource& source, const std::string& path, std::FILE* err) {
  if (!IsDiscKindOfPath(path, err)) return false;
  if (source.Open(path)) return true;
  // A drive or file that could not be opened has been told, with the reason,
  // by the source itself.
  if (source.LastOpenError() == 0) std::fprintf(err, "selvo-check: %s: no recorder images found\n", TerminalSafe(path).c_str());
  return false;
}

}  // namespace

bool ParseRecordRange(const std::string& text, int& first, int& last) {
  const std::size_t dash = text.find('-');
  if (dash == std::string::npos) return false;
  return ParsePositive(text.substr(0, dash), first) && ParsePositive(text.substr(dash + 1), last) && first <= last;
}

bool IsSafeFilePrefix(const std::string& prefix) { return prefix.find('/') == std::string::npos; }

CheckedImage CheckRun::ExamineDiscRecord(DiscImageSource& source, const std::string& path, int index) {
  CheckedImage image;
  image.number = index + 1;
  image.channel = -1;
  image.path = path + "#" + std::to_string(index + 1);
  std::vector<std::uint8_t> bytes;
  if (!source.Seek(index) || !source.ReadRecordBytes(bytes, false)) {
    image.unreadable = true;
    if (options_.decode) image.decoded = 0;
    return image;
  }
  if (Hashing()) {
    image.sha256 = Sha256::Of(bytes.data(), bytes.size());
    image.hashed = true;
  }
  ImageInfo info;
  if (ParseJpegInfo(bytes.data(), bytes.size(), info)) TakeTrailer(image, info);
  if (options_.decode) {
    // A disc holds JPEG images only.
    const DecodeResult decoded = DecodeImageMemory(bytes.data(), bytes.size(), ImageCodec::Jpeg);
    image.decoded = decoded.block ? 1 : 0;
    image.decodeFailure = decoded.failure;
  }
  return image;
}

int CheckRun::CheckDisc(const std::string& path) {
  OnceNotifier notifier("selvo-check");
  DiscImageSource source(notifier);
  if (!OpenDiscSource(source, path, err_)) return Finish(kCheckUsageOrUnreadable);
  started_ = lastProgress_ = std::chrono::steady_clock::now();
  const int count = source.GetCount();
  // What was not read is never ok.
  counts_.indexCutShort = source.IndexCutShort();
  int result = counts_.indexCutShort ? kCheckFoundProblems : kCheckAllOk;
  // A disc holds a few thousand records at most, all of one line.
  std::vector<TimelineImage> timeline;
  for (int i = 0; i < count; ++i) {
    const CheckedImage image = ExamineDiscRecord(source, path, i);
    Report(image);
    timeline.push_back(TimelineOf(image));
    if (IsProblem(image)) result = kCheckFoundProblems;
    ShowProgress(i + 1, count);
  }
  ClearProgress();
  ReportTimeline(FindCameraAnomalies(timeline));
  return Finish(result);
}

int CheckRun::ExtractDisc(const std::string& path, const ExtractRequest& request) {
  if (!IsFolder(request.folder)) {
    std::fprintf(err_, "selvo-check: %s: not a folder\n", TerminalSafe(request.folder).c_str());
    return Finish(kCheckUsageOrUnreadable);
  }
  OnceNotifier notifier("selvo-check");
  DiscImageSource source(notifier);
  if (!OpenDiscSource(source, path, err_)) return Finish(kCheckUsageOrUnreadable);
  if (request.last > source.GetCount()) {
    std::fprintf(err_, "selvo-check: %s: the range %d-%d lies past the last record (%d)\n", TerminalSafe(path).c_str(), request.first,
                 request.last, source.GetCount());
    return Finish(kCheckUsageOrUnreadable);
  }
  std::string prefix = request.prefix;
  if (!request.prefixGiven) {
    // As the viewer suggests: the date of the image it stands on.
    const CheckedImage first = ExamineDiscRecord(source, path, request.first - 1);
    if (first.time != 0) prefix = RangeCopy::DefaultPrefix(first.time, 0);
  }
  RangeCopy job(request.first, request.last, request.folder, prefix);
  started_ = lastProgress_ = std::chrono::steady_clock::now();
  while (!job.Done()) {
    job.CopyNext(source, false, false);
    ShowProgress(job.NextCounter(), job.ImageCount());
  }
  ClearProgress();
  for (const std::string& line : job.ErrorLines()) std::fprintf(err_, "selvo-check: %s\n", TerminalSafe(line).c_str());
  if (!options_.quiet) {
    std::fprintf(out_, "%d of %d images copied to %s\n", job.ImageCount() - job.FailedImages(), job.ImageCount(),
                 TerminalSafe(request.folder).c_str());
  }
  return Finish(job.FailedImages() > 0 ? kCheckFoundProblems : kCheckAllOk);
}

}  // namespace selvo
