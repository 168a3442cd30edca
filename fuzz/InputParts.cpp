#include "fuzz/InputParts.h"

#include <algorithm>

namespace selvo::fuzz {

std::vector<InputPart> SplitInput(const std::uint8_t* data, std::size_t size, std::size_t maxParts) {
  std::vector<InputPart> parts;
  if (maxParts == 0) return parts;
  const auto* marker = reinterpret_cast<const std::uint8_t*>(kPartMarker.data());
  const std::uint8_t* end = data + size;
  const std::uint8_t* start = data;
  while (parts.size() + 1 < maxParts) {
    const std::uint8_t* found = std::search(start, end, marker, marker + kPartMarker.size());
    if (found == end) break;
    parts.push_back({start, static_cast<std::size_t>(found - start)});
    start = found + kPartMarker.size();
  }
  parts.push_back({start, static_cast<std::size_t>(end - start)});
  return parts;
}

std::vector<std::uint8_t> JoinParts(const std::vector<std::vector<std::uint8_t>>& parts) {
  std::vector<std::uint8_t> joined;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) joined.insert(joined.end(), kPartMarker.begin(), kPartMarker.end());
    joined.insert(joined.end(), parts[i].begin(), parts[i].end());
  }
  return joined;
}

}  // namespace selvo::fuzz
