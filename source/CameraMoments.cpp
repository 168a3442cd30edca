#include "source/CameraMoments.h"

#include <algorithm>

namespace selvo {

namespace {

std::int64_t Distance(std::int64_t a, std::int64_t b) { return a > b ? a - b : b - a; }

bool Better(const NearestImage& candidate, const NearestImage& best) {
  if (best.index < 0) return true;
  if (candidate.distance != best.distance) return candidate.distance < best.distance;
  return candidate.index < best.index;
}

}  // namespace

CameraMoments::CameraMoments(const std::vector<ImageMoment>& images) {
  std::size_t counts[kChannels] = {};
  for (const ImageMoment& image : images)
    if (image.channel >= 0 && image.channel < kChannels) ++counts[image.channel];
  for (int channel = 0; channel < kChannels; ++channel) byChannel_[channel].reserve(counts[channel]);
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int channel = images[i].channel;
    if (channel < 0 || channel >= kChannels) continue;
    byChannel_[channel].push_back({images[i].moment, static_cast<int>(i)});
    ++size_;
  }
  // Ordered by moment, then by list index, so the first of a run of equal
  // moments is the one a scan from the start would meet first. A recording
  // is nearly always in order already, and then there is nothing to sort.
  const auto before = [](const Entry& a, const Entry& b) {
    return a.moment != b.moment ? a.moment < b.moment : a.index < b.index;
  };
  for (auto& entries : byChannel_) {
    if (!std::is_sorted(entries.begin(), entries.end(), before)) std::sort(entries.begin(), entries.end(), before);
  }
}

NearestImage CameraMoments::Nearest(int channel, std::int64_t moment) const {
  NearestImage best;
  if (channel < 0 || channel >= kChannels) return best;
  const std::vector<Entry>& entries = byChannel_[channel];
  const auto byMoment = [](const Entry& e, std::int64_t m) { return e.moment < m; };
  const auto at = std::lower_bound(entries.begin(), entries.end(), moment, byMoment);
  if (at != entries.end()) best = {at->index, Distance(at->moment, moment)};
  if (at != entries.begin()) {
    // The closest earlier moment may be shared by several images; the first
    // of them has the lowest index.
    const auto first = std::lower_bound(entries.begin(), at, std::prev(at)->moment, byMoment);
    const NearestImage before{first->index, Distance(first->moment, moment)};
    if (Better(before, best)) best = before;
  }
  return best;
}

}  // namespace selvo
