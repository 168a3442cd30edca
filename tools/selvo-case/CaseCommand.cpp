#include "tools/selvo-case/CaseCommand.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "source/StreamCheck.h"
#include "case/CaseFile.h"
#include "case/RecordingIdentity.h"
#include "tools/selvo-case/CaseListing.h"
#include "tools/cli/ToolCommandLine.h"
#include "tools/selvo-check/TextEscapes.h"

namespace selvo {

namespace {

const char kUsage[] =
    "Usage: selvo-case [--case FILE] bookmarks [--csv | --json] [FOLDER]\n"
    "       selvo-case [--case FILE] log [--csv | --json] [FOLDER]\n"
    "       selvo-case [--case FILE] verify\n"
    "       selvo-case [--case FILE] identify [--full] FOLDER\n"
    "Reads the bookmarks and the viewing log that the viewer keeps in its case\n"
    "file, an SQLite database beside the recordings.\n"
    "\n"
    "  --case FILE  the case file (default: $XDG_DATA_HOME/selvo-viewer/cases.sqlite,\n"
    "               or ~/.local/share/selvo-viewer/cases.sqlite)\n"
    "  bookmarks    list the bookmarks of FOLDER's recording, found by its content\n"
    "               wherever it lies, and those made in an earlier content of the\n"
    "               recording at FOLDER (marked as differing); without FOLDER, the\n"
    "               bookmarks of every recording\n"
    "  log          list the viewing log, or the entries about FOLDER's recording\n"
    "  verify       check the log's chain of hashes: exit 0 when it holds, 1 naming\n"
    "               the first entry that was changed, removed or added out of turn\n"
    "  identify     print FOLDER's recording identity, as the case file keeps it\n"
    "  --full       with identify, also hash every byte of every file: the first\n"
    "               time the full identity is kept in the case file, later ones are\n"
    "               compared with it (exit 1 when it differs); both are logged\n"
    "  --csv        CSV with a header line\n"
    "  --json       JSON Lines: one object per bookmark or log entry\n"
    "  --help       show this help\n"
    "  --version    show the version\n"
    "\n"
    "Only identify --full writes to the case file; the other commands open it\n"
    "for reading, so a case file on read-only media can be listed and checked.\n"
    "\n"
    "Exit status: 0 success, 1 a problem found (broken log chain, full identity\n"
    "differs), 2 usage error, or a case file or FOLDER that cannot be read.\n";

struct CaseRequest {
  std::string caseFile;
  std::string command;
  std::string folder;
  ListingFormat format = ListingFormat::kText;
  bool full = false;
};

int Unreadable(const std::string& message) {
  std::fprintf(stderr, "selvo-case: %s\n", TerminalSafe(message).c_str());
  return kCaseUsageOrUnreadable;
}

// 0 when parsed, else the exit status to leave with (-1 after --help or
// --version, which exit 0).
int ParseArguments(int argc, char** argv, CaseRequest& request) {
  bool csv = false;
  bool json = false;
  ToolCommandLine line("selvo-case", kUsage);
  line.Value("case",
             [&request](const std::string& value) {
               request.caseFile = value;
               return value.empty() ? "--case needs a file name" : "";
             })
      .Flag("csv", [&csv] { csv = true; })
      .Flag("json", [&json] { json = true; })
      .Flag("full", [&request] { request.full = true; });
  if (const std::optional<int> done = line.Parse(argc, argv)) return *done == 0 ? -1 : *done;
  const std::vector<std::string>& operands = line.Operands();
  const auto UsageError = [&line](const std::string& why) { return line.UsageError(why); };
  if (operands.empty()) return UsageError("no command given");
  request.command = operands.front();
  if (operands.size() > 2) return UsageError("too many operands: " + operands[2]);
  if (operands.size() == 2) request.folder = operands[1];
  if (csv && json) return UsageError("--csv and --json exclude each other");
  request.format = csv ? ListingFormat::kCsv : json ? ListingFormat::kJson : ListingFormat::kText;
  const bool lists = request.command == "bookmarks" || request.command == "log";
  if (!lists && request.command != "verify" && request.command != "identify") {
    return UsageError("unknown command " + request.command);
  }
  if (!lists && (csv || json)) return UsageError("--csv and --json go with bookmarks and log");
  if (request.command == "verify" && !request.folder.empty()) return UsageError("verify takes no FOLDER");
  if (request.command == "identify" && request.folder.empty()) return UsageError("identify needs a FOLDER");
  if (request.full && request.command != "identify") return UsageError("--full goes with identify");
  if (request.caseFile.empty()) request.caseFile = CaseFile::DefaultPath();
  return 0;
}

class CaseRun {
 public:
  explicit CaseRun(const CaseRequest& request) : request_(request), out_(stdout) {}

  int Run() {
    if (request_.command == "identify") return Identify();
    CaseFileOptions options;
    options.readOnly = true;
    options.program = "selvo-case";
    auto opened = CaseFile::Open(request_.caseFile, options);
    if (!opened) return Unreadable(opened.message());
    CaseFile& caseFile = opened.value();
    if (request_.command == "verify") return Verify(caseFile);
    std::optional<RecordingIdentity> identity;
    if (!request_.folder.empty()) {
      auto taken = RecordingIdentity::Of(request_.folder);
      if (!taken) return Unreadable("cannot identify the recording: " + taken.message());
      identity = taken.value();
    }
    return request_.command == "bookmarks" ? ListBookmarks(caseFile, identity) : ListLog(caseFile, identity);
  }

  int OutputError() const { return outputError_; }

 private:
  void Print(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) out_.Note();
  }

  int ListBookmarks(CaseFile& caseFile, const std::optional<RecordingIdentity>& identity) {
    auto bookmarks = identity ? caseFile.Bookmarks(*identity) : caseFile.AllBookmarks();
    if (!bookmarks) return Unreadable(bookmarks.message());
    std::size_t differing = 0;
    for (const Bookmark& bookmark : bookmarks.value()) differing += bookmark.differs ? 1 : 0;
    if (differing > 0) {
      std::fprintf(stderr,
                   "selvo-case: warning: the recording at %s differs from the one %zu of these bookmarks were made "
                   "in: a file was changed, added or removed since\n",
                   TerminalSafe(identity->folder).c_str(), differing);
    }
    Print(BookmarkHeader(request_.format));
    for (const Bookmark& bookmark : bookmarks.value()) Print(BookmarkLine(bookmark, request_.format));
    return Finish(kCaseOk);
  }

  int ListLog(CaseFile& caseFile, const std::optional<RecordingIdentity>& identity) {
    auto entries = identity ? caseFile.LogOf(*identity) : caseFile.Log();
    if (!entries) return Unreadable(entries.message());
    Print(LogHeader(request_.format));
    for (const LogEntry& entry : entries.value()) Print(LogLine(entry, request_.format));
    return Finish(kCaseOk);
  }

  int Verify(CaseFile& caseFile) {
    auto check = caseFile.CheckLog();
    if (!check) return Unreadable(check.message());
    const LogCheck& result = check.value();
    if (result.firstBreak.sequence != 0) {
      Print("The viewing log is broken at entry " + std::to_string(result.firstBreak.sequence) + ": " +
            TerminalSafe(result.firstBreak.reason) + ".\n");
      return Finish(kCaseProblem);
    }
    Print("The viewing log holds: " + std::to_string(result.entries) + " entries" +
          (result.entries > 0 ? ", the last with SHA-256 " + result.headSha256 : std::string()) + ".\n");
    return Finish(kCaseOk);
  }

  int Identify() {
    auto identity = RecordingIdentity::Of(request_.folder);
    if (!identity) return Unreadable("cannot identify the recording: " + identity.message());
    Print("folder    " + TerminalSafe(identity.value().folder) + "\nidentity  " + identity.value().quick +
          "\nfiles     " + std::to_string(identity.value().files) + "\nbytes     " +
          std::to_string(identity.value().bytes) + "\n");
    if (!request_.full) return Finish(kCaseOk);
    const auto full = RecordingIdentity::FullOf(request_.folder);
    if (!full) return Unreadable("cannot hash the recording: " + full.message());
    Print("full      " + full.value() + "\n");
    CaseFileOptions options;
    options.program = "selvo-case";
    auto opened = CaseFile::Open(request_.caseFile, options);
    if (!opened) return Unreadable(opened.message());
    const auto outcome = opened.value().NoteFullIdentity(identity.value(), full.value());
    if (!outcome) return Unreadable(outcome.message());
    Print("compared  " + outcome.value() + "\n");
    return Finish(outcome.value() == "differs" ? kCaseProblem : kCaseOk);
  }

  int Finish(int code) {
    outputError_ = out_.Finish();
    return code;
  }

  const CaseRequest& request_;
  StreamCheck out_;
  int outputError_ = 0;
};

}  // namespace

int RunCaseCommand(int argc, char** argv) {
  if (!OpenClosedStandardStreams()) {
    std::fprintf(stderr, "selvo-case: standard output is closed; nothing could be reported\n");
    return kCaseUsageOrUnreadable;
  }
  FixProcessTimeZone();
  CaseRequest request;
  if (const int parsed = ParseArguments(argc, argv, request); parsed != 0) {
    return FinishStandardOutput("selvo-case", parsed < 0 ? kCaseOk : parsed, kCaseUsageOrUnreadable);
  }
  CaseRun run(request);
  const int code = run.Run();
  return FinishStandardOutput("selvo-case", code, kCaseUsageOrUnreadable, run.OutputError());
}

}  // namespace selvo
