#pragma once
// The recording on a recorder disc as a stream of logical bytes. Logical
// sectors are mapped to the disc's physical blocks (past the blocks the
// recorder leaves unused) and read in stretches of up to 64 KB into a
// buffer, so that consecutive small reads cost nothing and a sequential scan
// pays one device read per stretch. A stretch that cannot be read whole is
// read again sector by sector, so that one damaged sector costs only itself.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "source/DiscLayout.h"
#include "source/Notifier.h"
#include "source/RawDiscDevice.h"

namespace selvo {

class DiscReader {
 public:
  // Makes the device for a path; an empty path asks for the device that
  // opens drives by their position in the drive list.
  using DeviceFactory = std::function<std::unique_ptr<RawDiscDevice>(const std::string& path)>;

  static constexpr int kErrorNotReady = RawDiscDevice::kErrorNotReady;
  // A sector read that fails is tried again up to 3 times before it counts;
  // only the first try may wait for a disc to spin up.
  static constexpr int kSectorReadTries = 4;

  static constexpr int kSeekFromStart = 0;
  static constexpr int kSeekFromCurrent = 1;
  static constexpr int kSeekFromEnd = 2;  // not supported

  // notifier must outlive the reader. A null factory uses MakeDiscDevice.
  explicit DiscReader(Notifier& notifier, DeviceFactory makeDevice = nullptr);
  ~DiscReader();
  DiscReader(const DiscReader&) = delete;
  DiscReader& operator=(const DiscReader&) = delete;

  // A CD device node or a disc-image file.
  bool OpenByPath(const std::string& path);
  // Position in the machine's drive list.
  bool OpenByIndex(int index);
  // Origins as above; any other origin means position 0. Reads the sector
  // that holds the target unless it is already buffered.
  bool SeekTo(std::int64_t offset, int origin);
  // Copies size bytes from the current position; -1 as soon as a sector
  // cannot be read (the bytes already copied stay in dest).
  int Read(std::uint8_t* dest, int size);
  // The bytes buffered from the current position on (at least the rest of
  // its sector), reading them first if need be; 0 (and bytes null) when
  // that sector cannot be read. Leaves the position where it is.
  int Peek(const std::uint8_t*& bytes);
  // Moves the position on by size bytes without reading them: the sector
  // they lie in is read only when something there is asked for.
  void Skip(int size) { position_ += size; }
  void Close();

  bool IsOpen() const { return device_ != nullptr; }
  // The last sector read failed.
  bool IsNotReady() const { return errorCode_ == kErrorNotReady; }
  std::int64_t Position() const { return position_; }
  // Why the last open failed (RawDiscDevice::LastError), 0 after success.
  int LastOpenError() const { return lastOpenError_; }

 private:
  // name: the path, or the device the list position led to, for the message.
  bool FinishOpen(std::unique_ptr<RawDiscDevice> device, int result, const std::string& name);
  bool EnsureBuffered(std::int64_t offset);
  bool LoadSector(std::int64_t logicalSector);
  bool LoadStretch(std::int64_t firstSector, int sectors);
  bool LoadSingleSector(std::int64_t logicalSector, int triesSpent);
  bool ReadBlockWithRetries(std::uint32_t lba, int triesSpent);
  bool InFailedStretch(std::int64_t logicalSector) const;
  void ForgetBuffer();
  void ReportFailedSector();

  Notifier& notifier_;
  DeviceFactory makeDevice_;
  std::unique_ptr<RawDiscDevice> device_;
  std::vector<std::uint8_t> buffer_;
  std::int64_t bufferSector_ = -1;  // first buffered sector; -1: nothing buffered
  int bufferSectors_ = 0;
  // The last stretch whose whole read failed: its sectors are read one by one.
  std::int64_t failedStretchSector_ = -1;
  int failedStretchSectors_ = 0;
  std::int64_t position_ = 0;
  int errorCode_ = 0;
  int lastOpenError_ = 0;
};

}  // namespace selvo
