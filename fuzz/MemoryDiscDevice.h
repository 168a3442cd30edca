#pragma once
// A recorder disc held in memory, for feeding fuzzer inputs to the disc
// reader without a megabyte of padding each. The bytes are the disc from its
// tag area on (physical block kFirstBlock): every block before it reads as
// zeros, a short last block is padded with zeros, and a block past the end
// fails like an unreadable sector.
#include <cstddef>
#include <cstdint>
#include <string>

#include "source/DiscLayout.h"
#include "source/RawDiscDevice.h"

namespace selvo::fuzz {

class MemoryDiscDevice : public RawDiscDevice {
 public:
  static constexpr std::uint32_t kFirstBlock = disc::kTagAreaOffset / disc::kSectorBytes;

  // bytes must outlive the device.
  MemoryDiscDevice(const std::uint8_t* bytes, std::size_t length) : bytes_(bytes), length_(length) {}

  int OpenByPath(const std::string& path) override;
  int OpenByIndex(int index) override;
  int Read(std::uint8_t* dest, int count) override;
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }

 private:
  bool ReadOneBlock(std::uint32_t lba, std::uint8_t* dest) const;

  const std::uint8_t* bytes_;
  std::size_t length_;
  bool open_ = false;
};

}  // namespace selvo::fuzz
