#include "fuzz/MemoryDiscDevice.h"

#include <algorithm>
#include <cstring>

namespace selvo::fuzz {

int MemoryDiscDevice::OpenByPath(const std::string&) {
  open_ = true;
  SetLba(0);
  SetLastError(0);
  return kSuccess;
}

int MemoryDiscDevice::OpenByIndex(int) {
  SetLastError(kErrorNotReady);
  return kNotAvailable;
}

int MemoryDiscDevice::Read(std::uint8_t* dest, int count) {
  if (!open_) return kNotAvailable;
  if (!IsValidBlockCount(count)) return kCommandFailed;
  for (int i = 0; i < count; ++i) {
    if (!ReadOneBlock(Lba() + static_cast<std::uint32_t>(i), dest + static_cast<std::size_t>(i) * kBlockBytes)) {
      return kCommandFailed;
    }
  }
  AdvanceLba(count);
  return kSuccess;
}

bool MemoryDiscDevice::ReadOneBlock(std::uint32_t lba, std::uint8_t* dest) const {
  std::memset(dest, 0, kBlockBytes);
  if (lba < kFirstBlock) return true;
  const std::uint64_t start = static_cast<std::uint64_t>(lba - kFirstBlock) * kBlockBytes;
  if (start >= length_) return false;
  const std::size_t available = std::min<std::uint64_t>(kBlockBytes, length_ - start);
  std::memcpy(dest, bytes_ + start, available);
  return true;
}

}  // namespace selvo::fuzz
