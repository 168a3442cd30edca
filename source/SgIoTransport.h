#pragma once
// SCSI commands through the Linux SG_IO ioctl on a CD device node
// (/dev/srN), opened read-only and non-blocking so that a drive without a
// disc can still be asked whether it is ready.
#include "source/FileDescriptor.h"
#include "source/ScsiTransport.h"

namespace selvo {

class SgIoTransport : public ScsiTransport {
 public:
  SgIoTransport() = default;
  ~SgIoTransport() override;
  SgIoTransport(const SgIoTransport&) = delete;
  SgIoTransport& operator=(const SgIoTransport&) = delete;

  int Open(const std::string& devicePath) override;
  void Close() override;
  bool IsOpen() const override { return fd_.IsOpen(); }
  ScsiReply Execute(const ScsiCommand& command, std::uint8_t* data) override;

 private:
  FileDescriptor fd_;
};

}  // namespace selvo
