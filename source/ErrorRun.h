#pragma once
#include <cstdint>

namespace selvo {

// A run of consecutive images that a copy could not write. Numbers are the
// 1-based image numbers, files the counters in the copied files' names.
struct ErrorRun {
  static constexpr std::uint16_t kFree = 0;
  static constexpr std::uint16_t kSingle = 1;
  static constexpr std::uint16_t kRun = 2;

  std::uint16_t state = kFree;
  std::uint16_t firstNumber = 0;
  std::uint16_t lastNumber = 0;  // kRun only
  std::uint16_t firstFile = 0;
  std::uint16_t lastFile = 0;  // kRun only
};

}  // namespace selvo
