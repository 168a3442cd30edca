#pragma once
// A moment an investigator marked in a recording, as the case file keeps it.
#include <cstdint>
#include <string>

#include "source/CalendarTime.h"

namespace selvo {

// Where in the recording: what the viewer knows of the image shown.
struct BookmarkPlace {
  int camera = 0;            // 1..16; 0 when the recording does not tell cameras apart
  std::int64_t number = 0;   // 1-based, as the panel numbers it for that camera
  std::string file;          // the image's path relative to the recording folder
  CalendarSeconds recordTime = 0;  // the recorder's time of the image
  std::uint32_t stampMs = 0;       // its millisecond stamp
};

struct Bookmark {
  std::int64_t id = 0;
  std::string recording;  // the quick identity of the recording it was made in
  std::string folder;     // where that recording was last seen
  BookmarkPlace place;
  std::string note;
  std::string author;     // the login name of who made it
  std::string created;    // UTC, ISO 8601
  std::string edited;     // UTC of the last note edit, or empty
  // True when listed for a recording whose content is no longer the one
  // the bookmark was made in: same folder, some file changed.
  bool differs = false;
};

}  // namespace selvo
