// Feeds every file of the given files and folders (folders not recursed
// into) to the harness, so that the corpus runs as a plain test under the
// regular build's sanitizers without a fuzzing engine.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// Folder entries sorted so that a failing run names the same file each time.
std::vector<fs::path> InputFiles(const fs::path& argument, std::error_code& error) {
  std::vector<fs::path> files;
  if (!fs::is_directory(argument, error)) {
    if (!error) files.push_back(argument);
    return files;
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(argument, error)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool Replay(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return false;
  // Exactly the input's size, so that the sanitizer sees a read past its end.
  input.shrink_to_fit();
  LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
    return 2;
  }
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    const std::vector<fs::path> files = InputFiles(argv[i], error);
    if (error) {
      std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[i], error.message().c_str());
      return 1;
    }
    for (const fs::path& file : files) {
      if (!Replay(file)) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], file.c_str());
        return 1;
      }
      ++replayed;
    }
  }
  if (replayed == 0) {
    std::fprintf(stderr, "%s: no inputs\n", argv[0]);
    return 1;
  }
  std::printf("%zu inputs replayed\n", replayed);
  return 0;
}
