#pragma once
// Changes bytes of an image's compressed data the way an edit of the picture
// would, for any JPEG or JPEG 2000 file, not only the ones we write: the
// markers stay intact, so the file still looks well formed and the damage
// is left to the decoder and the recorder's check to find.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace selvo {

struct ByteSpan {
  std::size_t begin = 0;
  std::size_t end = 0;  // one past the last byte
  std::size_t Size() const { return end - begin; }
};

// The entropy-coded data of a JPEG's first scan: from the first byte after
// the start-of-scan header to the marker that ends the scan. Nothing when
// the marker segments before it do not hold together.
std::optional<ByteSpan> FindJpegScanData(const std::vector<std::uint8_t>& bytes);

// The packet data of a JPEG 2000 codestream: after its first start-of-data
// marker up to the end-of-codestream marker.
std::optional<ByteSpan> FindJp2PacketData(const std::vector<std::uint8_t>& bytes);

// Flips count bytes at positions drawn from seed inside span (seeded, so a
// failing case can be replayed). A byte of a marker or of byte stuffing (an
// FF, or the byte after one) is never touched and no FF is made, so no
// marker appears or disappears. Returns the positions changed, fewer than
// count when the span has too few such bytes.
std::vector<std::size_t> FlipDataBytes(std::vector<std::uint8_t>& bytes, ByteSpan span, std::uint32_t seed,
                                       int count);

}  // namespace selvo
