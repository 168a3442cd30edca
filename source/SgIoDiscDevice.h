#pragma once
// A CD drive read with SCSI commands: TEST UNIT READY until the disc is
// ready, then READ(10) one block at a time.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "source/RawDiscDevice.h"
#include "source/ScsiTransport.h"

namespace selvo {

class SgIoDiscDevice : public RawDiscDevice {
 public:
  using WaitFunction = std::function<void(int milliseconds)>;

  // A drive that never becomes ready is given up after this many failed
  // TEST UNIT READY commands, with a pause after each failure before the
  // last: about 25 s opened by path, 27 s opened by list position.
  static constexpr int kPathOpenTries = 26;
  static constexpr int kIndexOpenTries = 28;
  static constexpr int kReadyPauseMs = 1000;

  // The machine's drives over SG_IO, with real pauses.
  SgIoDiscDevice();
  // drivePaths is the device list that OpenByIndex counts in.
  SgIoDiscDevice(std::unique_ptr<ScsiTransport> transport, WaitFunction wait,
                 std::vector<std::string> drivePaths);
  ~SgIoDiscDevice() override;

  int OpenByPath(const std::string& path) override;
  int OpenByIndex(int index) override;
  int Read(std::uint8_t* dest, int count) override;
  void Close() override;
  bool IsOpen() const override;

 private:
  int OpenAndWaitUntilReady(const std::string& path, int tries);
  bool WaitUntilReady(int tries, bool& sawNotReady, bool& notADrive);
  bool ReadOneBlock(std::uint32_t lba, std::uint8_t* dest);

  std::unique_ptr<ScsiTransport> transport_;
  WaitFunction wait_;
  std::vector<std::string> drivePaths_;
};

}  // namespace selvo
