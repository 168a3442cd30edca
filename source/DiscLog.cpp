#include "source/DiscLog.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "source/FileBytes.h"
#include "source/FileDescriptor.h"
#include "source/PathNames.h"

namespace selvo {

namespace {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return ".";
}

}  // namespace

std::string DiscLog::DefaultPath() { return JoinPath(HomeFolder(), kFileName); }

DiscLog::DiscLog(std::string path) : path_(std::move(path)) {}

bool DiscLog::Append(const std::string& text) const {
  FileDescriptor file(::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  if (!file.IsOpen()) return false;
  bool ok = WriteAll(file.Get(), text.data(), text.size());
  ok = ::fdatasync(file.Get()) == 0 && ok;
  ok = file.Close() && ok;
  return ok;
}

bool DiscLog::AppendFormat(const char* format, ...) const {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (length < 0) {
    va_end(args);
    return false;
  }
  std::vector<char> text(static_cast<std::size_t>(length) + 1);
  std::vsnprintf(text.data(), text.size(), format, args);
  va_end(args);
  return Append(std::string(text.data(), static_cast<std::size_t>(length)));
}

}  // namespace selvo
