#include "source/DiscReader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "source/DiscDeviceFactory.h"
#include "source/DiscImageFileDevice.h"
#include "source/text/StringIds.h"
#include "source/text/StringTable.h"

namespace selvo {

namespace {

bool IsDeviceNodePath(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && (S_ISBLK(status.st_mode) || S_ISCHR(status.st_mode));
}

// What went wrong, and where: a missing image file, a drive the user may not
// read (not in the group that owns it) and a drive that never answered all
// end the open, and each needs a different remedy.
std::string CannotOpenText(const std::string& path, int error) {
  if (error == RawDiscDevice::kErrorNotADrive) {
    return FillTableText(LoadString(str::kCannotOpenText), {path, "not a CD drive (it takes no SCSI commands)"});
  }
  const int id = error == EACCES && IsDeviceNodePath(path) ? str::kNoDriveAccessText : str::kCannotOpenText;
  return FillTableText(LoadString(id), {path, std::strerror(error)});
}

bool IsBlockDevicePath(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISBLK(status.st_mode);
}

}  // namespace

DiscReader::DiscReader(Notifier& notifier, DeviceFactory makeDevice)
    : notifier_(notifier),
      makeDevice_(makeDevice ? std::move(makeDevice) : DeviceFactory(MakeDiscDevice)),
      buffer_(static_cast<std::size_t>(RawDiscDevice::kMaxBlocksPerRead) * disc::kSectorBytes) {}

DiscReader::~DiscReader() { Close(); }

bool DiscReader::OpenByPath(const std::string& path) {
  Close();
  std::unique_ptr<RawDiscDevice> device = makeDevice_(path);
  if (!device) return false;
  int result = device->OpenByPath(path);
  // A block device that is no drive (a loop device over a disc's dump)
  // holds the disc's blocks at their addresses all the same.
  if (result != RawDiscDevice::kSuccess && device->LastError() == RawDiscDevice::kErrorNotADrive &&
      IsBlockDevicePath(path)) {
    device = std::make_unique<DiscImageFileDevice>();
    result = device->OpenByPath(path);
  }
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
  ForgetBuffer();
  position_ = 0;
  errorCode_ = 0;
  if (result != RawDiscDevice::kSuccess) {
    lastOpenError_ = device->LastError();
    if (lastOpenError_ == kErrorNotReady) {
      notifier_.Notify(NoticeKind::Error, LoadString(str::kDriveNotReadyText));
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
  ForgetBuffer();
}

void DiscReader::ForgetBuffer() {
  bufferSector_ = -1;
  bufferSectors_ = 0;
  failedStretchSector_ = -1;
  failedStretchSectors_ = 0;
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
    const std::int64_t buffered = std::int64_t{bufferSectors_} * disc::kSectorBytes - inSector;
    const int chunk = static_cast<int>(std::min<std::int64_t>(size - done, buffered));
    std::memcpy(dest + done, buffer_.data() + inSector, static_cast<std::size_t>(chunk));
    done += chunk;
    position_ += chunk;
  }
  return size;
}

int DiscReader::Peek(const std::uint8_t*& bytes) {
  bytes = nullptr;
  if (!EnsureBuffered(position_)) return 0;
  const std::int64_t inSector = position_ - bufferSector_ * disc::kSectorBytes;
  bytes = buffer_.data() + inSector;
  return static_cast<int>(std::int64_t{bufferSectors_} * disc::kSectorBytes - inSector);
}

bool DiscReader::EnsureBuffered(std::int64_t offset) {
  if (offset < 0) return false;
  const std::int64_t sector = offset / disc::kSectorBytes;
  if (bufferSector_ >= 0 && sector >= bufferSector_ && sector < bufferSector_ + bufferSectors_) return true;
  return LoadSector(sector);
}

// A stretch starts at the wanted sector and ends at the end of its run, where
// the physical blocks stop being consecutive.
bool DiscReader::LoadSector(std::int64_t logicalSector) {
  bufferSector_ = -1;
  bufferSectors_ = 0;
  if (!device_) return false;
  constexpr std::int64_t kLastAddress = std::numeric_limits<std::uint32_t>::max();
  const std::int64_t lba = disc::PhysicalBlockForSector(logicalSector);
  if (lba > kLastAddress) {
    ReportFailedSector();
    return false;
  }
  const std::int64_t toRunEnd = disc::kSectorsPerRun - logicalSector % disc::kSectorsPerRun;
  const int sectors = static_cast<int>(
      std::min({std::int64_t{RawDiscDevice::kMaxBlocksPerRead}, toRunEnd, kLastAddress - lba + 1}));
  if (sectors > 1 && !InFailedStretch(logicalSector)) {
    if (LoadStretch(logicalSector, sectors)) return true;
    failedStretchSector_ = logicalSector;
    failedStretchSectors_ = sectors;
    // The failed stretch was this sector's first try, the one allowed to wait
    // for the disc to spin up: a scratch must not cost that wait twice.
    return LoadSingleSector(logicalSector, 1);
  }
  return LoadSingleSector(logicalSector, 0);
}

// One try only: a failure is sorted out sector by sector, with the retries.
bool DiscReader::LoadStretch(std::int64_t firstSector, int sectors) {
  device_->SetRetrying(false);
  device_->SetLba(static_cast<std::uint32_t>(disc::PhysicalBlockForSector(firstSector)));
  if (device_->Read(buffer_.data(), sectors) != RawDiscDevice::kSuccess) return false;
  bufferSector_ = firstSector;
  bufferSectors_ = sectors;
  errorCode_ = 0;
  return true;
}

bool DiscReader::LoadSingleSector(std::int64_t logicalSector, int triesSpent) {
  if (!ReadBlockWithRetries(static_cast<std::uint32_t>(disc::PhysicalBlockForSector(logicalSector)), triesSpent)) {
    ReportFailedSector();
    return false;
  }
  bufferSector_ = logicalSector;
  bufferSectors_ = 1;
  errorCode_ = 0;
  return true;
}

bool DiscReader::InFailedStretch(std::int64_t logicalSector) const {
  return failedStretchSector_ >= 0 && logicalSector >= failedStretchSector_ &&
         logicalSector < failedStretchSector_ + failedStretchSectors_;
}

bool DiscReader::ReadBlockWithRetries(std::uint32_t lba, int triesSpent) {
  bool read = false;
  for (int attempt = triesSpent; attempt < kSectorReadTries && !read; ++attempt) {
    device_->SetRetrying(attempt > 0);
    device_->SetLba(lba);
    read = device_->Read(buffer_.data(), 1) == RawDiscDevice::kSuccess;
  }
  device_->SetRetrying(false);
  return read;
}

void DiscReader::ReportFailedSector() {
  errorCode_ = kErrorNotReady;
  notifier_.Notify(NoticeKind::Error, LoadString(str::kFatalReadText));
}

}  // namespace selvo
