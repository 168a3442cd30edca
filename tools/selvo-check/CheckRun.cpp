#include "tools/selvo-check/CheckRun.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "source/text/TimeText.h"
#include "source/CopyRangeJob.h"
#include "source/DiscImageSource.h"
#include "source/FileBytes.h"
#include "source/Notifier.h"
#include "source/FolderImageSource.h"
#include "source/Jp2Decoder.h"
#include "source/JpegDecoder.h"
#include "source/MediaProbe.h"
#include "source/SoundDecoder.h"
#include "source/SoundFile.h"
#include "source/StatusVerdict.h"
#include "source/TrailerParser.h"

namespace selvo {

namespace {

enum class ImageKind { None, Jpeg, Jp2 };

std::string LowerExtension(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

ImageKind KindByExtension(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (ext == ".jpg") return ImageKind::Jpeg;
  if (ext == ".jp2") return ImageKind::Jp2;
  return ImageKind::None;
}

bool DecodesByExtension(const std::string& path) {
  std::uint32_t size = 0;
  switch (KindByExtension(path)) {
    case ImageKind::Jpeg: return DecodeJpegFile(path, &size) != nullptr;
    case ImageKind::Jp2: return DecodeJp2File(path, &size) != nullptr;
    case ImageKind::None: break;
  }
  return false;
}

// CSV quoting: fields with commas, quotes or line breaks are quoted and their
// quotes doubled.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// Length of the well-formed UTF-8 sequence at text[i] (2 to 4 bytes), or 0.
// C1 controls (U+0080..U+009F) count as none: some terminals obey them.
std::size_t PrintableUtf8Length(const std::string& text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned lead = byte(i);
  std::size_t length = 0;
  unsigned smallest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    smallest = 0xA0;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    smallest = 0x10000;
  }
  if (length == 0 || i + length > text.size()) return 0;
  unsigned code = lead & (0x7Fu >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

void AppendEscape(std::string& out, unsigned char c) {
  switch (c) {
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
  }
  static const char kHex[] = "0123456789abcdef";
  out += "\\x";
  out += kHex[c >> 4];
  out += kHex[c & 0x0F];
}

// Unreadable is a verdict of its own, never "not a recorder image": the
// reason is kept so the report can say what stopped the read.
void NoteIfUnreadable(CheckedImage& image) {
  if (image.status != -1) return;
  const int error = FileReadError(image.path);
  if (error == 0) return;
  image.unreadable = true;
  image.unreadableReason = std::strerror(error);
}

// The viewer learns hasSound by finding the recording's sound file and opening it.
bool RecordingHasSound(const std::string& folder) {
  std::string soundPath;
  if (FindSoundFile(folder, soundPath) == kNoSound) return false;
  SoundDecoder decoder;
  return decoder.Open(soundPath);
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

// A damaged disc reports the same failure for every unreadable sector; the
// records' verdicts already say which ones, so each text is shown once.
class OnceNotifier : public Notifier {
 public:
  void Notify(NoticeKind kind, const std::string& text) override {
    for (const std::string& shown : shown_) {
      if (shown == text) return;
    }
    shown_.push_back(text);
    stderr_.Notify(kind, TerminalSafe(text, true));
  }

 private:
  StderrNotifier stderr_{"selvo-check"};
  std::vector<std::string> shown_;
};

// Only a disc-image file or a drive can be a disc; anything else is told
// plainly here rather than as an open failure (or a drive "not ready").
bool IsDiscKindOfPath(const std::string& path, std::FILE* err) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return true;  // the open says why
  if (S_ISDIR(st.st_mode)) {
    std::fprintf(err, "%s: is a folder, not a disc image file or a CD drive\n", TerminalSafe(path).c_str());
    return false;
  }
  if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode) && !S_ISCHR(st.st_mode)) {
    std::fprintf(err, "%s: neither a disc image file nor a CD drive\n", TerminalSafe(path).c_str());
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
  if (source.LastOpenError() == 0) std::fprintf(err, "%s: no recorder images found\n", TerminalSafe(path).c_str());
  return false;
}

}  // namespace

bool ParseRecordRange(const std::string& text, int& first, int& last) {
  const std::size_t dash = text.find('-');
  if (dash == std::string::npos) return false;
  return ParsePositive(text.substr(0, dash), first) && ParsePositive(text.substr(dash + 1), last) && first <= last;
}

bool IsSafeFilePrefix(const std::string& prefix) { return prefix.find('/') == std::string::npos; }

std::string TerminalSafe(const std::string& text, bool keepLineBreaks) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n' && keepLineBreaks) {
      out += '\n';
    } else if (c == '\\' || c < 0x20 || c == 0x7F) {
      AppendEscape(out, c);
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (const std::size_t length = PrintableUtf8Length(text, i)) {
      out.append(text, i, length);
      i += length - 1;
    } else {
      AppendEscape(out, c);
    }
  }
  return out;
}

CheckRun::CheckRun(const CheckOptions& options, std::FILE* out, std::FILE* err)
    : options_(options), out_(out), err_(err) {
  progressAllowed_ = isatty(fileno(err_)) != 0;
}

void CheckRun::PrintHeader() {
  if (options_.csv) {
    std::fprintf(out_, "number,channel,status,time,stamp,decoded,path\n");
  } else if (!options_.quiet) {
    std::fprintf(out_, "%8s  %2s  %-19s  %-27s  %s\n", "number", "ch", "time", "verdict", "path");
  }
}

int CheckRun::CheckPath(const std::string& path) {
  struct stat st {};
  int result;
  if (stat(path.c_str(), &st) != 0) {
    std::fprintf(err_, "%s: %s\n", TerminalSafe(path).c_str(), std::strerror(errno));
    result = kCheckUsageOrUnreadable;
  } else if (S_ISDIR(st.st_mode)) {
    result = CheckFolder(path);
  } else if (KindByExtension(path) != ImageKind::None) {
    result = CheckImageFile(path);
  } else {
    std::fprintf(err_, "%s: neither a recording folder nor a .jpg or .jp2 image\n", TerminalSafe(path).c_str());
    result = kCheckUsageOrUnreadable;
  }
  if (result > worstExit_) worstExit_ = result;
  return result;
}

int CheckRun::CheckFolder(const std::string& folder) {
  const std::string shown = TerminalSafe(folder);
  if (access(folder.c_str(), R_OK | X_OK) != 0) {
    std::fprintf(err_, "%s: %s\n", shown.c_str(), std::strerror(errno));
    return kCheckUsageOrUnreadable;
  }
  MediaProbe probe(folder);
  if (!probe.Probe() || !probe.Kind().Any()) {
    std::fprintf(err_, "%s: no recorder images found\n", shown.c_str());
    return kCheckUsageOrUnreadable;
  }
  FolderImageSource source(probe.Kind(), nullptr);
  if (!source.OpenRecording(folder, RecordingHasSound(folder))) {
    ReportUnreadableFolders(source);
    std::fprintf(err_, "%s: no recorder images found\n", shown.c_str());
    return kCheckUsageOrUnreadable;
  }
  if (!SelectCamera(source, folder)) return kCheckUsageOrUnreadable;

  started_ = lastProgress_ = std::chrono::steady_clock::now();
  ReportUnreadableFolders(source);
  int result = source.UnreadableFolders().empty() ? kCheckAllOk : kCheckFoundProblems;
  const int count = source.GetCount();
  for (int i = 0; i < count; ++i) {
    source.ExamineRecord(i);
    const ImageRecord& record = *source.RecordAt(i);
    CheckedImage image;
    image.number = i + 1;
    image.channel = record.channel;
    image.status = record.status;
    image.time = record.recordTime;
    // The stamp that paces playback, which time.txt may set apart from the
    // trailer's.
    image.stamp = source.GetStampAt(i);
    image.path = source.GetPathAt(i);
    NoteIfUnreadable(image);
    if (options_.decode) image.decoded = !image.unreadable && DecodesByExtension(image.path) ? 1 : 0;
    Report(image);
    if (IsProblem(image)) result = kCheckFoundProblems;
    ShowProgress(i + 1, count);
  }
  ClearProgress();
  return result;
}

// A folder that could not be listed hides its images: it is a finding of its
// own, in the table and in the summary, or on err beside CSV.
void CheckRun::ReportUnreadableFolders(const FolderImageSource& source) {
  for (const UnreadableFolder& folder : source.UnreadableFolders()) {
    ++unreadableFolders_;
    const std::string verdict = std::string("unreadable folder (") + std::strerror(folder.error) + ")";
    const std::string path = TerminalSafe(folder.path);
    if (options_.csv) {
      std::fprintf(err_, "%s: %s; its images are not listed\n", path.c_str(), verdict.c_str());
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
    std::fprintf(err_, "%s: no INFO index, so the images of camera %d are not known\n", folder.c_str(),
                 options_.camera);
    return false;
  }
  if (!source.HasChannel(channel)) {
    std::fprintf(err_, "%s: camera %d has no images\n", folder.c_str(), options_.camera);
    return false;
  }
  return source.SelectChannels(channel, 1, nullptr);
}

int CheckRun::CheckImageFile(const std::string& file) {
  if (options_.camera != 0) {
    std::fprintf(err_, "%s: --camera needs a recording folder\n", file.c_str());
    return kCheckUsageOrUnreadable;
  }
  if (access(file.c_str(), R_OK) != 0) {
    std::fprintf(err_, "%s: %s\n", TerminalSafe(file).c_str(), std::strerror(errno));
    return kCheckUsageOrUnreadable;
  }
  CheckedImage image;
  image.number = 1;
  image.path = file;
  ImageInfo info;
  if (ReadImageInfo(file, info, KindByExtension(file) == ImageKind::Jpeg ? 1 : 0)) {
    image.status = info.status;
    image.time = info.recordTime;
    image.stamp = info.stampMs;
  }
  NoteIfUnreadable(image);
  if (options_.decode) image.decoded = !image.unreadable && DecodesByExtension(file) ? 1 : 0;
  Report(image);
  return IsProblem(image) ? kCheckFoundProblems : kCheckAllOk;
}

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
  ImageInfo info;
  if (ParseJpegInfo(bytes.data(), bytes.size(), info)) {
    image.status = info.status;
    image.time = info.recordTime;
    image.stamp = info.stampMs;
  }
  if (options_.decode) {
    std::uint32_t size = 0;
    image.decoded = DecodeJpegMemory(bytes.data(), bytes.size(), &size) != nullptr ? 1 : 0;
  }
  return image;
}

int CheckRun::CheckDisc(const std::string& path) {
  OnceNotifier notifier;
  DiscImageSource source(notifier);
  if (!OpenDiscSource(source, path, err_)) return Finish(kCheckUsageOrUnreadable);
  started_ = lastProgress_ = std::chrono::steady_clock::now();
  const int count = source.GetCount();
  int result = kCheckAllOk;
  for (int i = 0; i < count; ++i) {
    const CheckedImage image = ExamineDiscRecord(source, path, i);
    Report(image);
    if (IsProblem(image)) result = kCheckFoundProblems;
    ShowProgress(i + 1, count);
  }
  ClearProgress();
  return Finish(result);
}

int CheckRun::ExtractDisc(const std::string& path, const ExtractRequest& request) {
  if (!IsFolder(request.folder)) {
    std::fprintf(err_, "%s: not a folder\n", TerminalSafe(request.folder).c_str());
    return Finish(kCheckUsageOrUnreadable);
  }
  OnceNotifier notifier;
  DiscImageSource source(notifier);
  if (!OpenDiscSource(source, path, err_)) return Finish(kCheckUsageOrUnreadable);
  if (request.last > source.GetCount()) {
    std::fprintf(err_, "%s: the range %d-%d lies past the last record (%d)\n", TerminalSafe(path).c_str(), request.first,
                 request.last, source.GetCount());
    return Finish(kCheckUsageOrUnreadable);
  }
  std::string prefix = request.prefix;
  if (!request.prefixGiven) {
    // As the viewer suggests: the date of the image it stands on.
    const CheckedImage first = ExamineDiscRecord(source, path, request.first - 1);
    if (first.time != 0) prefix = CopyRangeJob::DefaultPrefix(first.time, 0);
  }
  CopyRangeJob job(request.first, request.last, request.folder, prefix);
  started_ = lastProgress_ = std::chrono::steady_clock::now();
  while (!job.Done()) {
    job.CopyNext(source, false, false);
    ShowProgress(job.NextCounter(), job.ImageCount());
  }
  ClearProgress();
  for (const std::string& line : job.ErrorLines()) std::fprintf(err_, "%s\n", TerminalSafe(line).c_str());
  if (!options_.quiet) {
    std::fprintf(out_, "%d of %d images copied to %s\n", job.ImageCount() - job.FailedImages(), job.ImageCount(),
                 TerminalSafe(request.folder).c_str());
  }
  return Finish(job.FailedImages() > 0 ? kCheckFoundProblems : kCheckAllOk);
}

int CheckRun::Finish(int result) {
  if (result > worstExit_) worstExit_ = result;
  return result;
}

bool CheckRun::IsProblem(const CheckedImage& image) const {
  return image.unreadable || image.status != 0 || image.decoded == 0;
}

std::string CheckRun::Verdict(const CheckedImage& image) const {
  std::string verdict = VerdictForStatus(image.status).Text();
  if (image.unreadable) {
    verdict = image.unreadableReason.empty() ? "unreadable record" : "unreadable (" + image.unreadableReason + ")";
  }
  if (image.decoded == 0) verdict = verdict == "ok" ? "undecodable" : verdict + ", undecodable";
  return verdict;
}

void CheckRun::CountVerdict(const CheckedImage& image) {
  ++total_;
  const StatusVerdict verdict = VerdictForStatus(image.status);
  if (image.unreadable) {
    ++unreadable_;
  } else if (verdict.notExamined) {
    ++notRecorder_;
  } else if (verdict.noTrailer) {
    ++noTrailer_;
  } else {
    if (verdict.ShowsImageAlteredBox()) ++imageAltered_;
    if (verdict.ShowsTimeAlteredBox()) ++timeAltered_;
    if (verdict.noValidTime) ++noValidTime_;
  }
  if (image.decoded == 0) ++undecodable_;
  if (!IsProblem(image)) ++ok_;
}

void CheckRun::Report(const CheckedImage& image) {
  CountVerdict(image);
  // Formatting a time costs more than judging a trailer; --quiet skips it
  // for every line it does not print.
  if (options_.quiet && !options_.csv && !IsProblem(image)) return;
  const std::string time = image.time != 0 ? FormatIsoTime(image.time) : std::string();
  if (options_.csv) {
    const char* decoded = image.decoded < 0 ? "" : image.decoded ? "1" : "0";
    std::fprintf(out_, "%d,%d,%d,%s,%u,%s,%s\n", image.number, image.channel, image.status, time.c_str(),
                 image.stamp, decoded, CsvField(image.path).c_str());
    // The status column cannot tell a file never read from one read and not
    // recognised; err does.
    if (image.unreadable && !image.unreadableReason.empty()) {
      std::fprintf(err_, "%s: %s\n", TerminalSafe(image.path).c_str(), Verdict(image).c_str());
    }
    return;
  }
  if (progressShown_) ClearProgress();
  std::fprintf(out_, "%8d  %2s  %-19s  %-27s  %s\n", image.number, ChannelLabel(image.channel).c_str(),
               time.empty() ? "-" : time.c_str(), Verdict(image).c_str(), TerminalSafe(image.path).c_str());
}

void CheckRun::PrintSummary() {
  if (options_.csv) return;
  std::fprintf(out_,
               "%ld images: %ld ok, %ld image altered, %ld time altered, %ld without valid time, "
               "%ld without recorder trailer, %ld not recorder images",
               total_, ok_, imageAltered_, timeAltered_, noValidTime_, noTrailer_, notRecorder_);
  if (unreadable_ > 0) std::fprintf(out_, ", %ld unreadable", unreadable_);
  if (unreadableFolders_ > 0) std::fprintf(out_, ", %ld unreadable folders", unreadableFolders_);
  if (options_.decode) std::fprintf(out_, ", %ld undecodable", undecodable_);
  std::fprintf(out_, "\n");
}

int CheckRun::ExitCode() const { return worstExit_; }

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
