#pragma once
// selvo-make-demo --disc FILE: a recorder disc image with demo frames, for
// trying the viewer's disc branch and selvo-check --disc without a drive.

namespace selvo {

// Usage lines for the disc form, appended to the tool's help.
extern const char kDiscDemoUsage[];

// Whether the command line asks for a disc image.
bool IsDiscDemoCommand(int argc, char** argv);

// Parses the disc form's options and writes the image; the tool's exit status.
int RunDiscDemo(int argc, char** argv);

}  // namespace selvo
