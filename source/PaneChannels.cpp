#include "source/PaneChannels.h"

#include <algorithm>

namespace selvo {

namespace {

// The channel listed after `previous` when filling panes: the smallest
// listed channel above it among slots 1.., else the smallest of them.
int NextListedChannel(const std::array<int, InfoIndex::kChannels>& list, int previous) {
  int above = InfoIndex::kEmptySlot;
  int smallest = InfoIndex::kEmptySlot;
  for (std::size_t slot = 1; slot < list.size() && list[slot] != InfoIndex::kEmptySlot; ++slot) {
    const int channel = list[slot];
    if (smallest == InfoIndex::kEmptySlot || channel < smallest) smallest = channel;
    if (channel > previous && (above == InfoIndex::kEmptySlot || channel < above)) above = channel;
  }
  return above != InfoIndex::kEmptySlot ? above : smallest;
}

}  // namespace

bool AllPanesEmpty(const int* channels) {
  return std::all_of(channels, channels + InfoIndex::kChannels,
                     [](int value) { return value == InfoIndex::kEmptySlot; });
}

void FillPaneChannels(const std::array<int, InfoIndex::kChannels>& list, int* channels, int paneCount) {
  if (paneCount <= 0 || list[0] == InfoIndex::kEmptySlot) return;
  channels[0] = list[0];
  for (int pane = 1; pane < paneCount && list[static_cast<std::size_t>(pane)] != InfoIndex::kEmptySlot;
       ++pane) {
    channels[pane] = NextListedChannel(list, channels[pane - 1]);
  }
}

}  // namespace selvo
