#include "fuzz/ScratchFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "source/StdioFile.h"

namespace selvo::fuzz {

namespace fs = std::filesystem;

ScratchFolder& ScratchFolder::Instance() {
  static ScratchFolder folder;
  return folder;
}

ScratchFolder::ScratchFolder() {
  std::error_code error;
  std::string pattern = (fs::temp_directory_path(error) / "selvo-fuzz-XXXXXX").string();
  if (error) pattern = "/tmp/selvo-fuzz-XXXXXX";
  // A harness that cannot write its input anywhere would only fuzz nothing.
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("selvo fuzz: mkdtemp");
    std::abort();
  }
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code error;
  fs::remove_all(path_, error);
}

void ScratchFolder::Empty() const {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(path_, error)) {
    std::error_code ignored;
    fs::remove_all(entry.path(), ignored);
  }
}

bool ScratchFolder::Write(const std::string& relativePath, const std::uint8_t* bytes, std::size_t length) const {
  const fs::path target = fs::path(path_) / relativePath;
  std::error_code error;
  fs::create_directories(target.parent_path(), error);
  if (error) return false;
  StdioFile file(target.string(), "wb");
  if (!file.IsOpen()) return false;
  const bool written = length == 0 || std::fwrite(bytes, 1, length, file.Get()) == length;
  return file.Close() && written;
}

}  // namespace selvo::fuzz
