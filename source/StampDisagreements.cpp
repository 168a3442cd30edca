#include "source/StampDisagreements.h"

#include <map>
#include <string>
#include <utility>

namespace selvo {

// Runs per camera, each told when its first agreeing image (or the end)
// closes it.
std::vector<TimelineAnomaly> FindStampDisagreements(const InfoIndex& index, const TimeList& times) {
  std::vector<TimelineAnomaly> found;
  if (!times.Present()) return found;
  struct Run {
    TimelineAnomaly anomaly;
    long images = 0;
  };
  std::map<int, Run> open;
  const auto close = [&](Run& run) {
    run.anomaly.detail += " (" + std::to_string(run.images) + (run.images == 1 ? " image)" : " images)");
    found.push_back(std::move(run.anomaly));
  };
  const std::size_t count = index.EntryCount();
  for (std::size_t i = 0; i < count && i < times.Size(); ++i) {
    const int channel = index.EntryChannel(i);
    const std::uint32_t listed = times.At(i);
    const std::uint32_t indexed = index.EntryStamp(i);
    const auto run = open.find(channel);
    if (listed == indexed) {
      if (run != open.end()) {
        close(run->second);
        open.erase(run);
      }
      continue;
    }
    const int number = static_cast<int>(i) + 1;
    if (run != open.end()) {
      run->second.anomaly.to = number;
      ++run->second.images;
      continue;
    }
    Run started;
    started.anomaly.kind = TimelineAnomalyKind::StampMismatch;
    started.anomaly.channel = channel;
    started.anomaly.from = started.anomaly.to = number;
    started.anomaly.detail = "time.txt says " + std::to_string(listed) + " ms, the INFO index " +
                             std::to_string(indexed) + " ms";
    started.images = 1;
    open.emplace(channel, std::move(started));
  }
  for (auto& [channel, run] : open) close(run);
  SortByMarkedImage(found);
  return found;
}

}  // namespace selvo
