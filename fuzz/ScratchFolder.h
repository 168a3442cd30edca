#pragma once
// A private temporary folder for harnesses whose code under test reads
// files by path. Made once per process, emptied before each input and
// removed at exit, so that runs stay deterministic and leave nothing behind.
#include <cstddef>
#include <cstdint>
#include <string>

namespace selvo::fuzz {

class ScratchFolder {
 public:
  // The process-wide folder; created on first use.
  static ScratchFolder& Instance();

  const std::string& Path() const { return path_; }
  // Removes everything inside the folder, keeping the folder itself.
  void Empty() const;
  // Writes bytes to Path()/relativePath, creating the parent folders on the
  // way; false when the file system refuses.
  bool Write(const std::string& relativePath, const std::uint8_t* bytes, std::size_t length) const;

  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

 private:
  ScratchFolder();
  ~ScratchFolder();

  std::string path_;
};

}  // namespace selvo::fuzz
