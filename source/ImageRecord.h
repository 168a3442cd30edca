#pragma once
#include <cstdint>
#include <string>

#include "source/CalendarTime.h"

namespace selvo {

// Per-image facts of a source. status -1 means "not examined yet"; the
// folder source fills status, time and stamp lazily on first display.
struct ImageRecord {
  std::int32_t status = -1;
  std::string path;
  CalendarSeconds recordTime = 0;
  std::uint32_t stampMs = 0;
  std::int32_t channel = -1;
  std::int32_t infoIndex = -1;
};

}  // namespace selvo
