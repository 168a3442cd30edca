#pragma once

namespace selvo {

// The media probe's answer; at most one flag is set. jp2 doubles as the
// panel's two-channel sound flag.
struct MediaKind {
  int jp2 = 0;
  int jpeg = 0;
  int jp2Wave = 0;

  bool Any() const { return jp2 || jpeg || jp2Wave; }
  bool WantsJp2Files() const { return jp2 || jp2Wave; }
};

}  // namespace selvo
