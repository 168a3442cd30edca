#include "tools/selvo-check/ToolCaseFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "source/OutputRefusal.h"

namespace selvo {

namespace {

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

ToolCaseFile::ToolCaseFile(const std::string& named, const std::string& folder, const std::string& output,
                           const char* program) {
  const std::string path = named.empty() ? CaseFile::DefaultPath() : named;
  struct stat info {};
  // The default case file is the viewer's: a check run by a script neither
  // makes one nor mentions that there is none.
  if (named.empty() && lstat(path.c_str(), &info) != 0 && errno == ENOENT) return;
  contents_.path = path;
  contents_.folder = folder;
  // Judged here and not with the tool's other outputs: a case file that may
  // not be written (a link, inside the recording, the output itself) costs
  // the output its bookmarks, never the output itself.
  const std::string refusal =
      named.empty() ? std::string() : OutputRefusal({{"--case", named}, {"the output", output}}, {folder});
  if (!refusal.empty()) {
    contents_.problem = refusal;
    return;
  }
  CaseFileOptions options;
  options.readOnly = named.empty();
  options.program = program;
  CaseResult<CaseFile> opened = CaseFile::Open(path, options);
  if (!opened) {
    contents_.problem = opened.message();
    return;
  }
  file_.emplace(std::move(opened.value()));
  // A filed report names the case file wherever the tool was started from.
  if (char* full = realpath(path.c_str(), nullptr)) {
    contents_.path = full;
    std::free(full);
  }
  logs_ = !named.empty();
  if (!IsFolder(folder)) return;
  const CaseResult<RecordingIdentity> identity = RecordingIdentity::Of(folder);
  if (!identity) {
    contents_.problem = identity.message();
    return;
  }
  recording_ = identity.value().quick;
  CaseResult<std::vector<Bookmark>> bookmarks = file_->Bookmarks(identity.value());
  if (!bookmarks) {
    contents_.problem = bookmarks.message();
    return;
  }
  contents_.bookmarks = std::move(bookmarks.value());
}

std::string ToolCaseFile::LogOutput(LogKind kind, const std::string& file) {
  if (!logs_ || !file_) return {};
  // The log names the output wherever the tool was started from.
  char* full = realpath(file.c_str(), nullptr);
  const std::string path = full != nullptr ? full : file;
  std::free(full);
  const CaseStatus logged = file_->LogOutput(kind, path, "", recording_);
  return logged ? std::string() : logged.message();
}

}  // namespace selvo
