#include "tools/recwriter/CompressedDataTamper.h"

#include <algorithm>

namespace selvo {
namespace {

constexpr std::uint8_t kMarker = 0xFF;

bool IsStandaloneJpegMarker(std::uint8_t code) {
  return code == 0xD8 || code == 0x01 || (code >= 0xD0 && code <= 0xD7);
}

bool IsRestartMarker(std::uint8_t code) { return code >= 0xD0 && code <= 0xD7; }

// A small generator of our own: the same seed flips the same bytes with any
// standard library.
class SeededPositions {
 public:
  explicit SeededPositions(std::uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }

 private:
  std::uint32_t state_;
};

bool Flippable(const std::vector<std::uint8_t>& bytes, std::size_t at, const ByteSpan& span) {
  if (bytes[at] == kMarker) return false;
  return at == span.begin || bytes[at - 1] != kMarker;
}

}  // namespace

std::optional<ByteSpan> FindJpegScanData(const std::vector<std::uint8_t>& b) {
  if (b.size() < 4 || b[0] != kMarker || b[1] != 0xD8) return std::nullopt;
  std::size_t p = 2;
  while (p + 1 < b.size()) {
    if (b[p] != kMarker) return std::nullopt;
    while (p + 1 < b.size() && b[p + 1] == kMarker) ++p;  // fill bytes
    if (p + 1 >= b.size()) return std::nullopt;
    const std::uint8_t code = b[p + 1];
    if (IsStandaloneJpegMarker(code)) {
      p += 2;
      continue;
    }
    if (p + 4 > b.size()) return std::nullopt;
    const std::size_t length = static_cast<std::size_t>(b[p + 2]) << 8 | b[p + 3];
    if (length < 2 || p + 2 + length > b.size()) return std::nullopt;
    if (code != 0xDA) {
      p += 2 + length;
      continue;
    }
    ByteSpan span;
    span.begin = p + 2 + length;
    span.end = span.begin;
    while (span.end + 1 < b.size() &&
           !(b[span.end] == kMarker && b[span.end + 1] != 0x00 && !IsRestartMarker(b[span.end + 1]))) {
      ++span.end;
    }
    if (span.end + 1 >= b.size()) span.end = b.size();
    if (span.Size() == 0) return std::nullopt;
    return span;
  }
  return std::nullopt;
}

std::optional<ByteSpan> FindJp2PacketData(const std::vector<std::uint8_t>& b) {
  std::size_t p = 0;
  while (p + 1 < b.size() && !(b[p] == kMarker && b[p + 1] == 0x93)) ++p;
  if (p + 1 >= b.size()) return std::nullopt;
  ByteSpan span;
  span.begin = p + 2;
  span.end = span.begin;
  while (span.end + 1 < b.size() && !(b[span.end] == kMarker && b[span.end + 1] == 0xD9)) ++span.end;
  if (span.end + 1 >= b.size() || span.Size() == 0) return std::nullopt;
  return span;
}

std::vector<std::size_t> FlipDataBytes(std::vector<std::uint8_t>& bytes, ByteSpan span, std::uint32_t seed,
                                       int count) {
  std::vector<std::size_t> flipped;
  span.end = std::min(span.end, bytes.size());
  if (span.begin >= span.end || count <= 0) return flipped;
  SeededPositions random(seed);
  // Enough draws to find count flippable bytes in any span that has them.
  const std::size_t attempts = static_cast<std::size_t>(count) * 64 + span.Size();
  for (std::size_t attempt = 0; attempt < attempts && flipped.size() < static_cast<std::size_t>(count); ++attempt) {
    const std::size_t at = span.begin + random.Next() % span.Size();
    if (!Flippable(bytes, at, span) || std::find(flipped.begin(), flipped.end(), at) != flipped.end()) continue;
    std::uint8_t mask = static_cast<std::uint8_t>(random.Next() % 255 + 1);
    if ((bytes[at] ^ mask) == kMarker) mask = static_cast<std::uint8_t>(mask == 1 ? 2 : mask ^ 0x01);
    bytes[at] = static_cast<std::uint8_t>(bytes[at] ^ mask);
    flipped.push_back(at);
  }
  return flipped;
}

}  // namespace selvo
