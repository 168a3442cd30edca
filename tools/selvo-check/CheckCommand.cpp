#include "tools/selvo-check/CheckCommand.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "source/OutputRefusal.h"
#include "source/StreamCheck.h"
#include "source/TemporaryFileCleanup.h"
#include "tools/cli/ToolCommandLine.h"
#include "tools/selvo-check/CheckRun.h"

namespace {

const char kUsage[] =
    "Usage: selvo-check [--csv | --json] [--decode] [--quiet] [--camera N] [--hash]\n"
    "                   [--manifest FILE] [--report FILE.pdf [--case FILE]] PATH...\n"
    "       selvo-check [--csv | --json] [--decode] [--quiet] [--hash] --disc DISC\n"
    "       selvo-check --disc DISC --extract DIR --range A-B [--prefix P]\n"
    "Checks the recorder trailer of every image in a recording folder (or of\n"
    "single .jpg / .jp2 files) and reports images whose data or time was altered.\n"
    "\n"
    "  --disc DISC      read a recorder disc instead: a CD device (/dev/sr0) or a\n"
    "                   file holding a dump of its blocks; lists its records\n"
    "  --extract DIR    copy records A..B (1-based, --range) of the disc into the\n"
    "                   folder DIR as numbered .jpg files, as the viewer's Start Copy\n"
    "                   does; images that could not be copied are listed on stderr\n"
    "  --range A-B      the records to copy\n"
    "  --prefix P       file-name prefix, without \"/\" (default: the first image's\n"
    "                   date, MM-DD-YYYY-)\n"
    "  --camera N       list only camera N's images (1..16), numbered as the\n"
    "                   viewer numbers them when that camera is chosen; needs the\n"
    "                   recording's INFO index\n"
    "  --csv      one CSV line per image: number,channel,status,time,stamp,decoded,path;\n"
    "             stamp is the millisecond stamp that paces playback\n"
    "  --json     JSON Lines: one object per image, then one per time-line anomaly,\n"
    "             then {\"summary\": {...}}; bytes of names that are not UTF-8\n"
    "             are written as U+FFFD (CSV and the manifest keep them exact)\n"
    "  --hash     add each image file's SHA-256 (a last CSV column sha256, or the\n"
    "             JSON field sha256), taken from the bytes the check read\n"
    "  --manifest FILE  write a sha256sum list of the images of one PATH, then\n"
    "             of every other file below it (INFO, time.txt, sound, ...), with\n"
    "             paths relative to it: `sha256sum -c FILE` run in that folder\n"
    "             verifies every file\n"
    "  --report FILE.pdf  write a report to file: the counts, the time line of\n"
    "             each camera, and a page for each problem image (up to 500)\n"
    "             drawn as the viewer shows it, with its SHA-256, and a page\n"
    "             of the folder's bookmarks in the case file\n"
    "  --case FILE  the case file whose bookmarks the report lists and in\n"
    "             whose viewing log it is entered (made when missing); without\n"
    "             it the viewer's default case file is only read, when there is one\n"
    "  --decode   also decode every image and report those that cannot be decoded\n"
    "  --quiet    print only the problems and the summary (CSV and JSON stay whole)\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "Time-line anomalies (a gap in a camera's stamps, stamps or times running\n"
    "backwards) are listed after the images; they do not change the exit status.\n"
    "\n"
    "Exit status: 0 every image unaltered (or copied), 1 problems found (altered,\n"
    "unreadable or undecodable images, unreadable folders, or images not copied),\n"
    "2 usage error or unreadable PATH.\n";

bool ParseCamera(const std::string& text, int& camera) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  camera = std::atoi(text.c_str());
  return camera >= 1 && camera <= 16;
}

// Drawing needs Qt's Gui, whose libraries cost a plain check more start-up
// than the rest of it: the other program, the same check built with the
// renderer, does the whole run instead. It lies beside this one in the build
// tree, and in the package's private folder once installed, where no user
// runs it by mistake.
int HandOverToReportProgram(char** argv) {
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    const std::string own(self, static_cast<std::size_t>(length));
    const std::string folder = own.substr(0, own.find_last_of('/') + 1);
    for (const std::string& place : {folder, folder + "../libexec/selvo-viewer/"}) {
      std::string program = place + selvo::kReportProgram;
      argv[0] = program.data();
      execv(program.c_str(), argv);
    }
  }
  std::fprintf(stderr, "selvo-check: --report needs %s beside selvo-check or in ../libexec/selvo-viewer: %s\n",
               selvo::kReportProgram, std::strerror(errno));
  return selvo::kCheckUsageOrUnreadable;
}

}  // namespace

namespace selvo {

namespace {

int RunCommandLine(int argc, char** argv, ReportDrawer drawer, int& outputError);

}  // namespace

int RunCheckCommand(int argc, char** argv, ReportDrawer drawer) {
  if (!OpenClosedStandardStreams()) {
    std::fprintf(stderr, "selvo-check: standard output is closed; nothing could be reported\n");
    return kCheckUsageOrUnreadable;
  }
  // Before the first write: a file-size limit must fail a write with its
  // cause, not end the run unexplained.
  TemporaryFileCleanup::InstallHandlers();
  int outputError = 0;
  const int code = RunCommandLine(argc, argv, drawer, outputError);
  return FinishStandardOutput("selvo-check", code, kCheckUsageOrUnreadable, outputError);
}

namespace {

int RunCommandLine(int argc, char** argv, ReportDrawer drawer, int& outputError) {
  FixProcessTimeZone();
  CheckOptions options;
  std::string disc;
  ExtractRequest extract;
  bool extracting = false;
  std::string range;
  ToolCommandLine line("selvo-check", kUsage);
  line.Value("disc", [&](const std::string& value) { disc = value; return std::string(); })
      .Value("extract",
             [&](const std::string& value) {
               extracting = true;
               extract.folder = value;
               return std::string();
             })
      .Value("range", [&](const std::string& value) { range = value; return std::string(); })
      .Value("prefix",
             [&](const std::string& value) {
               extract.prefixGiven = true;
               extract.prefix = value;
               return std::string();
             })
      .Value("camera",
             [&](const std::string& value) {
               return ParseCamera(value, options.camera) ? "" : "--camera needs a number from 1 to 16, not " + value;
             })
      .Value("manifest",
             [&](const std::string& value) {
               options.manifest = value;
               return value.empty() ? "--manifest needs a file name" : "";
             })
      .Value("report",
             [&](const std::string& value) {
               options.report = value;
               return value.empty() ? "--report needs a file name" : "";
             })
      .Value("case",
             [&](const std::string& value) {
               options.caseFile = value;
               return value.empty() ? "--case needs a file name" : "";
             })
      .Flag("csv", [&] { options.csv = true; })
      .Flag("json", [&] { options.json = true; })
      .Flag("hash", [&] { options.hash = true; })
      .Flag("decode", [&] { options.decode = true; })
      .Flag("quiet", [&] { options.quiet = true; });
  if (const std::optional<int> done = line.Parse(argc, argv)) return *done;
  const std::vector<std::string>& paths = line.Operands();
  const auto UsageError = [&line](const char* why, const std::string& what) { return line.UsageError(why + what); };
  if (options.csv && options.json) return UsageError("--csv and --json exclude each other", "");
  if (!options.caseFile.empty() && options.report.empty()) return UsageError("--case needs --report", "");
  if (!disc.empty()) {
    if (!options.manifest.empty() || !options.report.empty()) {
      return UsageError("--manifest and --report need a recording folder, not --disc", "");
    }
    if (options.camera != 0) return UsageError("--camera needs a recording folder, not --disc", "");
    if (!paths.empty()) return UsageError("--disc takes no further PATH: ", paths.front());
    CheckRun run(options, stdout, stderr);
    if (extracting) {
      if (range.empty()) return UsageError("--extract needs --range A-B", "");
      if (!ParseRecordRange(range, extract.first, extract.last)) return UsageError("bad --range: ", range);
      // Every file must land inside DIR.
      if (!IsSafeFilePrefix(extract.prefix)) return UsageError("--prefix may not hold \"/\": ", extract.prefix);
      const int code = run.ExtractDisc(disc, extract);
      outputError = run.OutputError();
      return code;
    }
    run.PrintHeader();
    run.CheckDisc(disc);
    run.PrintSummary();
    outputError = run.OutputError();
    return run.ExitCode();
  }
  if (extracting || !range.empty() || extract.prefixGiven) return UsageError("--extract, --range and --prefix need --disc", "");
  if (paths.empty()) return UsageError("no PATH given", "");
  // One folder's paths are relative to that folder alone.
  if ((!options.manifest.empty() || !options.report.empty()) && paths.size() != 1) {
    return UsageError("--manifest and --report take exactly one PATH", "");
  }
  // Refused before anything is read: a manifest over an image would empty
  // it before its hash is taken.
  const std::string refusal =
      OutputRefusal({{"--manifest", options.manifest}, {"--report", options.report}}, paths);
  if (!refusal.empty()) {
    std::fprintf(stderr, "selvo-check: %s\n", TerminalSafe(refusal).c_str());
    return kCheckUsageOrUnreadable;
  }
  if (!options.report.empty() && drawer == nullptr) return HandOverToReportProgram(argv);
  CheckRun run(options, stdout, stderr, drawer);
  if (!run.OpenManifest()) {
    std::fprintf(stderr, "selvo-check: %s: %s\n", TerminalSafe(options.manifest).c_str(), std::strerror(errno));
    return kCheckUsageOrUnreadable;
  }
  run.PrintHeader();
  run.StartReport(paths.front());
  for (const std::string& path : paths) run.CheckPath(path);
  run.PrintSummary();
  run.WriteReport(SELVO_VERSION);
  outputError = run.OutputError();
  return run.ExitCode();
}

}  // namespace

}  // namespace selvo
