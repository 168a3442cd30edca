#include "source/Notifier.h"

#include <cstdio>

namespace selvo {

void StderrNotifier::Notify(NoticeKind kind, const std::string& text) {
  const char* prefix = kind == NoticeKind::Error ? "error: " : kind == NoticeKind::Warning ? "warning: " : "";
  std::fprintf(stderr, "%s: %s%s\n", programName_.c_str(), prefix, text.c_str());
}

void RecordingNotifier::Notify(NoticeKind, const std::string& text) {
  last_ = text;
  ++count_;
}

}  // namespace selvo
