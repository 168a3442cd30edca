#include "source/ScsiCommand.h"

#include "source/ByteOrder.h"

namespace selvo {

namespace {
// The short commands never wait for a disc to spin up.
constexpr unsigned kShortTimeoutMs = 30000;
}  // namespace

ScsiCommand::ScsiCommand(int cdbLength, ScsiDirection direction, std::uint32_t dataLength, unsigned timeoutMs)
    : cdbLength_(cdbLength), direction_(direction), dataLength_(dataLength), timeoutMs_(timeoutMs) {}

ScsiCommand ScsiCommand::TestUnitReady() {
  ScsiCommand command(6, ScsiDirection::None, 0, kShortTimeoutMs);
  command.cdb_[0] = kOpTestUnitReady;
  return command;
}

ScsiCommand ScsiCommand::ReadBlock(std::uint32_t lba, unsigned timeoutMs) {
  ScsiCommand command(10, ScsiDirection::FromDevice, kBlockBytes, timeoutMs);
  command.cdb_[0] = kOpRead10;
  WriteBe32(&command.cdb_[2], lba);
  WriteBe16(&command.cdb_[7], 1);
  return command;
}

ScsiCommand ScsiCommand::Inquiry() {
  ScsiCommand command(6, ScsiDirection::FromDevice, kInquiryAllocation, kShortTimeoutMs);
  command.cdb_[0] = kOpInquiry;
  command.cdb_[4] = kInquiryAllocation;
  return command;
}

ScsiCommand ScsiCommand::StartUnit() {
  ScsiCommand command(6, ScsiDirection::None, 0, kReadTimeoutMs);
  command.cdb_[0] = kOpStartStopUnit;
  command.cdb_[4] = 0x01;
  return command;
}

ScsiSense ScsiCommand::DecodeSense(const std::uint8_t* sense, std::size_t length) {
  ScsiSense decoded;
  if (sense == nullptr || length < 4) return decoded;
  const std::uint8_t responseCode = sense[0] & 0x7F;
  if (responseCode == 0x70 || responseCode == 0x71) {
    decoded.key = sense[2] & 0x0F;
    decoded.asc = length > 12 ? sense[12] : 0;
    decoded.ascq = length > 13 ? sense[13] : 0;
    decoded.valid = true;
  } else if (responseCode == 0x72 || responseCode == 0x73) {
    decoded.key = sense[1] & 0x0F;
    decoded.asc = sense[2];
    decoded.ascq = sense[3];
    decoded.valid = true;
  }
  return decoded;
}

}  // namespace selvo
