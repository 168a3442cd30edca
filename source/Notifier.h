#pragma once
// The core never shows a message box. Messages meant for the user go through
// a Notifier: the viewer shows them in message boxes, the tools on stderr.
#include <string>
#include <utility>

namespace selvo {

enum class NoticeKind { Information, Warning, Error };

class Notifier {
 public:
  virtual ~Notifier() = default;
  virtual void Notify(NoticeKind kind, const std::string& text) = 0;
};

class StderrNotifier : public Notifier {
 public:
  explicit StderrNotifier(std::string programName) : programName_(std::move(programName)) {}
  void Notify(NoticeKind kind, const std::string& text) override;

 private:
  std::string programName_;
};

// Collects messages; tests read them back.
class RecordingNotifier : public Notifier {
 public:
  void Notify(NoticeKind kind, const std::string& text) override;
  const std::string& Last() const { return last_; }
  int Count() const { return count_; }

 private:
  std::string last_;
  int count_ = 0;
};

}  // namespace selvo
