#include "source/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "source/FileDescriptor.h"

namespace selvo {
namespace {

// Size of an open regular file; false for anything else (directories, pipes,
// devices) so that a hostile path can neither block nor feed endless bytes.
bool RegularFileSize(int fd, std::size_t& size) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0) return false;
  if (static_cast<std::uint64_t>(status.st_size) > kMaxWholeFileBytes) return false;
  size = static_cast<std::size_t>(status.st_size);
  return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out) {
  // O_NONBLOCK keeps a FIFO from stalling the open; it has no effect on the
  // regular files that are actually read.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  std::size_t size = 0;
  if (file.Get() < 0 || !RegularFileSize(file.Get(), size)) {
    out.clear();
    return false;
  }
  // Resized, not cleared first: a buffer reused for files of similar size
  // is then neither reallocated nor zero-filled again.
  try {
    out.resize(size);
  } catch (const std::bad_alloc&) {
    out.clear();
    return false;
  }
  if (!ReadFully(file.Get(), out.data(), size)) {
    out.clear();
    return false;
  }
  return true;
}

bool ReadFully(int fd, std::uint8_t* into, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(fd, into + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

int FileReadError(const std::string& path) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.Get() < 0) return errno;
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) return errno;
  if (S_ISDIR(status.st_mode)) return EISDIR;
  if (!S_ISREG(status.st_mode)) return ENOTBLK;
  std::uint8_t first;
  ssize_t got;
  do {
    got = ::read(file.Get(), &first, 1);
  } while (got < 0 && errno == EINTR);
  return got < 0 ? errno : 0;
}

const char* NotAFileText(unsigned int mode) {
  if (S_ISDIR(mode)) return "a folder, not a file";
  if (S_ISFIFO(mode)) return "a FIFO, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a file";
  if (S_ISSOCK(mode)) return "a socket, not a file";
  return "not a regular file";
}

std::string FileReadProblem(const std::string& path) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat status {};
  if (!file.IsOpen()) {
    const int error = errno;
    struct stat own {};
    if (error == ENOENT && ::lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode)) return "a link to nothing";
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) return NotAFileText(status.st_mode);
    return std::strerror(error);
  }
  if (::fstat(file.Get(), &status) != 0) return std::strerror(errno);
  if (!S_ISREG(status.st_mode)) return NotAFileText(status.st_mode);
  std::uint8_t first;
  ssize_t got;
  do {
    got = ::read(file.Get(), &first, 1);
  } while (got < 0 && errno == EINTR);
  return got < 0 ? std::strerror(errno) : std::string();
}

bool WriteAll(int fd, const void* bytes, std::size_t length) {
  const auto* next = static_cast<const std::uint8_t*>(bytes);
  while (length > 0) {
    const ssize_t written = ::write(fd, next, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    next += written;
    length -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace selvo
