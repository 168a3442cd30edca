#pragma once
#include <cstdint>

#include "source/CalendarTime.h"
#include "source/ImageInfo.h"

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

// Whether a record's stamp is one to go by. An image without a recorder
// trailer has none, whatever time.txt or the index list for its place: its
// last bytes are its own data, and a stamp from them would be a gap of weeks
// on the time line and a wait as long in play. A stamp of 0 is a real one
// when a trailer, the index or time.txt gave it.
inline bool IsStampKnown(const ImageRecord& record) {
  return record.status != kNoTrailer && (record.stampMs != 0 || record.status != -1);
}

}  // namespace selvo
