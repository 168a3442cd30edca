#include "source/DiscReader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "app/StringTable.h"
#include "source/DiscDeviceFactory.h"

namespace selvo {

namespace {
constexpr int kDriveNotReadyText = 50002;
constexpr int kFatalReadText = 50004;
}  // namespace

DiscReader::DiscReader(Notifier& notifier, DeviceFactory makeDevice)
    : notifier_(notifier), makeDevice_(makeDevice ? std::move(makeDevice) : DeviceFactory(MakeDiscDevice)) {}

DiscReader::~DiscReader() { Close(); }

bool DiscReader::OpenByPath(const std::string& path) {
  Close();
  std::unique_ptr<RawDiscDevice> device = makeDevice_(path);
  if (!device) return false;
  const int result = device->OpenByPath(path);
  return FinishOpen(std::move(device), result);
}

bool DiscReader::OpenByIndex(int index) {
  Close();
  std::unique_ptr<RawDiscDevice> device = makeDevice_(std::string());
  if (!device) return false;
  const int result = device->OpenByIndex(index);
  return FinishOpen(std::move(device), result);
}

bool DiscReader::FinishOpen(std::unique_ptr<RawDiscDevice> device, int result) {
  bufferSector_ = -1;
  position_ = 0;
  errorCode_ = 0;
  if (result != RawDiscDevice::kSuccess) {
    lastOpenError_ = device->LastError();
    if (lastOpenError_ == kErrorNotReady) notifier_.Notify(NoticeKind::Error, LoadString(kDriveNotReadyText));
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
  for (int attempt = 0; attempt < kSectorReadTries; ++attempt) {
    device_->SetLba(lba);
    if (device_->Read(buffer_.data(), 1) == RawDiscDevice::kSuccess) return true;
  }
  return false;
}

void DiscReader::ReportFailedSector() {
  errorCode_ = kErrorNotReady;
  notifier_.Notify(NoticeKind::Error, LoadString(kFatalReadText));
}

}  // namespace selvo
