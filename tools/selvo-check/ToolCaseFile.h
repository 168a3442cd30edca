#pragma once
// The case file as the tools use it: the bookmarks of the recording they
// read (for selvo-check's report page, selvo-export's chapters) and the
// entry of what they wrote in the viewing log. A case file that cannot be
// read never stops the output; the tool says so instead.
#include <optional>
#include <string>
#include <vector>

#include "case/Bookmark.h"
#include "case/CaseFile.h"

namespace selvo {

// What the tool takes from the case file.
struct CaseBookmarks {
  std::string path;                 // empty: no case file, and the report says nothing of one
  std::string problem;              // why it cannot be read; empty when it was read
  std::vector<Bookmark> bookmarks;  // of the recording checked, by camera and number
  std::string folder;               // the recording folder the bookmarks' files are relative to
};

class ToolCaseFile {
 public:
  // named: --case FILE, opened for writing (made when missing) so that the
  // output is logged in it; empty: the default case file, only read, and
  // only when there is one. folder: the recording read; a single image has
  // no bookmarks. output: what the tool writes. program: who writes the log.
  ToolCaseFile(const std::string& named, const std::string& folder, const std::string& output, const char* program);

  const CaseBookmarks& Contents() const { return contents_; }
  // Logs the output just written at file in a case file named with
  // --case; empty when logged (or nothing to log in), else why not.
  std::string LogOutput(LogKind kind, const std::string& file);

 private:
  std::optional<CaseFile> file_;
  std::string recording_;  // the quick identity of the folder checked
  bool logs_ = false;
  CaseBookmarks contents_;
};

}  // namespace selvo
