// selvo-check: verify that nothing in a recorder export was altered.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "tools/selvo-check/CheckRun.h"

namespace {

const char kUsage[] =
    "Usage: selvo-check [--csv] [--decode] [--quiet] PATH...\n"
    "Checks the recorder trailer of every image in a recording folder (or of\n"
    "single .jpg / .jp2 files) and reports images whose data or time was altered.\n"
    "\n"
    "  --csv      one CSV line per image: number,channel,status,time,stamp,decoded,path\n"
    "  --decode   also decode every image and report those that cannot be decoded\n"
    "  --quiet    print only the problems and the summary\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 every image unaltered, 1 problems found, 2 usage error or unreadable PATH.\n";

}  // namespace

int main(int argc, char** argv) {
  selvo::FixProcessTimeZone();
  selvo::CheckOptions options;
  std::vector<std::string> paths;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      paths.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--csv") {
      options.csv = true;
    } else if (arg == "--decode") {
      options.decode = true;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::printf("selvo-check %s\n", SELVO_VERSION);
      return 0;
    } else {
      std::fprintf(stderr, "selvo-check: unknown option %s\n%s", arg.c_str(), kUsage);
      return selvo::kCheckUsageOrUnreadable;
    }
  }
  if (paths.empty()) {
    std::fprintf(stderr, "selvo-check: no PATH given\n%s", kUsage);
    return selvo::kCheckUsageOrUnreadable;
  }
  selvo::CheckRun run(options, stdout, stderr);
  run.PrintHeader();
  for (const std::string& path : paths) run.CheckPath(path);
  run.PrintSummary();
  return run.ExitCode();
}
