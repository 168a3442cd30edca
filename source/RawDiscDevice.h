#pragma once
// 2048-byte blocks of a recorder disc, read by block address. A drive is
// named either by a path (a CD device node, or a file holding a dump of the
// disc) or by its position in the list of the machine's CD drives.
#include <cstdint>
#include <string>

namespace selvo {

class RawDiscDevice {
 public:
  static constexpr int kSuccess = 1;
  static constexpr int kCommandFailed = -1;
  static constexpr int kNotAvailable = -2;  // no such route, or not open
  static constexpr int kOpenFailed = -3;

  static constexpr int kBlockBytes = 2048;
  // Most blocks one Read may ask for: 64 KB, so that a disc is read in
  // stretches large enough for the drive or file system to stream them.
  static constexpr int kMaxBlocksPerRead = 32;
  // The error value for a drive without a (spun-up) disc: the recorder
  // viewer's "not ready" (21), negated so that it is never taken for the
  // errno value 21 (EISDIR) that the other open failures leave.
  static constexpr int kErrorNotReady = -21;
  // A device node that takes no SCSI command (/dev/null, a loop device):
  // told at once as not a drive, never waited on as one not ready.
  static constexpr int kErrorNotADrive = -22;

  virtual ~RawDiscDevice() = default;

  virtual int OpenByPath(const std::string& path) = 0;
  virtual int OpenByIndex(int index) = 0;
  // Reads count blocks (1..kMaxBlocksPerRead) at the current block address
  // into dest and advances the address by count. dest is only meaningful
  // when the result is kSuccess.
  virtual int Read(std::uint8_t* dest, int count) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  void SetLba(std::uint32_t lba) { lba_ = lba; }
  // The next reads repeat one that failed: a device that can bound how long
  // a command waits keeps them short.
  void SetRetrying(bool retrying) { retrying_ = retrying; }
  std::uint32_t Lba() const { return lba_; }
  // Why the last open failed: kErrorNotReady, kErrorNotADrive, or an errno value.
  int LastError() const { return lastError_; }
  // The device node or file the last open tried ("" before any).
  const std::string& Path() const { return path_; }

 protected:
  static bool IsValidBlockCount(int count) { return count >= 1 && count <= kMaxBlocksPerRead; }
  // Read for a device that fetches one block at a time: readOne(lba, dest)
  // for each block; the address advances only when every block was read.
  template <typename ReadOne>
  int ReadBlockByBlock(std::uint8_t* dest, int count, ReadOne readOne) {
    if (!IsOpen()) return kNotAvailable;
    if (dest == nullptr || !IsValidBlockCount(count)) return kCommandFailed;
    for (int block = 0; block < count; ++block) {
      if (!readOne(lba_ + static_cast<std::uint32_t>(block), dest + block * kBlockBytes)) return kCommandFailed;
    }
    AdvanceLba(count);
    return kSuccess;
  }
  void AdvanceLba(int count) { lba_ += static_cast<std::uint32_t>(count); }
  void SetLastError(int error) { lastError_ = error; }
  void SetPath(const std::string& path) { path_ = path; }
  bool IsRetrying() const { return retrying_; }

 private:
  std::uint32_t lba_ = 0;
  int lastError_ = 0;
  bool retrying_ = false;
  std::string path_;
};

}  // namespace selvo
