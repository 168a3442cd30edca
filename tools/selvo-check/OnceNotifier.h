#pragma once
// The tools' notices on stderr, each text once: a damaged disc reports the
// same failure for every unreadable sector, and the records' own lines
// already say which ones.
#include <string>
#include <vector>

#include "source/Notifier.h"

namespace selvo {

class OnceNotifier : public Notifier {
 public:
  explicit OnceNotifier(std::string programName) : stderr_(std::move(programName)) {}
  void Notify(NoticeKind kind, const std::string& text) override;

 private:
  StderrNotifier stderr_;
  std::vector<std::string> shown_;
};

}  // namespace selvo
