#pragma once
// What carries a SCSI command to a drive and its answer back. The viewer
// uses the Linux SG_IO route; tests put a scripted drive in its place.
#include <array>
#include <cstdint>
#include <string>

#include "source/ScsiCommand.h"

namespace selvo {

struct ScsiReply {
  // The command reached the drive and came back (the system call worked).
  bool delivered = false;
  // When it did not: the errno value of the system call. ENOTTY or ENOSYS
  // mean the device takes no SCSI commands at all: it is not a drive.
  int error = 0;
  // Delivered, SCSI status GOOD, and neither adapter nor driver complained.
  bool good = false;
  std::uint8_t scsiStatus = 0;
  // Bytes of the requested transfer that did not arrive.
  std::int32_t residual = 0;
  std::array<std::uint8_t, 32> sense{};
  std::uint8_t senseLength = 0;

  ScsiSense Sense() const { return ScsiCommand::DecodeSense(sense.data(), senseLength); }
};

class ScsiTransport {
 public:
  virtual ~ScsiTransport() = default;
  // 0 on success, otherwise the errno value of the failed open.
  virtual int Open(const std::string& devicePath) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // data must hold command.DataLength() bytes.
  virtual ScsiReply Execute(const ScsiCommand& command, std::uint8_t* data) = 0;
};

}  // namespace selvo
