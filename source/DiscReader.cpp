#include "source/DiscReader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "source/DiscDeviceFactory.h"
#include "source/text/StringTable.h"

namespace selvo {

namespace {
constexpr int kDriveNotReadyText = 50002;
constexpr int kFatalReadText = 50004;
constexpr int kCannotOpenText = 64500;
constexpr int kNoDriveAccessText = 64501;

bool IsDeviceNodePath(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && (S_ISBLK(status.st_mode) || S_ISCHR(status.st_mode));
}

// What went wrong, and where: a missing image file, a drive the user may not
// read (not in the group that owns it) and a drive that never answered all
// end the open, and each needs a different remedy.
std::string CannotOpenText(const std::string& path, int error) {
  const int id = error == EACCES && IsDeviceNodePath(path) ? kNoDriveAccessText : kCannotOpenText;
  return FillTableText(LoadString(id), {path, std::strerror(error)});
}

}  // namespace

DiscReader::DiscReader(Notifier& notifier, DeviceFactory makeDevice)
    : notifier_(notifier), makeDevice_(makeDevice ? std::move(makeDevice) : DeviceFactory(MakeDiscDevice)) {}

DiscReader::~DiscReader() { Close(); }

bool DiscReader::OpenByPath(const std::string& path) {
  Close();
  std::unique_ptr<RawDiscDevice> device = makeDevice_(path);
  if (!device) return false;
  const int result = device->OpenByPath(path);
  return FinishOpen(std::move(device), result, path);
}

bool DiscReader::OpenByIndex(int index) {
  Close();
  std::unique_ptr<RawDiscDevice> device = makeDevice_(std::string());
  if (!device) return false;
  const int result = device->OpenByIndex(index);
  const std::string name = device->Path().empty() ? "#" + std::to_string(index + 1) : device->Path();
  return FinishOpen(std::move(device), result, name);
}

bool DiscReader::FinishOpen(std::unique_ptr<RawDiscDevice> device, int result, const std::string& name) {
  bufferSector_ = -1;
  position_ = 0;
  errorCode_ = 0;
  if (result != RawDiscDevice::kSuccess) {
    lastOpenError_ = device->LastError();
    if (lastOpenError_ == kErrorNotReady) {
      notifier_.Notify(NoticeKind::Error, LoadString(kDriveNotReadyText));
    } else {
      notifier_.Notify(NoticeKind::Error, CannotOpenText(name, lastOpenError_ != 0 ? lastOpenError_ : EIO));
    }
    return false;
  }
  lastOpenError_ = 0;
  device_ = std::move(device);
  return true;
}

void DiscReader::Close() {
  if (device_) device_->Close();
  device_.reset();
  bufferSector_ = -1;
}

bool DiscReader::SeekTo(std::int64_t offset, int origin) {
  std::int64_t target = 0;
  switch (origin) {
    case kSeekFromStart: target = offset; break;
    case kSeekFromCurrent: target = position_ + offset; break;
    case kSeekFromEnd: return false;
    default: target = 0; break;
  }
  if (target < 0) return false;
  position_ = target;
  return EnsureBuffered(target);
}

int DiscReader::Read(std::uint8_t* dest, int size) {
  if (size < 0 || (dest == nullptr && size > 0)) return -1;
  int done = 0;
  while (done < size) {
    if (!EnsureBuffered(position_)) return -1;
    const std::int64_t inSector = position_ - bufferSector_ * disc::kSectorBytes;
    const int chunk = static_cast<int>(std::min<std::int64_t>(size - done, disc::kSectorBytes - inSector));
    std::memcpy(dest + done, buffer_.data() + inSector, static_cast<std::size_t>(chunk));
    done += chunk;
    position_ += chunk;
  }
  return size;
}

bool DiscReader::EnsureBuffered(std::int64_t offset) {
  if (offset < 0) return false;
  const std::int64_t sector = offset / disc::kSectorBytes;
  if (sector == bufferSector_) return true;
  return LoadSector(sector);
}

bool DiscReader::LoadSector(std::int64_t logicalSector) {
  bufferSector_ = -1;
  if (!device_) return false;
  const std::int64_t lba = disc::PhysicalBlockForSector(logicalSector);
  if (lba > std::numeric_limits<std::uint32_t>::max() || !ReadBlockWithRetries(static_cast<std::uint32_t>(lba))) {
    ReportFailedSector();
    return false;
  }
  bufferSector_ = logicalSector;
  errorCode_ = 0;
  return true;
}

bool DiscReader::ReadBlockWithRetries(std::uint32_t lba) {
  bool read = false;
  for (int attempt = 0; attempt < kSectorReadTries && !read; ++attempt) {
    device_->SetRetrying(attempt > 0);
    device_->SetLba(lba);
    read = device_->Read(buffer_.data(), 1) == RawDiscDevice::kSuccess;
  }
  device_->SetRetrying(false);
  return read;
}

void DiscReader::ReportFailedSector() {
  errorCode_ = kErrorNotReady;
  notifier_.Notify(NoticeKind::Error, LoadString(kFatalReadText));
}

}  // namespace selvo
