#include "tools/selvo-check/CheckRun.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <system_error>
#include <vector>

#include "source/text/TimeText.h"
#include "source/DirectoryScanner.h"
#include "source/FileBytes.h"
#include "source/FolderImageSource.h"
#include "source/FolderRecording.h"
#include "source/ImageCodec.h"
#include "source/InfoIndex.h"
#include "source/StdioFile.h"
#include "source/StatusVerdict.h"
#include "source/TrailerParser.h"
#include "tools/selvo-check/CheckJson.h"
#include "tools/selvo-check/ImageReadPool.h"
#include "tools/selvo-check/ReportFindings.h"

namespace selvo {

namespace {

// Files read between two rounds of answers: enough to keep every core busy,
// few enough that memory does not follow the recording's size.
constexpr int kImagesPerBatch = 256;

// Unreadable is a verdict of its own, never "not a recorder image": the
// reason is kept so the report can say what stopped the read, and what it
// is when an entry named like an image is no file at all.
void NoteUnreadable(CheckedImage& image, int readError) {
  image.unreadable = true;
  image.unreadableReason = FileReadProblem(image.path);
  if (image.unreadableReason.empty()) image.unreadableReason = std::strerror(readError != 0 ? readError : EIO);
}

// A track that is there and does not play changes where the images are
// looked for, so it is told.
void WarnOfSound(const FolderRecording& recording, std::FILE* err) {
  if (recording.SoundProblem().empty()) return;
  std::fprintf(err, "selvo-check: warning: %s; the recording is read as one without sound\n",
               TerminalSafe(recording.SoundProblem()).c_str());
}

// Streams a file of any size through the hash; errno is set when it fails.
bool HashFile(const std::string& path, Sha256Digest& digest) {
  const StdioFile file(path, "rb");
  if (!file.IsOpen()) return false;
  Sha256 hash;
  std::vector<char> buffer(1 << 16);
  std::size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), file.Get())) > 0) hash.Add(buffer.data(), got);
  if (std::ferror(file.Get())) {
    errno = EIO;
    return false;
  }
  digest = hash.Finish();
  return true;
}

// Every regular file below folder (symbolic links are not followed: what
// they name is not the recording's), as paths below it, in byte order. false
// when a folder could not be listed; what was found is still given.
bool RegularFilesBelow(const std::string& folder, std::vector<std::string>& found, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code code;
  bool complete = true;
  fs::recursive_directory_iterator it(folder, code);
  for (; !code && it != fs::recursive_directory_iterator(); it.increment(code)) {
    // The entry's type as the listing gave it: asking the file system again
    // for each of a million images doubled the walk.
    std::error_code statusCode;
    if (!it->is_symlink(statusCode) && it->is_regular_file(statusCode)) {
      found.push_back(PathBelow(folder, it->path().string()));
    }
  }
  if (code) {
    complete = false;
    error = code.message();
  }
  std::sort(found.begin(), found.end());
  return complete;
}

}  // namespace

// What a recognised trailer says, for an image outside a folder's lists.
void TakeTrailer(CheckedImage& image, const ImageInfo& info) {
  ImageRecord record;
  record.status = info.status;
  record.recordTime = info.recordTime;
  record.stampMs = info.status == kNoTrailer ? 0 : info.stampMs;
  image.status = record.status;
  image.time = record.recordTime;
  image.stamp = record.stampMs;
  image.stampKnown = IsStampKnown(record);
}

CheckRun::CheckRun(const CheckOptions& options, std::FILE* out, std::FILE* err, ReportDrawer drawer)
    : options_(options), out_(out), err_(err), outCheck_(out), drawer_(drawer) {
  progressAllowed_ = isatty(fileno(err_)) != 0;
  if (!options_.report.empty()) findings_ = std::make_unique<ReportFindings>();
}

CheckRun::~CheckRun() = default;

bool CheckRun::OpenManifest() { return options_.manifest.empty() || manifest_.Open(options_.manifest); }

int CheckRun::OutputError() { return outCheck_.Finish(); }

// The manifest and the report name every file's hash.
bool CheckRun::Hashing() const { return options_.hash || !options_.manifest.empty() || !options_.report.empty(); }

ImageReadPool& CheckRun::Pool() {
  if (!pool_) pool_ = std::make_unique<ImageReadPool>(Hashing(), options_.decode);
  return *pool_;
}

void CheckRun::PrintHeader() {
  if (options_.csv) {
    std::fprintf(out_, "number,channel,status,time,stamp,decoded,path%s\n", options_.hash ? ",sha256" : "");
  } else if (!options_.json && !options_.quiet) {
    std::fprintf(out_, "%8s  %2s  %-19s  %-27s  %s\n", "number", "ch", "time", "verdict", "path");
  }
  outCheck_.Note();
}

int CheckRun::CheckPath(const std::string& path) {
  struct stat st {};
  int result;
  if (stat(path.c_str(), &st) != 0) {
    std::fprintf(err_, "selvo-check: %s: %s\n", TerminalSafe(path).c_str(), std::strerror(errno));
    result = kCheckUsageOrUnreadable;
  } else if (S_ISDIR(st.st_mode)) {
    result = CheckFolder(path);
  } else if (const std::optional<ImageCodec> codec = ImageCodecOfPath(path)) {
    result = CheckImageFile(path, *codec);
  } else {
    std::fprintf(err_, "selvo-check: %s: neither a recording folder nor a .jpg or .jp2 image\n", TerminalSafe(path).c_str());
    result = kCheckUsageOrUnreadable;
  }
  if (result > worstExit_) worstExit_ = result;
  return result;
}

int CheckRun::CheckFolder(const std::string& folder) {
  const std::string shown = TerminalSafe(folder);
  FolderRecording recording(folder);
  const bool opened = recording.Open();
  WarnOfSound(recording, err_);
  if (!opened) {
    if (recording.HasImages()) ReportUnreadableFolders(recording.Images());
    std::fprintf(err_, "selvo-check: %s: %s\n", shown.c_str(), TerminalSafe(recording.FailureText()).c_str());
    return kCheckUsageOrUnreadable;
  }
  if (!recording.IndexProblem().empty()) {
    std::fprintf(err_, "selvo-check: warning: %s; the INFO index is not used, so cameras and titles are not known\n",
                 TerminalSafe(recording.IndexProblem()).c_str());
  }
  if (!recording.ForeignChannelText().empty()) {
    std::fprintf(err_, "selvo-check: warning: %s: %s\n", shown.c_str(), recording.ForeignChannelText().c_str());
  }
  FolderImageSource& source = recording.Images();
  if (!SelectCamera(source, folder)) return kCheckUsageOrUnreadable;

  started_ = lastProgress_ = std::chrono::steady_clock::now();
  ReportUnreadableFolders(source);
  int result = source.UnreadableFolders().empty() ? kCheckAllOk : kCheckFoundProblems;
  const int count = source.GetCount();
  const ImageCodec codec = *recording.Codec();
  std::vector<ImageFileJob> jobs;
  std::map<int, int> imagesOfCamera;
  for (int first = 0; first < count; first += kImagesPerBatch) {
    const int batch = std::min(kImagesPerBatch, count - first);
    jobs.assign(static_cast<std::size_t>(batch), ImageFileJob{});
    for (int k = 0; k < batch; ++k) {
      jobs[static_cast<std::size_t>(k)].path = source.GetPathAt(first + k);
      jobs[static_cast<std::size_t>(k)].codec = codec;
    }
    Pool().RunAll(jobs);
    for (int k = 0; k < batch; ++k) {
      CheckedImage image = FolderImage(source, first + k, jobs[static_cast<std::size_t>(k)]);
      image.cameraNumber = ++imagesOfCamera[image.channel];
      Report(image);
      AddToManifest(image, folder);
      if (IsProblem(image)) result = kCheckFoundProblems;
    }
    ShowProgress(first + batch, count);
  }
  ClearProgress();
  if (!AddOtherFiles(recording)) result = kCheckFoundProblems;
  ReportTimeline(FolderTimeline(source));
  return result;
}

// The record as the viewer's first display leaves it, from the one read the
// job made.
CheckedImage CheckRun::FolderImage(FolderImageSource& source, int index, const ImageFileJob& job) {
  // Status, time and stamp under the rules the viewer's display and its
  // background check follow; the record takes them for the time line.
  const int file = source.FileIndexAt(index);
  const ImageRecord facts = source.FileFacts(file, job.reading.parsed ? &job.reading.info : nullptr);
  source.AdoptExamined(file, facts);
  CheckedImage image;
  image.number = index + 1;
  image.channel = source.RecordAt(index)->channel;
  image.status = facts.status;
  image.time = facts.recordTime;
  image.stamp = facts.stampMs;
  image.stampKnown = IsStampKnown(facts);
  image.path = job.path;
  if (options_.json || findings_) image.title = source.GetChannelTitle(index);
  image.hashed = job.reading.read && Hashing();
  image.sha256 = job.reading.sha256;
  image.decoded = job.decoded;
  image.decodeFailure = job.decodeFailure;
  if (!job.reading.read) NoteUnreadable(image, job.reading.error);
  return image;
}

// Each camera's line on its own: interleaved cameras are no anomaly. A
// camera's images are read from the records where they lie, never copied,
// so the time line costs a million-image check no more than its median.
std::vector<TimelineAnomaly> CheckRun::FolderTimeline(FolderImageSource& source) {
  std::set<int> channels;
  const int count = source.GetCount();
  for (int i = 0; i < count; ++i) channels.insert(source.RecordAt(i)->channel);
  // Runs where time.txt and the index disagree, numbered as the list is.
  std::map<int, std::vector<TimelineAnomaly>> disagreements;
  for (TimelineAnomaly anomaly : source.StampDisagreements()) {
    const int from = source.IndexOfFile(anomaly.from - 1);
    const int to = source.IndexOfFile(anomaly.to - 1);
    if (from < 0 || to < 0) continue;  // a camera the list does not hold
    anomaly.from = from + 1;
    anomaly.to = to + 1;
    disagreements[anomaly.channel].push_back(std::move(anomaly));
  }
  std::vector<TimelineAnomaly> found;
  for (const int channel : channels) {
    std::vector<TimelineAnomaly> ofCamera = FindCameraAnomalies([&](const TimelineVisit& visit) {
      for (int i = 0; i < count; ++i) {
        const ImageRecord& record = *source.RecordAt(i);
        if (record.channel == channel) visit(TimelineImageOf(record, i + 1));
      }
    });
    const std::vector<TimelineAnomaly>& mismatched = disagreements[channel];
    ofCamera.insert(ofCamera.end(), mismatched.begin(), mismatched.end());
    SortByMarkedImage(ofCamera);
    found.insert(found.end(), std::make_move_iterator(ofCamera.begin()), std::make_move_iterator(ofCamera.end()));
  }
  return found;
}

// A folder that could not be listed hides its images: it is a finding of its
// own, in the table and in the summary, or on err beside CSV.
void CheckRun::ReportUnreadableFolders(const FolderImageSource& source) {
  for (const UnreadableFolder& folder : source.UnreadableFolders()) {
    ++counts_.unreadableFolders;
    const std::string verdict = std::string("unreadable folder (") + std::strerror(folder.error) + ")";
    const std::string path = TerminalSafe(folder.path);
    if (options_.csv || options_.json) {
      std::fprintf(err_, "selvo-check: %s: %s; its images are not listed\n", path.c_str(), verdict.c_str());
    } else {
      std::fprintf(out_, "%8s  %2s  %-19s  %-27s  %s\n", "-", "--", "-", verdict.c_str(), path.c_str());
    }
  }
}

// All images in the order of their files, or one camera's as the viewer lists
// them when that camera is chosen; false (told on err) when that cannot be.
bool CheckRun::SelectCamera(FolderImageSource& source, const std::string& folder) {
  if (options_.camera == 0) {
    if (source.HasChannel(-1)) source.SelectChannels(-1, 1, nullptr);
    return true;
  }
  const int channel = options_.camera - 1;
  if (!source.HasChannel(-1)) {
    std::fprintf(err_, "selvo-check: %s: no INFO index, so the images of camera %d are not known\n", TerminalSafe(folder).c_str(),
                 options_.camera);
    return false;
  }
  // The header's count for a camera is only a claim: the entries decide.
  if (!source.HasChannel(channel) || !source.SelectChannels(channel, 1, nullptr) || source.GetCount() == 0) {
    std::fprintf(err_, "selvo-check: %s: camera %d has no images\n", TerminalSafe(folder).c_str(), options_.camera);
    return false;
  }
  return true;
}

int CheckRun::CheckImageFile(const std::string& file, ImageCodec codec) {
  if (options_.camera != 0) {
    std::fprintf(err_, "selvo-check: %s: --camera needs a recording folder\n", TerminalSafe(file).c_str());
    return kCheckUsageOrUnreadable;
  }
  if (access(file.c_str(), R_OK) != 0) {
    std::fprintf(err_, "selvo-check: %s: %s\n", TerminalSafe(file).c_str(), std::strerror(errno));
    return kCheckUsageOrUnreadable;
  }
  ImageFileJob job;
  job.path = file;
  job.codec = codec;
  RunImageFileJob(job, Hashing(), options_.decode);
  CheckedImage image;
  image.number = 1;
  image.path = file;
  if (job.reading.parsed) TakeTrailer(image, job.reading.info);
  image.hashed = job.reading.read && Hashing();
  image.sha256 = job.reading.sha256;
  image.decoded = job.decoded;
  image.decodeFailure = job.decodeFailure;
  if (!job.reading.read) NoteUnreadable(image, job.reading.error);
  Report(image);
  AddToManifest(image, file);
  return IsProblem(image) ? kCheckFoundProblems : kCheckAllOk;
}

int CheckRun::Finish(int result) {
  if (result > worstExit_) worstExit_ = result;
  return result;
}

bool CheckRun::IsProblem(const CheckedImage& image) const {
  return image.unreadable || image.status != 0 || image.decoded == 0;
}

std::string CheckRun::Verdict(const CheckedImage& image, bool withDecodeFailure) const {
  std::string verdict = VerdictForStatus(image.status).Text();
  if (image.unreadable) {
    verdict = image.unreadableReason.empty() ? "unreadable record" : "unreadable (" + image.unreadableReason + ")";
  }
  if (image.decoded == 0) {
    std::string undecodable = "undecodable";
    if (withDecodeFailure && !image.decodeFailure.empty()) undecodable += " (" + image.decodeFailure + ")";
    verdict = verdict == "ok" ? undecodable : verdict + ", " + undecodable;
  }
  return verdict;
}

void CheckRun::CountVerdict(const CheckedImage& image) {
  ++counts_.images;
  const StatusVerdict verdict = VerdictForStatus(image.status);
  if (image.unreadable) {
    ++counts_.unreadable;
  } else if (verdict.unrecognised) {
    ++counts_.notRecorder;
  } else if (verdict.noTrailer) {
    ++counts_.noTrailer;
  } else {
    if (verdict.ShowsImageAlteredBox()) ++counts_.imageAltered;
    if (verdict.ShowsTimeAlteredBox()) ++counts_.timeAltered;
    if (verdict.noValidTime) ++counts_.noValidTime;
  }
  if (image.decoded == 0) ++counts_.undecodable;
  if (!IsProblem(image)) ++counts_.ok;
}

void CheckRun::Report(const CheckedImage& image) {
  CountVerdict(image);
  if (findings_) findings_->NoteImage(image, Verdict(image), IsProblem(image));
  // Machine-read output is whole, as CSV always was: --quiet is for people.
  if (options_.json) {
    std::fprintf(out_, "%s\n", JsonImageLine(image, Verdict(image), options_.hash).c_str());
  } else if (options_.csv) {
    ReportCsv(image);
  } else if (!options_.quiet || IsProblem(image)) {
    // Formatting a time costs more than judging a trailer; --quiet skips it
    // for every line it does not print.
    ReportTable(image);
  }
  outCheck_.Note();
}

void CheckRun::ReportCsv(const CheckedImage& image) {
  const std::string time = image.time != 0 ? FormatIsoTime(image.time) : std::string();
  const char* decoded = image.decoded < 0 ? "" : image.decoded ? "1" : "0";
  const std::string stamp = image.stampKnown ? std::to_string(image.stamp) : std::string();
  std::fprintf(out_, "%d,%d,%d,%s,%s,%s,%s", image.number, image.channel, image.status, time.c_str(), stamp.c_str(),
               decoded, CsvField(image.path).c_str());
  if (options_.hash) std::fprintf(out_, ",%s", image.hashed ? HexDigest(image.sha256).c_str() : "");
  std::fputc('\n', out_);
  // The status column cannot tell a file never read from one read and not
  // recognised, nor the decoded column say why the decoder gave up; err does.
  const bool decodeFailureTold = image.decoded == 0 && !image.decodeFailure.empty();
  if ((image.unreadable && !image.unreadableReason.empty()) || decodeFailureTold) {
    std::fprintf(err_, "selvo-check: %s: %s\n", TerminalSafe(image.path).c_str(), TerminalSafe(Verdict(image, true)).c_str());
  }
}

void CheckRun::ReportTable(const CheckedImage& image) {
  const std::string time = image.time != 0 ? FormatIsoTime(image.time) : std::string();
  if (progressShown_) ClearProgress();
  std::fprintf(out_, "%8d  %2s  %-19s  %-27s  %s\n", image.number, ChannelLabel(image.channel).c_str(),
               time.empty() ? "-" : time.c_str(), TerminalSafe(Verdict(image, true)).c_str(),
               TerminalSafe(image.path).c_str());
}

// After a recording's images: the breaks in its time line. They are
// findings to look at, not alterations, so they leave the exit status alone.
void CheckRun::ReportTimeline(const std::vector<TimelineAnomaly>& anomalies) {
  counts_.anomalies += static_cast<long>(anomalies.size());
  if (findings_) findings_->NoteAnomalies(anomalies);
  if (options_.json) {
    for (const TimelineAnomaly& anomaly : anomalies) std::fprintf(out_, "%s\n", JsonAnomalyLine(anomaly).c_str());
    outCheck_.Note();
    return;
  }
  if (options_.csv) return;
  if (anomalies.empty()) {
    if (!options_.quiet) std::fprintf(out_, "Time line: no anomalies\n");
    return;
  }
  std::fprintf(out_, "Time line: %zu %s\n", anomalies.size(), anomalies.size() == 1 ? "anomaly" : "anomalies");
  std::fprintf(out_, "%8s  %8s  %2s  %-15s  %s\n", "from", "to", "ch", "anomaly", "detail");
  for (const TimelineAnomaly& anomaly : anomalies) {
    std::fprintf(out_, "%8d  %8d  %2s  %-15s  %s\n", anomaly.from, anomaly.to, ChannelLabel(anomaly.channel).c_str(),
                 TimelineAnomalyName(anomaly.kind), TerminalSafe(anomaly.detail).c_str());
  }
  outCheck_.Note();
}

void CheckRun::AddToManifest(const CheckedImage& image, const std::string& folder) {
  if ((manifest_.IsOpen() || findings_) && image.hashed) manifest_.Add(image.sha256, PathBelow(folder, image.path));
}

// After the images, the manifest takes every other regular file under the
// recording folder: INFO and time.txt decide every time and stamp shown, and
// whatever else lies there is part of what was handed over. The report names
// the files that are not the recording's own. false when one could not be
// read or a folder not listed (told on err).
bool CheckRun::AddOtherFiles(const FolderRecording& recording) {
  if (!manifest_.IsOpen() && !findings_) return true;
  const std::string& folder = recording.Folder();
  const FolderImageSource& source = recording.Images();
  std::set<std::string> images;
  for (int i = 0; i < source.FileCount(); ++i) images.insert(PathBelow(folder, source.FilePathAt(i)));
  std::set<std::string> own;
  for (const std::string& path : {InfoIndex::FileOf(folder), FindChildIgnoringCase(folder, "time.txt", EntryType::kFile)}) {
    if (!path.empty()) own.insert(PathBelow(folder, path));
  }
  if (!recording.SoundFile().empty()) own.insert(PathBelow(folder, recording.SoundFile()));

  std::vector<std::string> files;
  std::string listingError;
  bool complete = RegularFilesBelow(folder, files, listingError);
  if (!complete) {
    std::fprintf(err_, "selvo-check: %s: %s; files below it may be missing from the manifest\n", TerminalSafe(folder).c_str(),
                 listingError.c_str());
  }
  for (const std::string& file : files) {
    const std::string path = folder + "/" + file;
    if (images.count(file) != 0 || IsOwnOutput(path)) continue;
    Sha256Digest digest{};
    if (!HashFile(path, digest)) {
      std::fprintf(err_, "selvo-check: %s: %s; not in the manifest\n", TerminalSafe(path).c_str(), std::strerror(errno));
      ++counts_.unreadableOtherFiles;
      complete = false;
      continue;
    }
    manifest_.Add(digest, file);
    if (findings_ && own.count(file) == 0) {
      if (findings_->otherFiles.size() < kMostListedOtherFiles) {
        findings_->otherFiles.push_back(file);
      } else {
        ++findings_->otherFilesLeftOut;
      }
    }
  }
  return complete;
}

// The manifest or report written into the folder being checked is not part of it.
bool CheckRun::IsOwnOutput(const std::string& path) const {
  std::error_code code;
  for (const std::string& output : {options_.manifest, options_.report}) {
    if (!output.empty() && std::filesystem::equivalent(path, output, code)) return true;
  }
  return false;
}

void CheckRun::PrintSummary() {
  if (manifest_.IsOpen() && !manifest_.Close()) {
    std::fprintf(err_, "selvo-check: %s: %s\n", TerminalSafe(options_.manifest).c_str(), std::strerror(errno));
    Finish(kCheckUsageOrUnreadable);
  }
  if (options_.json) {
    std::fprintf(out_, "%s\n", JsonSummaryLine(counts_).c_str());
    outCheck_.Note();
    return;
  }
  if (options_.csv) return;
  const CheckCounts& c = counts_;
  std::fprintf(out_,
               "%ld images: %ld ok, %ld image altered, %ld time altered, %ld without valid time, "
               "%ld without recorder trailer, %ld not recorder images",
               c.images, c.ok, c.imageAltered, c.timeAltered, c.noValidTime, c.noTrailer, c.notRecorder);
  if (c.unreadable > 0) std::fprintf(out_, ", %ld unreadable", c.unreadable);
  if (c.unreadableFolders > 0) std::fprintf(out_, ", %ld unreadable folders", c.unreadableFolders);
  if (c.unreadableOtherFiles > 0) std::fprintf(out_, ", %ld other files unreadable", c.unreadableOtherFiles);
  if (options_.decode) std::fprintf(out_, ", %ld undecodable", c.undecodable);
  std::fprintf(out_, ", %ld time-line %s\n", c.anomalies, c.anomalies == 1 ? "anomaly" : "anomalies");
  if (c.indexCutShort) {
    std::fprintf(out_, "The disc's index was cut short: records past the first %ld could not be listed.\n",
                 c.images);
  }
  outCheck_.Note();
}

int CheckRun::ExitCode() const { return worstExit_; }

bool CheckRun::WriteReport(const std::string& version) {
  if (!findings_) return true;
  ReportFindings& findings = *findings_;
  findings.version = version;
  findings.counts = counts_;
  findings.manifestDigest = manifest_.Digest();
  findings.manifestFile = options_.manifest;
  findings.caseFile = options_.caseFile;
  std::string error;
  if (drawer_ == nullptr || !drawer_(options_.report, findings, error)) {
    std::fprintf(err_, "selvo-check: %s: %s\n", TerminalSafe(options_.report).c_str(), error.c_str());
    Finish(kCheckUsageOrUnreadable);
    return false;
  }
  return true;
}

void CheckRun::StartReport(const std::string& path) {
  if (!findings_) return;
  findings_->path = path;
  const std::time_t now = std::time(nullptr);
  std::tm utc {};
  char text[32] = "";
  if (gmtime_r(&now, &utc) != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
  findings_->checkedAt = text;
}

void CheckRun::ShowProgress(int done, int total) {
  if (!progressAllowed_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - started_ < std::chrono::seconds(1) || now - lastProgress_ < std::chrono::milliseconds(100)) return;
  lastProgress_ = now;
  std::fprintf(err_, "\rchecking %d of %d images...", done, total);
  std::fflush(err_);
  progressShown_ = true;
}

void CheckRun::ClearProgress() {
  if (!progressShown_) return;
  std::fprintf(err_, "\r\033[K");
  std::fflush(err_);
  progressShown_ = false;
}

}  // namespace selvo
