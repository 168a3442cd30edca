// selvo-export: one camera of a recording to a video file, lossless (.mkv)
// or for sharing (.mp4).
#include <unistd.h>

#include <QGuiApplication>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/BookmarkChapters.h"
#include "export/DiscExportInput.h"
#include "export/FolderExportInput.h"
#include "export/render/PaneFrameOverlays.h"
#include "export/render/PaneFramePainter.h"
#include "export/VideoExport.h"
#include "source/CalendarTime.h"
#include "source/Notifier.h"
#include "source/OutputRefusal.h"
#include "source/StreamCheck.h"
#include "source/TemporaryFileCleanup.h"
#include "tools/cli/ToolCommandLine.h"
#include "tools/selvo-check/CheckRun.h"
#include "tools/selvo-check/OnceNotifier.h"
#include "tools/selvo-check/ToolCaseFile.h"

namespace {

const char kUsage[] =
    "Usage: selvo-export [--camera N] [--range A-B] [--no-sound] [--check] [--case FILE]\n"
    "                    [--ffmpeg-log] FOLDER OUT\n"
    "       selvo-export [--range A-B] [--check] --disc DISC OUT\n"
    "Exports the pictures of one camera of a recording folder, or the records of\n"
    "a recorder disc, to a video file.\n"
    "The extension of OUT chooses the kind:\n"
    "  .mkv  lossless: every video packet is the image file byte for byte,\n"
    "        recorder trailer included (JPEG as MJPEG, JPEG 2000 as JPEG 2000),\n"
    "        so a frame copied out of the video still passes selvo-check; the\n"
    "        sound track is copied as it is (WAV as PCM, MP3 as MP3); tags name\n"
    "        the source folder, the camera title and the first and last\n"
    "        recording time\n"
    "  .mp4  for sharing: H.264 with the time text and camera title burned in\n"
    "        as the viewer's one-pane view draws them, AAC sound\n"
    "Each picture is shown from its millisecond stamp (time.txt, the INFO index\n"
    "or the trailer, as playback uses them; on a disc the trailer's) until the\n"
    "next one's; the sound is cut to the same span.\n"
    "\n"
    "  --camera N   export camera N (1..16); default: the first camera the\n"
    "               recording has. Needs the recording's INFO index; without one\n"
    "               every image of the folder is exported\n"
    "  --range A-B  only positions A to B (counted from 1) of the camera's\n"
    "               list, as the viewer numbers them when that camera is chosen;\n"
    "               with --disc, records A to B\n"
    "  --disc DISC  read a recorder disc instead of a folder: a CD device\n"
    "               (/dev/sr0) or a file holding a dump of its blocks; it has no\n"
    "               cameras and no sound\n"
    "  --no-sound   leave the sound track out\n"
    "  --check      .mp4: mark altered images \"IMAGE ALTERED\" / \"TIME ALTERED\"\n"
    "               as the viewer does when started with \"check\"\n"
    "  --case FILE  the case file whose bookmarks of the exported pictures\n"
    "               become the video's chapters (titled with the note, else\n"
    "               the time and camera), and in whose viewing log the video\n"
    "               is entered (made when missing); without it the viewer's\n"
    "               default case file is only read, when there is one\n"
    "  --ffmpeg-log show FFmpeg's own log lines on stderr (left out otherwise)\n"
    "  --help       show this help\n"
    "  --version    show the version\n"
    "\n"
    "OUT is written under a hidden temporary name in its folder and renamed\n"
    "when complete: a failed or interrupted export leaves no file. Progress is\n"
    "shown on stderr when it is a terminal.\n"
    "\n"
    "Exit status: 0 every picture exported, 1 the video was written but lacks\n"
    "something, each listed on stderr: images that could not be read (left\n"
    "out), images that could not be decoded (.mp4: shown as \"invalid image\"),\n"
    "a subfolder that could not be listed, or an INFO index that does not match\n"
    "the files (not used, so every image is exported); 2 usage error,\n"
    "unreadable FOLDER or DISC, or OUT not written, 130 interrupted.\n";

std::atomic<int> interrupted{0};

// Qt's own notes about its offscreen platform (no runtime folder and the
// like) say nothing about the export; the export reports its own failures.
void DropQtNotes(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "selvo-export: %s\n", qPrintable(message));
}

void OnInterrupt(int) { interrupted.store(1); }

bool ParseCamera(const std::string& text, int& camera) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  camera = std::atoi(text.c_str());
  return camera >= 1 && camera <= 16;
}

class TerminalProgress {
 public:
  explicit TerminalProgress(bool shown) : shown_(shown) {}
  bool Update(int done, int total) {
    if (interrupted.load() != 0) return false;
    if (!shown_) return true;
    const auto now = std::chrono::steady_clock::now();
    if (done != total && now - last_ < std::chrono::milliseconds(100)) return true;
    last_ = now;
    std::fprintf(stderr, "\rexporting %d of %d images...", done, total);
    std::fflush(stderr);
    written_ = true;
    return true;
  }
  void Clear() {
    if (!written_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    written_ = false;
  }

 private:
  bool shown_;
  bool written_ = false;
  std::chrono::steady_clock::time_point last_{};
};

int RunExport(int argc, char** argv);

void Warn(const std::string& text) {
  std::fprintf(stderr, "selvo-export: warning: %s\n", selvo::TerminalSafe(text).c_str());
}

// A case file that cannot be read, or a bookmark whose image is no longer
// at its place, leaves chapters out and stops nothing.
void AddBookmarkChapters(selvo::VideoExport& run, selvo::FolderExportInput& input, const selvo::CaseBookmarks& found) {
  if (!found.problem.empty()) Warn(found.problem + "; the video has no chapters");
  selvo::BookmarkChapterList list = selvo::BookmarkChapters(found.bookmarks, input);
  for (const std::string& line : list.leftOut) Warn(line);
  run.SetChapters(std::move(list.chapters));
}

}  // namespace

int main(int argc, char** argv) {
  if (!selvo::OpenClosedStandardStreams()) {
    std::fprintf(stderr, "selvo-export: standard output is closed; nothing could be reported\n");
    return selvo::kCheckUsageOrUnreadable;
  }
  selvo::TemporaryFileCleanup::InstallHandlers();
  return selvo::FinishStandardOutput("selvo-export", RunExport(argc, argv), selvo::kCheckUsageOrUnreadable);
}

namespace {

int RunExport(int argc, char** argv) {
  selvo::FixProcessTimeZone();
  selvo::ExportSelection selection;
  selvo::VideoExportOptions options;
  bool check = false;
  std::string disc;
  std::string casePath;
  selvo::ToolCommandLine line("selvo-export", kUsage);
  line.Value("camera",
             [&selection](const std::string& value) {
               return ParseCamera(value, selection.camera) ? "" : "--camera needs a number from 1 to 16, not " + value;
             })
      .Value("range",
             [&selection](const std::string& value) {
               return selvo::ParseRecordRange(value, selection.first, selection.last) ? "" : "bad --range: " + value;
             })
      .Value("disc", [&disc](const std::string& value) { disc = value; return std::string(); })
      .Value("case",
             [&casePath](const std::string& value) {
               casePath = value;
               return value.empty() ? "--case needs a file name" : "";
             })
      .Flag("no-sound", [&options] { options.sound = false; })
      .Flag("check", [&check] { check = true; })
      .Flag("ffmpeg-log", [&options] { options.libraryLog = true; });
  if (const std::optional<int> done = line.Parse(argc, argv)) return *done;
  std::vector<std::string> paths = line.Operands();
  const auto UsageError = [&line](const std::string& why) { return line.UsageError(why); };
  if (!disc.empty()) {
    if (selection.camera != 0) return UsageError("--camera needs a recording folder, not --disc");
    if (!casePath.empty()) return UsageError("--case needs a recording folder, not --disc");
    if (paths.size() != 1) return UsageError("--disc takes an OUT and no FOLDER");
    paths.insert(paths.begin(), disc);
  }
  if (paths.size() != 2) return UsageError("needs a FOLDER and an OUT");
  const std::string& out = paths[1];
  if (!selvo::VideoKindForPath(out, options.kind)) return UsageError("OUT must end in .mkv or .mp4: " + out);
  const std::string refusal = selvo::OutputRefusal({{"OUT", out}}, {paths[0]});
  if (!refusal.empty()) {
    std::fprintf(stderr, "selvo-export: %s\n", selvo::TerminalSafe(refusal).c_str());
    return selvo::kCheckUsageOrUnreadable;
  }

  // The painter's fonts need a Gui application; it never shows a window.
  std::unique_ptr<QGuiApplication> gui;
  if (options.kind == selvo::VideoKind::kShareable) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(DropQtNotes);
    gui = std::make_unique<QGuiApplication>(argc, argv);
  }

  selvo::OnceNotifier discNotices("selvo-export");
  selvo::FolderExportInput folderInput;
  selvo::DiscExportInput discInput(discNotices);
  selvo::ExportInput& input = disc.empty() ? static_cast<selvo::ExportInput&>(folderInput) : discInput;
  const bool opened = disc.empty() ? folderInput.Open(paths[0], selection)
                                   : discInput.Open(disc, selection.first, selection.last);
  if (!opened) {
    const std::string& why = disc.empty() ? folderInput.ErrorText() : discInput.ErrorText();
    for (const std::string& line : input.Omissions()) {
      std::fprintf(stderr, "selvo-export: %s\n", selvo::TerminalSafe(line).c_str());
    }
    std::fprintf(stderr, "selvo-export: %s\n", selvo::TerminalSafe(why).c_str());
    return selvo::kCheckUsageOrUnreadable;
  }
  for (const std::string& note : folderInput.Notes()) {
    std::fprintf(stderr, "selvo-export: warning: %s\n", selvo::TerminalSafe(note).c_str());
  }
  selvo::VideoExport run(input, options);
  if (options.kind == selvo::VideoKind::kShareable) {
    selvo::PaneOverlayStyle style;
    style.cameraTitleShown = true;
    style.alterationMarks = check;
    run.SetPainter(selvo::MakePaneFramePainter(style));
    run.SetOverlays(selvo::MakePaneFrameOverlays(style));
  }
  std::optional<selvo::ToolCaseFile> caseFile;
  if (disc.empty()) {
    caseFile.emplace(casePath, paths[0], out, "selvo-export");
    AddBookmarkChapters(run, folderInput, caseFile->Contents());
  }
  TerminalProgress progress(isatty(STDERR_FILENO) != 0);
  run.SetProgress([&progress](int done, int total) { return progress.Update(done, total); });
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);

  const selvo::ExportOutcome outcome = run.Run(out);
  progress.Clear();
  for (const std::string& warning : run.Warnings()) {
    std::fprintf(stderr, "selvo-export: %s\n", selvo::TerminalSafe(warning).c_str());
  }
  for (const std::string& line : run.Problems()) {
    std::fprintf(stderr, "selvo-export: %s\n", selvo::TerminalSafe(line).c_str());
  }
  const bool written = outcome == selvo::ExportOutcome::kExported || outcome == selvo::ExportOutcome::kExportedWithGaps;
  const std::string notLogged = written && caseFile ? caseFile->LogOutput(selvo::LogKind::kVideoExported, out) : "";
  if (!notLogged.empty()) Warn("the video was not logged: " + notLogged);
  switch (outcome) {
    case selvo::ExportOutcome::kExported:
      return selvo::kCheckAllOk;
    case selvo::ExportOutcome::kExportedWithGaps:
      if (!run.UnreadableImages().empty()) {
        std::fprintf(stderr, "selvo-export: %zu of %d images could not be read and were left out\n",
                     run.UnreadableImages().size(), input.Count());
      }
      if (!run.UndecodableImages().empty()) {
        std::fprintf(stderr, "selvo-export: %zu of %d images could not be decoded and show as \"invalid image\"\n",
                     run.UndecodableImages().size(), input.Count());
      }
      std::fprintf(stderr, "selvo-export: %s was written without everything asked for\n",
                   selvo::TerminalSafe(out).c_str());
      return selvo::kCheckFoundProblems;
    case selvo::ExportOutcome::kCancelled:
      std::fprintf(stderr, "selvo-export: interrupted; %s not written\n", selvo::TerminalSafe(out).c_str());
      return 130;
    case selvo::ExportOutcome::kFailed:
      break;
  }
  std::fprintf(stderr, "selvo-export: %s\n", selvo::TerminalSafe(run.ErrorText()).c_str());
  return selvo::kCheckUsageOrUnreadable;
}

}  // namespace
