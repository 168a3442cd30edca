#include "tools/selvo-motion/MotionRun.h"

#include "source/text/TimeText.h"
#include "tools/selvo-check/TextEscapes.h"

namespace selvo {

namespace {

std::string TimeText(const MotionImageTime& when) { return when.time != 0 ? FormatIsoTime(when.time) : std::string(); }

std::string StampText(const MotionImageTime& when, const char* none) {
  return when.stampKnown ? std::to_string(when.stamp) : std::string(none);
}

std::string ShareText(double share) {
  char text[16];
  std::snprintf(text, sizeof text, "%.3f", share);
  return text;
}

std::string JsonRects(const std::vector<MotionRect>& rects) {
  std::string list = "[";
  for (const MotionRect& rect : rects) list += (list.size() > 1 ? ", " : "") + JsonString(MotionRectText(rect));
  return list + "]";
}

}  // namespace

MotionRun::MotionRun(const MotionOptions& options, std::FILE* out, std::FILE* err)
    : options_(options), out_(out), err_(err), outCheck_(out), progress_(err, "searching") {}

std::string MotionRun::RangeText() const {
  return options_.first == 0 ? std::string() : std::to_string(options_.first) + "-" + std::to_string(options_.last);
}

int MotionRun::Search(const std::string& folder) {
  if (!recording_.Open(folder, options_.camera, err_)) return kMotionUsageOrUnreadable;
  const int count = recording_.Count();
  int first = 0, last = count - 1;
  if (options_.first != 0) {
    if (options_.last > count) {
      std::fprintf(err_, "selvo-motion: %s: the range %s lies past the last image (%d)\n", TerminalSafe(folder).c_str(),
                   RangeText().c_str(), count);
      return kMotionUsageOrUnreadable;
    }
    first = options_.first - 1;
    last = options_.last - 1;
  }
  MotionSearch search(options_.settings);
  const MotionSearchResult result = search.Run(recording_, first, last, this);
  progress_.Clear();
  if (!result.areaProblem.empty()) {
    std::fprintf(err_, "selvo-motion: %s\n", result.areaProblem.c_str());
    return kMotionUsageOrUnreadable;
  }
  PrintSummary(result);
  return result.skipped > 0 || recording_.UnreadableFolders() > 0 ? kMotionImagesSkipped : kMotionSearched;
}

// Printed with the first event or the summary: a search refused for its
// areas prints nothing on standard output.
void MotionRun::PrintHeader() {
  if (headerPrinted_) return;
  headerPrinted_ = true;
  if (options_.csv) {
    std::fprintf(out_, "event,camera,from,to,from_time,to_time,from_stamp,to_stamp,peak_image,peak\n");
  } else if (!options_.json) {
    std::fprintf(out_, "%5s  %6s  %8s  %8s  %-19s  %-19s  %10s  %5s\n", "event", "camera", "from", "to", "from time",
                 "to time", "peak image", "peak");
  }
  outCheck_.Note();
}

void MotionRun::OnProgress(int done, int total) { progress_.Show(done, total); }

// Images are numbered from 1 in the camera's list, as selvo-check --camera
// numbers them; the camera is 1..16, or empty (null) without an INFO index.
void MotionRun::OnEvent(const MotionEvent& event) {
  ++events_;
  const MotionImageTime from = recording_.TimeOf(event.first);
  const MotionImageTime to = recording_.TimeOf(event.last);
  const std::string camera = recording_.Camera() != 0 ? std::to_string(recording_.Camera()) : std::string();
  progress_.Clear();
  PrintHeader();
  if (options_.json) {
    const auto time = [](const MotionImageTime& when) {
      return when.time != 0 ? JsonString(FormatIsoTime(when.time)) : std::string("null");
    };
    std::fprintf(out_,
                 "{\"event\": %d, \"camera\": %s, \"from\": %d, \"to\": %d, \"from_time\": %s, \"to_time\": %s, "
                 "\"from_stamp\": %s, \"to_stamp\": %s, \"peak_image\": %d, \"peak\": %s}\n",
                 events_, camera.empty() ? "null" : camera.c_str(), event.first + 1, event.last + 1, time(from).c_str(),
                 time(to).c_str(), StampText(from, "null").c_str(), StampText(to, "null").c_str(), event.peakImage + 1,
                 ShareText(event.peak).c_str());
  } else if (options_.csv) {
    std::fprintf(out_, "%d,%s,%d,%d,%s,%s,%s,%s,%d,%s\n", events_, camera.c_str(), event.first + 1, event.last + 1,
                 TimeText(from).c_str(), TimeText(to).c_str(), StampText(from, "").c_str(), StampText(to, "").c_str(),
                 event.peakImage + 1, ShareText(event.peak).c_str());
  } else {
    const std::string fromTime = TimeText(from), toTime = TimeText(to);
    std::fprintf(out_, "%5d  %6s  %8d  %8d  %-19s  %-19s  %10d  %5s\n", events_, camera.empty() ? "-" : camera.c_str(),
                 event.first + 1, event.last + 1, fromTime.empty() ? "-" : fromTime.c_str(),
                 toTime.empty() ? "-" : toTime.c_str(), event.peakImage + 1, ShareText(event.peak).c_str());
  }
  outCheck_.Note();
}

void MotionRun::OnSkipped(const MotionSkip& skip) {
  progress_.Clear();
  std::fprintf(err_, "selvo-motion: image %d: %s: %s; not searched\n", skip.index + 1, TerminalSafe(skip.path).c_str(),
               TerminalSafe(skip.reason).c_str());
}

void MotionRun::PrintSummary(const MotionSearchResult& result) {
  const MotionSettings& settings = options_.settings;
  const std::string camera = recording_.Camera() != 0 ? std::to_string(recording_.Camera()) : std::string();
  PrintHeader();
  if (options_.json) {
    const std::string range = RangeText();
    std::fprintf(out_,
                 "{\"summary\": {\"searched\": %d, \"skipped\": %d, \"events\": %d, \"camera\": %s, \"areas\": %s, "
                 "\"ignore\": %s, \"sensitivity\": %d, \"range\": %s, \"scale\": \"1/%d\", \"unreadable_folders\": %d}}\n",
                 result.searched, result.skipped, events_, camera.empty() ? "null" : camera.c_str(),
                 JsonRects(settings.areas).c_str(), JsonRects(settings.ignores).c_str(), settings.sensitivity,
                 range.empty() ? "null" : JsonString(range).c_str(), result.scale, recording_.UnreadableFolders());
  } else if (!options_.csv) {
    std::string areas;
    for (const MotionRect& area : settings.areas) areas += (areas.empty() ? "" : " ") + MotionRectText(area);
    std::string ignores;
    for (const MotionRect& rect : settings.ignores) ignores += (ignores.empty() ? "" : " ") + MotionRectText(rect);
    std::fprintf(out_, "%d images searched, %d skipped, %d %s; camera %s, area %s%s%s, sensitivity %d%s%s\n",
                 result.searched, result.skipped, events_, events_ == 1 ? "event" : "events",
                 camera.empty() ? "-" : camera.c_str(), areas.c_str(), ignores.empty() ? "" : ", ignoring ",
                 ignores.c_str(), settings.sensitivity, options_.first != 0 ? ", images " : "", RangeText().c_str());
  }
  outCheck_.Note();
}

}  // namespace selvo
