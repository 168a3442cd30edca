#pragma once
// The few SCSI commands the disc reader sends, built in one place so that
// their bytes can be checked without a drive, and the decoding of the sense
// data a drive answers with.
#include <array>
#include <cstddef>
#include <cstdint>

namespace selvo {

enum class ScsiDirection { None, FromDevice };

// Sense key and additional sense code of a drive's answer.
struct ScsiSense {
  static constexpr int kNoSense = 0;
  static constexpr int kNotReady = 2;
  static constexpr int kMediumError = 3;
  static constexpr int kUnitAttention = 6;

  int key = kNoSense;
  int asc = 0;
  int ascq = 0;
  bool valid = false;

  bool SaysNotReady() const { return valid && key == kNotReady; }
};

class ScsiCommand {
 public:
  static constexpr std::uint32_t kBlockBytes = 2048;
  static constexpr std::uint8_t kInquiryAllocation = 32;
  // A read may wait for a disc to spin up. A read that failed once is on a
  // damaged spot: retrying it with the full wait would freeze the window for
  // minutes per sector.
  static constexpr unsigned kReadTimeoutMs = 200000;
  static constexpr unsigned kRetryReadTimeoutMs = 5000;

  static constexpr std::uint8_t kOpTestUnitReady = 0x00;
  static constexpr std::uint8_t kOpInquiry = 0x12;
  static constexpr std::uint8_t kOpStartStopUnit = 0x1B;
  static constexpr std::uint8_t kOpRead10 = 0x28;

  static ScsiCommand TestUnitReady();
  // One 2048-byte block at lba: the transfer length and the block count in
  // the command always agree, so a drive can never deliver more than the
  // buffer holds.
  static ScsiCommand ReadBlock(std::uint32_t lba, unsigned timeoutMs = kReadTimeoutMs);
  static ScsiCommand Inquiry();
  static ScsiCommand StartUnit();

  const std::uint8_t* Cdb() const { return cdb_.data(); }
  int CdbLength() const { return cdbLength_; }
  ScsiDirection Direction() const { return direction_; }
  std::uint32_t DataLength() const { return dataLength_; }
  unsigned TimeoutMs() const { return timeoutMs_; }
  std::uint8_t Opcode() const { return cdb_[0]; }

  // Fixed (0x70/0x71) and descriptor (0x72/0x73) formats; anything else, or
  // too few bytes, gives an invalid sense.
  static ScsiSense DecodeSense(const std::uint8_t* sense, std::size_t length);

 private:
  ScsiCommand(int cdbLength, ScsiDirection direction, std::uint32_t dataLength, unsigned timeoutMs);

  std::array<std::uint8_t, 16> cdb_{};
  int cdbLength_ = 0;
  ScsiDirection direction_ = ScsiDirection::None;
  std::uint32_t dataLength_ = 0;
  unsigned timeoutMs_ = 0;
};

}  // namespace selvo
