#pragma once
#include <cstdint>

#include "source/CalendarTime.h"

namespace selvo {

// Per-image facts of a source. status -1 means "not examined yet"; the
// folder source fills status, time and stamp lazily on first display. The
// image's file is not kept here: a folder source holds every name once in a
// compact table, and a record is kept to 24 bytes so that a million-image
// recording stays small.
struct ImageRecord {
  CalendarSeconds recordTime = 0;
  std::int32_t status = -1;
  std::uint32_t stampMs = 0;
  std::int32_t channel = -1;
  std::int32_t infoIndex = -1;
};

}  // namespace selvo
