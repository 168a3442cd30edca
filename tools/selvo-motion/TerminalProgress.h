#pragma once
// "searching 1200 of 86400 images..." on a terminal, never in a file or a
// pipe: after the first second, at most ten times a second, and wiped
// before anything else is printed to the same terminal.
#include <chrono>
#include <cstdio>

namespace selvo {

class TerminalProgress {
 public:
  TerminalProgress(std::FILE* stream, const char* verb);

  void Show(long done, long total);
  void Clear();

 private:
  std::FILE* stream_;
  const char* verb_;
  bool onTerminal_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point begun_;
  std::chrono::steady_clock::time_point lastShown_;
};

}  // namespace selvo
