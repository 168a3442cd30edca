#pragma once
// The millisecond stamps of "time.txt": line k is the stamp of image k.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace selvo {

class TimeList {
 public:
  // Only the first characters of a line count; the rest of an over-long
  // line is skipped so that later lines keep their image numbers.
  static constexpr std::size_t kLineCharacters = 255;
  static constexpr std::size_t kNoLineLimit = std::numeric_limits<std::size_t>::max();

  // Replaces the list with the file's first maxLines lines; false (and
  // empty) when the path is not a regular file or cannot be read. The file
  // is read as a stream, so its size costs no memory beyond the stamps kept.
  bool Load(const std::string& path, std::size_t maxLines = kNoLineLimit);
  // Parses text the way Load parses a file's contents.
  void LoadText(const std::string& text);
  void Clear() { values_.clear(); }

  // The list counts as present when it holds at least one stamp.
  bool Present() const { return !values_.empty(); }
  std::size_t Size() const { return values_.size(); }
  bool Has(std::size_t index) const { return index < values_.size(); }
  std::uint32_t At(std::size_t index) const { return values_[index]; }

 private:
  class LineCutter;

  std::vector<std::uint32_t> values_;
};

}  // namespace selvo
