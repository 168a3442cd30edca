#pragma once
// The one owner of a stdio stream, for files written with formatted or
// buffered output: closed exactly once. Close reports whether the buffered
// data reached the file.
#include <cstdio>
#include <string>

namespace selvo {

class StdioFile {
 public:
  StdioFile(const std::string& path, const char* mode) : file_(std::fopen(path.c_str(), mode)) {}
  ~StdioFile() { Close(); }
  StdioFile(const StdioFile&) = delete;
  StdioFile& operator=(const StdioFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  std::FILE* Get() const { return file_; }
  // false when flushing or closing failed; a stream not open closes cleanly.
  bool Close() {
    if (file_ == nullptr) return true;
    std::FILE* file = file_;
    file_ = nullptr;
    return std::fclose(file) == 0;
  }

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace selvo
