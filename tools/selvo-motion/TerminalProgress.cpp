#include "tools/selvo-motion/TerminalProgress.h"

#include <unistd.h>

namespace selvo {

TerminalProgress::TerminalProgress(std::FILE* stream, const char* verb)
    : stream_(stream), verb_(verb), onTerminal_(isatty(fileno(stream)) != 0), begun_(std::chrono::steady_clock::now()) {}

void TerminalProgress::Show(long done, long total) {
  if (!onTerminal_) return;
  const auto now = std::chrono::steady_clock::now();
  const bool early = now - begun_ < std::chrono::seconds(1);
  if (early || now - lastShown_ < std::chrono::milliseconds(100)) return;
  lastShown_ = now;
  std::fprintf(stream_, "\r%s %ld of %ld images...", verb_, done, total);
  std::fflush(stream_);
  shown_ = true;
}

void TerminalProgress::Clear() {
  if (!shown_) return;
  std::fprintf(stream_, "\r\033[K");
  std::fflush(stream_);
  shown_ = false;
}

}  // namespace selvo
