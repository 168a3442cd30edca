#pragma once
// The millisecond stamps of "time.txt": line k is the stamp of image k.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace selvo {

class TimeList {
 public:
  // Only the first characters of a line count; the rest of an over-long
  // line is skipped so that later lines keep their image numbers.
  static constexpr std::size_t kLineCharacters = 255;

  // Replaces the list with the file's lines; false (and empty) when the
  // file cannot be read.
  bool Load(const std::string& path);
  // Parses text the way Load parses a file's contents.
  void LoadText(const std::string& text);
  void Clear() { values_.clear(); }

  // The list counts as present when it holds at least one stamp.
  bool Present() const { return !values_.empty(); }
  std::size_t Size() const { return values_.size(); }
  bool Has(std::size_t index) const { return index < values_.size(); }
  std::uint32_t At(std::size_t index) const { return values_[index]; }

 private:
  std::vector<std::uint32_t> values_;
};

}  // namespace selvo
