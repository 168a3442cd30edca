#pragma once
// The disc reader's trace, "SelvoViewer.LOG" in the user's home folder.
// Every line is opened, appended, flushed and closed on its own, so that the
// trace up to a crash or a hung drive is on disk.
#include <string>

namespace selvo {

class DiscLog {
 public:
  static constexpr const char* kFileName = "SelvoViewer.LOG";

  // $HOME/SelvoViewer.LOG (the password database's home when HOME is unset).
  static std::string DefaultPath();

  DiscLog() : DiscLog(DefaultPath()) {}
  explicit DiscLog(std::string path);

  const std::string& Path() const { return path_; }

  // Appends text as it stands (the caller supplies the line end). false when
  // the file could not be written; the trace never stops the reader.
  bool Append(const std::string& text) const;
  bool AppendFormat(const char* format, ...) const __attribute__((format(printf, 2, 3)));

 private:
  std::string path_;
};

}  // namespace selvo
