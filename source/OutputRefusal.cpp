#include "source/OutputRefusal.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <utility>

namespace selvo {

namespace {

std::string Resolved(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::string text = resolved;
  std::free(resolved);
  return text;
}

// Where the output's name would land once its folder's links are followed;
// empty when its folder does not exist (the write then says why).
std::string Landing(const std::string& output) {
  const std::size_t slash = output.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : output.substr(0, slash);
  const std::string name = slash == std::string::npos ? output : output.substr(slash + 1);
  const std::string base = Resolved(folder);
  if (base.empty() || name.empty() || name == "." || name == "..") return {};
  return base == "/" ? "/" + name : base + "/" + name;
}

// What stands at the name today, when it is anything but a plain file.
std::string KindProblem(const std::string& path) {
  if (!path.empty() && path.back() == '/') return "is a folder; an output must be a file";
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return {};
  if (S_ISLNK(st.st_mode)) return "is a symbolic link; an output is never written through a link";
  if (S_ISDIR(st.st_mode)) return "is a folder; an output must be a file";
  if (S_ISFIFO(st.st_mode)) return "is a FIFO (named pipe); an output must be a plain file";
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "is a device; an output must be a plain file";
  if (!S_ISREG(st.st_mode)) return "is not a plain file; an output must be one";
  return {};
}

bool Inside(const std::string& landing, const std::string& evidence) {
  struct stat st {};
  if (::stat(evidence.c_str(), &st) != 0) return false;
  const std::string resolved = Resolved(evidence);
  if (resolved.empty()) return false;
  if (!S_ISDIR(st.st_mode)) return landing == resolved;
  if (resolved == "/") return true;
  return landing.size() > resolved.size() && landing.compare(0, resolved.size(), resolved) == 0 &&
         landing[resolved.size()] == '/';
}

std::string Named(const NamedOutput& output) { return output.role + " " + output.path + ": "; }

}  // namespace

std::string OutputRefusal(const std::vector<NamedOutput>& outputs, const std::vector<std::string>& evidence) {
  std::vector<std::pair<std::string, const NamedOutput*>> landings;
  for (const NamedOutput& output : outputs) {
    if (output.path.empty()) continue;  // not asked for
    const std::string kind = KindProblem(output.path);
    if (!kind.empty()) return Named(output) + kind;
    const std::string landing = Landing(output.path);
    for (const std::string& read : evidence) {
      if (!landing.empty() && Inside(landing, read)) {
        return Named(output) + "lies inside " + read + ", which is being read; the evidence is never written over";
      }
    }
    for (const auto& [earlier, owner] : landings) {
      if (!landing.empty() && landing == earlier) {
        return Named(output) + "is also given as " + owner->role + "; each output needs a file of its own";
      }
    }
    landings.emplace_back(landing, &output);
  }
  return {};
}

}  // namespace selvo
