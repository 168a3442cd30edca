#pragma once
// A scratch folder for one test, removed with everything in it afterwards.
#include <cstdint>
#include <string>
#include <vector>

namespace selvo::test {

class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::string& Path() const { return path_; }
  // Path of a name below the folder ("a/b.jpg").
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // Writes a file, creating parent folders. Returns its full path.
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
  std::string Write(const std::string& name, const std::string& text) const;
  std::string MakeDir(const std::string& name) const;

 private:
  std::string path_;
};

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

}  // namespace selvo::test
