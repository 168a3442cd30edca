#include "source/SgIoDiscDevice.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "source/DiscDriveList.h"
#include "source/SgIoTransport.h"

namespace selvo {

namespace {

void SleepFor(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// Filled before every read so that a block the drive did not really deliver
// cannot pass for one it did.
void FillWithUnreadPattern(std::uint8_t* block) {
  std::memset(block, 0x4E, RawDiscDevice::kBlockBytes / 2);
  std::memset(block + RawDiscDevice::kBlockBytes / 2, 0x54, RawDiscDevice::kBlockBytes / 2);
}

}  // namespace

SgIoDiscDevice::SgIoDiscDevice()
    : SgIoDiscDevice(std::make_unique<SgIoTransport>(), SleepFor, DiscDriveList::FindDrivePaths()) {}

SgIoDiscDevice::SgIoDiscDevice(std::unique_ptr<ScsiTransport> transport, WaitFunction wait,
                               std::vector<std::string> drivePaths)
    : transport_(std::move(transport)), wait_(std::move(wait)), drivePaths_(std::move(drivePaths)) {}

SgIoDiscDevice::~SgIoDiscDevice() { Close(); }

int SgIoDiscDevice::OpenByPath(const std::string& path) { return OpenAndWaitUntilReady(path, kPathOpenTries); }

int SgIoDiscDevice::OpenByIndex(int index) {
  if (!transport_) return kNotAvailable;
  if (index < 0 || static_cast<std::size_t>(index) >= drivePaths_.size()) return kOpenFailed;
  const int result = OpenAndWaitUntilReady(drivePaths_[static_cast<std::size_t>(index)], kIndexOpenTries);
  if (result != kSuccess) return result;
  // Spins up a drive that stopped its disc; whether it answers does not matter.
  transport_->Execute(ScsiCommand::StartUnit(), nullptr);
  return kSuccess;
}

int SgIoDiscDevice::OpenAndWaitUntilReady(const std::string& path, int tries) {
  if (!transport_) return kNotAvailable;
  Close();
  SetPath(path);
  const int openError = transport_->Open(path);
  if (openError != 0) {
    SetLastError(openError == ENOMEDIUM ? kErrorNotReady : openError);
    return kOpenFailed;
  }
  bool sawNotReady = false;
  bool notADrive = false;
  if (!WaitUntilReady(tries, sawNotReady, notADrive)) {
    SetLastError(notADrive ? kErrorNotADrive : sawNotReady ? kErrorNotReady : EIO);
    transport_->Close();
    return kOpenFailed;
  }
  SetLastError(0);
  SetLba(0);
  return kSuccess;
}

bool SgIoDiscDevice::WaitUntilReady(int tries, bool& sawNotReady, bool& notADrive) {
  for (int attempt = 1; attempt <= tries; ++attempt) {
    const ScsiReply reply = transport_->Execute(ScsiCommand::TestUnitReady(), nullptr);
    if (reply.good) return true;
    // A device that takes no SCSI command never becomes a drive by waiting.
    notADrive = !reply.delivered && (reply.error == ENOTTY || reply.error == ENOSYS);
    if (notADrive) return false;
    if (reply.Sense().SaysNotReady()) sawNotReady = true;
    if (attempt < tries && wait_) wait_(kReadyPauseMs);
  }
  return false;
}

int SgIoDiscDevice::Read(std::uint8_t* dest, int count) {
  return ReadBlockByBlock(dest, count, [this](std::uint32_t lba, std::uint8_t* block) { return ReadOneBlock(lba, block); });
}

bool SgIoDiscDevice::ReadOneBlock(std::uint32_t lba, std::uint8_t* dest) {
  alignas(16) std::uint8_t bounce[kBlockBytes];
  FillWithUnreadPattern(bounce);
  const unsigned timeoutMs = IsRetrying() ? ScsiCommand::kRetryReadTimeoutMs : ScsiCommand::kReadTimeoutMs;
  const ScsiReply reply = transport_->Execute(ScsiCommand::ReadBlock(lba, timeoutMs), bounce);
  if (!reply.good || reply.residual != 0) return false;
  std::memcpy(dest, bounce, kBlockBytes);
  return true;
}

void SgIoDiscDevice::Close() {
  if (transport_) transport_->Close();
}

bool SgIoDiscDevice::IsOpen() const { return transport_ && transport_->IsOpen(); }

}  // namespace selvo
