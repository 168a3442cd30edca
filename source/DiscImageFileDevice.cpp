#include "source/DiscImageFileDevice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace selvo {

DiscImageFileDevice::DiscImageFileDevice(std::set<std::uint32_t> unreadableBlocks)
    : unreadableBlocks_(std::move(unreadableBlocks)) {}

DiscImageFileDevice::~DiscImageFileDevice() { Close(); }

int DiscImageFileDevice::OpenByPath(const std::string& path) {
  Close();
  SetPath(path);
  // O_NONBLOCK: a FIFO given as a disc must not hang the open.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.IsOpen()) {
    SetLastError(errno == ENOMEDIUM ? kErrorNotReady : errno);
    return kOpenFailed;
  }
  const int refusal = RefusalFor(fd.Get());
  if (refusal != 0 || ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK) != 0) {
    SetLastError(refusal != 0 ? refusal : errno);
    return kOpenFailed;
  }
  fd_ = std::move(fd);
  SetLastError(0);
  SetLba(0);
  return kSuccess;
}

// Only a file or a block device holds blocks at fixed addresses; a pipe,
// socket or terminal would block or deliver endless bytes.
int DiscImageFileDevice::RefusalFor(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) return errno;
  if (S_ISDIR(status.st_mode)) return EISDIR;
  if (!S_ISREG(status.st_mode) && !S_ISBLK(status.st_mode)) return ENOTBLK;
  return 0;
}

int DiscImageFileDevice::OpenByIndex(int) { return kOpenFailed; }

// All the blocks in one pread: a block at a time would pay a system call per
// 2 KB, several times the cost of the copy itself.
int DiscImageFileDevice::Read(std::uint8_t* dest, int count) {
  if (!IsOpen()) return kNotAvailable;
  if (dest == nullptr || !IsValidBlockCount(count)) return kCommandFailed;
  if (HoldsUnreadableBlock(Lba(), count) || !ReadBlocks(Lba(), count, dest)) return kCommandFailed;
  AdvanceLba(count);
  return kSuccess;
}

bool DiscImageFileDevice::HoldsUnreadableBlock(std::uint32_t lba, int count) const {
  const auto first = unreadableBlocks_.lower_bound(lba);
  return first != unreadableBlocks_.end() && *first - lba < static_cast<std::uint32_t>(count);
}

bool DiscImageFileDevice::ReadBlocks(std::uint32_t lba, int count, std::uint8_t* dest) const {
  const off_t start = static_cast<off_t>(lba) * kBlockBytes;
  const std::size_t wanted = static_cast<std::size_t>(count) * kBlockBytes;
  std::size_t done = 0;
  while (done < wanted) {
    const ssize_t got = ::pread(fd_.Get(), dest + done, wanted - done, start + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    // End of file inside the stretch: its last blocks do not exist on this copy.
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

void DiscImageFileDevice::Close() {
  fd_.Close();
}

}  // namespace selvo
