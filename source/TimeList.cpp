#include "source/TimeList.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "source/FileDescriptor.h"

namespace selvo {
namespace {

// atol's reading of a line: blanks skipped, optional sign, digits; a line
// without a number gives 0. strtol is used because atol's overflow is
// undefined; negative values wrap as the recorder's 32-bit stamps would.
std::uint32_t StampFromLine(const char* line, std::size_t length) {
  char buffer[TimeList::kLineCharacters + 1];
  std::memcpy(buffer, line, length);
  buffer[length] = '\0';
  return static_cast<std::uint32_t>(std::strtol(buffer, nullptr, 10));
}

// A FIFO or device named time.txt would block the open or feed bytes
// forever; only a regular file is read.
FileDescriptor OpenRegularFile(const std::string& path) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.IsOpen()) return file;
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return FileDescriptor();
  return file;
}

}  // namespace

// Gathers the kept head of each line from pieces of any size, so a line of
// any length costs kLineCharacters bytes at most.
class TimeList::LineCutter {
 public:
  LineCutter(std::vector<std::uint32_t>& values, std::size_t maxLines) : values_(values), maxLines_(maxLines) {}

  // false once maxLines lines are complete: nothing later is needed.
  bool Feed(const char* bytes, std::size_t length) {
    while (length > 0) {
      if (Full()) return false;
      const void* found = std::memchr(bytes, '\n', length);
      const std::size_t piece =
          found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes) : length;
      Keep(bytes, piece);
      if (found == nullptr) return true;
      EndLine();
      bytes += piece + 1;
      length -= piece + 1;
    }
    return !Full();
  }

  // A last line without its line break still counts.
  void Finish() {
    if (pending_ && !Full()) EndLine();
  }

 private:
  bool Full() const { return values_.size() >= maxLines_; }

  void Keep(const char* bytes, std::size_t length) {
    pending_ = true;
    const std::size_t room = kLineCharacters - used_;
    const std::size_t taken = length < room ? length : room;
    std::memcpy(line_ + used_, bytes, taken);
    used_ += taken;
  }

  void EndLine() {
    values_.push_back(StampFromLine(line_, used_));
    used_ = 0;
    pending_ = false;
  }

  std::vector<std::uint32_t>& values_;
  std::size_t maxLines_;
  char line_[kLineCharacters];
  std::size_t used_ = 0;
  bool pending_ = false;
};

bool TimeList::Load(const std::string& path, std::size_t maxLines) {
  values_.clear();
  const FileDescriptor file = OpenRegularFile(path);
  if (!file.IsOpen()) return false;
  bool ok = true;
  try {
    // Room for every line at once: a list grown by doubling leaves its
    // outgrown copies behind, as large as the list, in a million-image open.
    // A line takes a byte at least, so the file's size bounds them; without
    // a count of lines wanted, a hostile file's size would decide alone.
    struct stat status {};
    if (maxLines != kNoLineLimit && ::fstat(file.Get(), &status) == 0) {
      values_.reserve(std::min(maxLines, static_cast<std::size_t>(status.st_size) + 1));
    }
    LineCutter cutter(values_, maxLines);
    char chunk[64 * 1024];
    for (;;) {
      const ssize_t got = ::read(file.Get(), chunk, sizeof chunk);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) ok = false;
      if (got <= 0 || !cutter.Feed(chunk, static_cast<std::size_t>(got))) break;
    }
    cutter.Finish();
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) values_.clear();
  values_.shrink_to_fit();
  return ok;
}

void TimeList::LoadText(const std::string& text) {
  values_.clear();
  LineCutter cutter(values_, kNoLineLimit);
  cutter.Feed(text.data(), text.size());
  cutter.Finish();
}

}  // namespace selvo
