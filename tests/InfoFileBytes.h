#pragma once
// Builds the bytes of an INFO index file for tests: header counts, first and
// last image numbers follow from the entries; titles are raw bytes.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "source/ByteOrder.h"

namespace selvo::test {

struct InfoEntryFields {
  std::uint32_t seconds = 0;
  std::uint32_t stampMs = 0;
  std::int8_t channel = 0;
};

inline std::vector<std::uint8_t> InfoFileBytes(const std::vector<InfoEntryFields>& entries,
                                               const std::map<int, std::string>& titles = {}) {
  std::vector<std::uint8_t> bytes(1024 + 16 * entries.size(), 0);
  WriteLe32(bytes.data(), static_cast<std::uint32_t>(entries.size()));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::uint8_t* entry = bytes.data() + 1024 + 16 * i;
    WriteLe32(entry, entries[i].seconds);
    WriteLe32(entry + 4, entries[i].stampMs);
    entry[8] = static_cast<std::uint8_t>(entries[i].channel);
    const int channel = entries[i].channel;
    if (channel < 0 || channel > 15) continue;
    std::uint8_t* count = bytes.data() + 16 + 4 * channel;
    WriteLe32(count, ReadLe32(count) + 1);
    std::uint8_t* first = bytes.data() + 464 + 4 * channel;
    if (ReadLe32(first) == 0) WriteLe32(first, static_cast<std::uint32_t>(i + 1));
    WriteLe32(bytes.data() + 528 + 4 * channel, static_cast<std::uint32_t>(i + 1));
  }
  for (const auto& [channel, title] : titles) {
    for (std::size_t k = 0; k < title.size() && k < 16; ++k) bytes[208 + 16 * channel + k] = static_cast<std::uint8_t>(title[k]);
  }
  return bytes;
}

}  // namespace selvo::test
