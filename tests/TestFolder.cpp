#include "tests/TestFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace selvo::test {

TestFolder::TestFolder() {
  std::string pattern = (fs::temp_directory_path() / "selvo-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TestFolder::~TestFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TestFolder::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
  const fs::path full = fs::path(path_) / name;
  fs::create_directories(full.parent_path());
  std::ofstream out(full, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return full.string();
}

std::string TestFolder::Write(const std::string& name, const std::string& text) const {
  return Write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::string TestFolder::MakeDir(const std::string& name) const {
  const fs::path full = fs::path(path_) / name;
  fs::create_directories(full);
  return full.string();
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace selvo::test
