#include "source/TimeList.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace selvo {
namespace {

// atol's reading of a line: blanks skipped, optional sign, digits; a line
// without a number gives 0. strtol is used because atol's overflow is
// undefined; negative values wrap as the recorder's 32-bit stamps would.
std::uint32_t StampFromLine(const char* line, std::size_t length) {
  char buffer[TimeList::kLineCharacters + 1];
  std::memcpy(buffer, line, length);
  buffer[length] = '\0';
  return static_cast<std::uint32_t>(std::strtol(buffer, nullptr, 10));
}

bool ReadWholeFile(const std::string& path, std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char chunk[64 * 1024];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

}  // namespace

bool TimeList::Load(const std::string& path) {
  values_.clear();
  std::string text;
  if (!ReadWholeFile(path, text)) return false;
  LoadText(text);
  return true;
}

void TimeList::LoadText(const std::string& text) {
  values_.clear();
  values_.reserve(text.size() / 8);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::size_t length = std::min(end - start, kLineCharacters);
    values_.push_back(StampFromLine(text.data() + start, length));
    start = end + 1;
  }
}

}  // namespace selvo
