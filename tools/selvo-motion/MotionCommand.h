#pragma once
// selvo-motion's command line.

namespace selvo {

// Parses the arguments and runs the search; returns the exit status.
int RunMotionCommand(int argc, char** argv);

}  // namespace selvo
