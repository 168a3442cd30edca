#include "tools/selvo-motion/MotionCommand.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "source/StreamCheck.h"
#include "source/TemporaryFileCleanup.h"
#include "tools/cli/ToolCommandLine.h"
#include "tools/selvo-check/CheckRun.h"
#include "tools/selvo-check/TextEscapes.h"
#include "tools/selvo-motion/MotionRun.h"

namespace selvo {

namespace {

const char kUsage[] =
    "Usage: selvo-motion [--camera N] --area X,Y,W,H [--area X,Y,W,H ...]\n"
    "                    [--ignore X,Y,W,H ...] [--sensitivity 1..10] [--range A-B]\n"
    "                    [--csv | --json] FOLDER\n"
    "Finds the moments something moved inside the areas of one camera's pictures\n"
    "and lists them as events: runs of images whose activity passed the\n"
    "sensitivity, each with its first and last image and its peak.\n"
    "\n"
    "  --camera N        search camera N (1..16); needed when the recording holds\n"
    "                    more than one; images are numbered as selvo-check\n"
    "                    --camera N numbers them\n"
    "  --area X,Y,W,H    an area to search, in the recorded picture's pixels from\n"
    "                    its top-left corner; it must lie on the picture; give\n"
    "                    several to search them all\n"
    "  --ignore X,Y,W,H  leave this part of the areas out (a clock, a screen, a tree)\n"
    "  --sensitivity S   1 (only large changes) to 10 (the smallest); an event\n"
    "                    starts when 0.2 x 0.6^(S-1) of an area changes: 2.6 % at\n"
    "                    the default 5, enough for a person in a 200 x 200 area\n"
    "  --range A-B       search only images A to B of the camera (1-based)\n"
    "  --csv             one CSV line per event: event,camera,from,to,from_time,\n"
    "                    to_time,from_stamp,to_stamp,peak_image,peak\n"
    "  --json            JSON Lines: one object per event, then {\"summary\": {...}}\n"
    "  --help            show this help\n"
    "  --version         show the version\n"
    "\n"
    "peak is the share of the area that changed at the event's busiest image.\n"
    "Images that cannot be read or decoded are listed on standard error, counted\n"
    "and skipped; they never end the search.\n"
    "\n"
    "Exit status: 0 the search ran (with events or none), 1 some images could\n"
    "not be read or decoded, 2 usage error or unreadable FOLDER.\n";

bool ParseSmallNumber(const std::string& text, int least, int most, int& value) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  value = std::atoi(text.c_str());
  return value >= least && value <= most;
}

int RunCommandLine(int argc, char** argv, int& outputError) {
  FixProcessTimeZone();
  MotionOptions options;
  ToolCommandLine line("selvo-motion", kUsage);
  const auto rectangle = [&line](const char* name, std::vector<MotionRect>& into) {
    line.Value(name, [name, &into](const std::string& value) {
      MotionRect rect;
      if (!ParseMotionRect(value, rect)) {
        return std::string("--") + name + " needs X,Y,W,H in pixels, W and H at least 1, not " + value;
      }
      into.push_back(rect);
      return std::string();
    });
  };
  line.Value("camera", [&options](const std::string& value) {
    return ParseSmallNumber(value, 1, 16, options.camera) ? "" : "--camera needs a number from 1 to 16, not " + value;
  });
  rectangle("area", options.settings.areas);
  rectangle("ignore", options.settings.ignores);
  line.Value("sensitivity", [&options](const std::string& value) {
    return ParseSmallNumber(value, MotionSettings::kLeastSensitive, MotionSettings::kMostSensitive,
                            options.settings.sensitivity)
               ? ""
               : "--sensitivity needs a number from 1 to 10, not " + value;
  });
  line.Value("range", [&options](const std::string& value) {
    return ParseRecordRange(value, options.first, options.last) ? "" : "bad --range (A-B with 1 <= A <= B): " + value;
  });
  line.Flag("csv", [&options] { options.csv = true; }).Flag("json", [&options] { options.json = true; });
  if (const std::optional<int> done = line.Parse(argc, argv)) return *done;
  const std::vector<std::string>& folders = line.Operands();
  const auto UsageError = [&line](const std::string& why) { return line.UsageError(why); };
  if (options.csv && options.json) return UsageError("--csv and --json exclude each other");
  if (options.settings.areas.empty()) return UsageError("no --area given");
  if (folders.size() != 1) return UsageError(folders.empty() ? "no FOLDER given" : "only one FOLDER at a time");
  MotionRun run(options, stdout, stderr);
  const int code = run.Search(folders.front());
  outputError = run.OutputError();
  return code;
}

}  // namespace

int RunMotionCommand(int argc, char** argv) {
  if (!OpenClosedStandardStreams()) {
    std::fprintf(stderr, "selvo-motion: standard output is closed; nothing could be reported\n");
    return kMotionUsageOrUnreadable;
  }
  TemporaryFileCleanup::InstallHandlers();
  int outputError = 0;
  const int code = RunCommandLine(argc, argv, outputError);
  return FinishStandardOutput("selvo-motion", code, kMotionUsageOrUnreadable, outputError);
}

}  // namespace selvo
