#pragma once
// Which camera each pane of a split shows when the user has chosen none.
#include <array>

#include "source/InfoIndex.h"

namespace selvo {

// Whether every one of the kChannels pane slots is empty.
bool AllPanesEmpty(const int* channels);

// An all-empty pane assignment becomes the index's first listed channel
// followed by the others in ascending order from there, wrapping round, one
// per pane.
void FillPaneChannels(const std::array<int, InfoIndex::kChannels>& list, int* channels, int paneCount);

}  // namespace selvo
