#pragma once
// Where time.txt and the INFO index give an image different stamps.
#include <vector>

#include "source/InfoIndex.h"
#include "source/TimeList.h"
#include "source/TimelineAnomalies.h"

namespace selvo {

// Runs of a camera's images to which the two give different stamps,
// numbered by file from 1, in order of their first image; none without a
// time.txt. index must be loaded.
std::vector<TimelineAnomaly> FindStampDisagreements(const InfoIndex& index, const TimeList& times);

}  // namespace selvo
