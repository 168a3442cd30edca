#pragma once
// Splits one fuzzer input into several files' contents. The rule is kept
// simple so that the fuzzer can find and keep it: the parts are separated by
// the marker kPartMarker, and the seed generator joins parts the same way.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace selvo::fuzz {

inline constexpr std::string_view kPartMarker = "--8<--";

struct InputPart {
  const std::uint8_t* bytes;
  std::size_t length;
};

// At most maxParts parts; the last one keeps whatever follows, markers and all.
std::vector<InputPart> SplitInput(const std::uint8_t* data, std::size_t size, std::size_t maxParts);

// The inverse for the seed generator.
std::vector<std::uint8_t> JoinParts(const std::vector<std::vector<std::uint8_t>>& parts);

}  // namespace selvo::fuzz
