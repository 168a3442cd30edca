#pragma once
// selvo-make-demo --disc FILE: a recorder disc image with demo frames, for
// trying the viewer's disc branch and selvo-check --disc without a drive.
#include <string>

#include "source/DiscLayout.h"

namespace selvo {

// Usage lines for the disc form, appended to the tool's help.
extern const char kDiscDemoUsage[];

// What the disc form of the command line asks for.
struct DiscDemoRequest {
  static constexpr int kMaxFrames = disc::kMaxRecords;
  std::string file;
  int frames = 60;
  int cameras = 4;
  bool damaged = false;
  long shortBy = 0;  // blocks left out at the end of the file
};

// Writes the image and lists what it holds; the tool's exit status.
int WriteDiscDemo(const DiscDemoRequest& request);

}  // namespace selvo
