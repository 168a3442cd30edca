#pragma once
// Whether what a tool printed reached its reader. A full disk or a closed
// pipe behind standard output must fail the run with its cause, not leave
// a table or a JSON record cut short under exit status 0.
#include <cstdio>

namespace selvo {

class StreamCheck {
 public:
  explicit StreamCheck(std::FILE* stream) : stream_(stream) {}

  // Called after writes: keeps the cause of the first failure while errno
  // still holds it.
  void Note();
  bool Failed() const { return error_ != 0; }
  // Flushes; 0 when everything reached the stream, otherwise the errno of
  // the first failure.
  int Finish();

 private:
  std::FILE* stream_;
  int error_ = 0;
};

// Run first in every tool. A descriptor 0..2 that was closed gets
// /dev/null, so that no file opened later takes its number and receives
// what was meant for the terminal; false when standard output was one of
// them, which the tool must report.
bool OpenClosedStandardStreams();

}  // namespace selvo

namespace selvo {

// A tool's last step: flushes standard output and, when anything printed
// did not reach it, says why under the program's name and returns
// failureCode instead of exitCode. notedError: a cause caught earlier by a
// StreamCheck on standard output.
int FinishStandardOutput(const char* program, int exitCode, int failureCode, int notedError = 0);

}  // namespace selvo
