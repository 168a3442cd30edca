#pragma once
// A disc read from a file that holds a plain dump of its 2048-byte blocks
// (block n at byte n x 2048, as `dd if=/dev/sr0` writes it), so that people
// can work from a copy instead of the fragile original. A block past the
// end of the file, or one the file system cannot deliver, fails like an
// unreadable sector, and so does any read that includes it.
#include <cstdint>
#include <set>
#include <string>

#include "source/FileDescriptor.h"
#include "source/RawDiscDevice.h"

namespace selvo {

class DiscImageFileDevice : public RawDiscDevice {
 public:
  DiscImageFileDevice() = default;
  // Blocks (physical addresses) that always fail, as if the disc were
  // scratched there.
  explicit DiscImageFileDevice(std::set<std::uint32_t> unreadableBlocks);
  ~DiscImageFileDevice() override;
  DiscImageFileDevice(const DiscImageFileDevice&) = delete;
  DiscImageFileDevice& operator=(const DiscImageFileDevice&) = delete;

  int OpenByPath(const std::string& path) override;
  // An image file is not in the list of drives.
  int OpenByIndex(int index) override;
  int Read(std::uint8_t* dest, int count) override;
  void Close() override;
  bool IsOpen() const override { return fd_.IsOpen(); }

 private:
  static int RefusalFor(int fd);
  bool HoldsUnreadableBlock(std::uint32_t lba, int count) const;
  bool ReadBlocks(std::uint32_t lba, int count, std::uint8_t* dest) const;

  FileDescriptor fd_;
  std::set<std::uint32_t> unreadableBlocks_;
};

}  // namespace selvo
