#include "source/TrailerParser.h"

#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "source/ByteOrder.h"
#include "source/FileBytes.h"

namespace selvo {
namespace {

constexpr std::uint8_t kMarkerPrefix = 0xFF;
constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// Sequential reader with the recorder tools' rule for running off the end:
// such a read yields 0xFF and marks the end as reached.
class TrailerReader {
 public:
  TrailerReader(const std::uint8_t* bytes, std::size_t length) : bytes_(bytes), length_(length) {}

  std::uint8_t Byte() {
    if (pos_ < length_) return bytes_[pos_++];
    atEnd_ = true;
    return 0xFF;
  }
  std::uint16_t Le16() {
    const std::uint8_t low = Byte();
    return static_cast<std::uint16_t>(low | (Byte() << 8));
  }
  std::uint32_t Le32() {
    const std::uint32_t low = Le16();
    return low | (static_cast<std::uint32_t>(Le16()) << 16);
  }
  // Little-endian, with bytes beyond the end counted as 0 instead of 0xFF.
  std::uint32_t Le32ZeroPadded() {
    std::uint8_t word[4] = {0, 0, 0, 0};
    for (std::uint8_t& b : word) {
      if (pos_ >= length_) break;
      b = bytes_[pos_++];
    }
    return ReadLe32(word);
  }
  void Skip(std::size_t count) {
    if (count > length_ - pos_) {
      pos_ = length_;
      atEnd_ = true;
    } else {
      pos_ += count;
    }
  }
  void MoveTo(std::size_t pos) {
    if (pos > length_) {
      pos_ = length_;
      atEnd_ = true;
    } else {
      pos_ = pos;
    }
  }

  std::size_t Pos() const { return pos_; }
  std::size_t Left() const { return length_ - pos_; }
  bool AtEnd() const { return atEnd_; }

 private:
  const std::uint8_t* bytes_;
  std::size_t length_;
  std::size_t pos_ = 0;
  bool atEnd_ = false;
};

// Index of the second byte of the first pair FF <second> whose FF lies at or
// after `from`, or kNotFound. memchr keeps the long runs between markers cheap.
std::size_t FindMarker(const std::uint8_t* bytes, std::size_t length, std::size_t from, std::uint8_t second) {
  while (from + 1 < length) {
    const void* hit = std::memchr(bytes + from, kMarkerPrefix, length - 1 - from);
    if (hit == nullptr) return kNotFound;
    const std::size_t at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - bytes);
    if (bytes[at + 1] == second) return at + 1;
    from = at + 1;
  }
  return kNotFound;
}

// Sum of the bytes read as big-endian 16-bit words; an odd final byte is
// completed with 0xFF. Only the low 16 bits matter, so wrapping is harmless.
std::uint16_t BigEndianWordSum(const std::uint8_t* bytes, std::size_t count) {
  std::uint32_t high = 0;
  std::uint32_t low = 0;
  const std::size_t pairs = count / 2;
  for (std::size_t i = 0; i < pairs; ++i) {
    high += bytes[2 * i];
    low += bytes[2 * i + 1];
  }
  if (count % 2 != 0) {
    high += bytes[count - 1];
    low += 0xFF;
  }
  return static_cast<std::uint16_t>((high << 8) + low);
}

std::uint16_t ByteSum(const std::uint8_t* bytes, std::size_t count) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += bytes[i];
  return static_cast<std::uint16_t>(sum);
}

// Applies the seconds rule shared by both trailers.
void TakeRecorderSeconds(std::uint32_t seconds, ImageInfo& info) {
  if (seconds >= kRecorderTimeLimit) {
    info.status |= kNoValidTime;
  } else {
    info.recordTime = CalendarFromRecorderSeconds(seconds);
  }
}

struct TrailerTime {
  std::uint16_t timeSum = 0;
  std::uint32_t seconds = 0;
};

// The time check sum and the seconds that open a trailer with time; without
// them the image carries no valid time.
TrailerTime ReadTrailerTime(TrailerReader& reader, bool hasTime, ImageInfo& info) {
  TrailerTime time;
  if (!hasTime) {
    info.status |= kNoValidTime;
    return time;
  }
  time.timeSum = reader.Le16();
  time.seconds = reader.Le32();
  TakeRecorderSeconds(time.seconds, info);
  return time;
}

// Position of the DB byte of the first quantisation table marker, skipping
// application segments by their stated length; kNotFound at the end of data.
std::size_t FindFirstQuantisationTable(const std::uint8_t* bytes, std::size_t length) {
  std::size_t from = 2;
  for (;;) {
    const void* hit = from + 1 < length ? std::memchr(bytes + from, kMarkerPrefix, length - 1 - from) : nullptr;
    if (hit == nullptr) return kNotFound;
    const std::size_t at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - bytes);
    const std::uint8_t code = bytes[at + 1];
    if (code == 0xDB) return at + 1;
    if (code >= 0xE0 && code <= 0xEF) {
      const std::size_t lengthPos = at + 2;
      if (lengthPos + 2 > length) return kNotFound;
      // The stated length counts its own two bytes.
      from = lengthPos + ReadBe16(bytes + lengthPos);
    } else {
      from = at + 1;
    }
  }
}

// The compressed data's check values, from its first byte through the D9 of
// the end-of-image marker.
struct JpegDataCheck {
  std::uint16_t sum = 0;
  std::size_t count = 0;
};

// The D9 of the first FF D9 pair at or after `from` (kNotFound when none),
// with the word sum of the bytes from `from` through it in sum. The data is
// the bulk of every image: it is walked once, sixteen bytes at a time,
// looking for the pair and summing together.
std::size_t SumToEndMarker(const std::uint8_t* bytes, std::size_t length, std::size_t from, std::uint16_t& sum) {
  std::size_t i = from;
  std::uint16_t blocksSum = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i markerPrefix = _mm_set1_epi8(static_cast<char>(kMarkerPrefix));
  const __m128i endCode = _mm_set1_epi8(static_cast<char>(0xD9));
  // In each little-endian 16-bit lane, the byte at the even offset: the
  // high byte of a big-endian word, since blocks start at even offsets from `from`.
  const __m128i wordHighBytes = _mm_set1_epi16(0x00FF);
  __m128i allBytes = zero;
  __m128i highBytes = zero;
  // A pair may start at the block's last byte, so one byte past it must exist.
  for (; length - i > 16; i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const __m128i nextBytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i + 1));
    const __m128i pairs = _mm_and_si128(_mm_cmpeq_epi8(block, markerPrefix), _mm_cmpeq_epi8(nextBytes, endCode));
    if (_mm_movemask_epi8(pairs) != 0) break;
    allBytes = _mm_add_epi64(allBytes, _mm_sad_epu8(block, zero));
    highBytes = _mm_add_epi64(highBytes, _mm_sad_epu8(_mm_and_si128(block, wordHighBytes), zero));
  }
  std::uint64_t all[2];
  std::uint64_t high[2];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(all), allBytes);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(high), highBytes);
  const std::uint64_t highSum = high[0] + high[1];
  const std::uint64_t lowSum = all[0] + all[1] - highSum;
  blocksSum = static_cast<std::uint16_t>((highSum << 8) + lowSum);
#endif
  const std::size_t endMarker = FindMarker(bytes, length, i, 0xD9);
  if (endMarker == kNotFound) return kNotFound;
  sum = static_cast<std::uint16_t>(blocksSum + BigEndianWordSum(bytes + i, endMarker - i + 1));
  return endMarker;
}

// Reads up to the end-of-image marker; false when the data ends first.
bool SumJpegData(const std::uint8_t* bytes, std::size_t length, TrailerReader& reader, JpegDataCheck& check) {
  const std::size_t first = reader.Pos();
  if (reader.AtEnd() || first >= length) return false;
  const std::size_t endMarker = SumToEndMarker(bytes, length, first, check.sum);
  if (endMarker == kNotFound) return false;
  check.count = endMarker - first + 1;
  reader.MoveTo(endMarker + 1);
  return true;
}

// Pads the count to a multiple of 32 the way the recorder does; true when the
// padding runs into another FF DB pair, which means no time follows.
bool AlignToRecorderBlock(TrailerReader& reader, std::size_t count) {
  std::uint8_t previous = 0xFF;  // the end marker's FF pairs with the first byte
  while (count % 32 != 0) {
    const std::uint8_t current = reader.Byte();
    if (reader.AtEnd()) return false;
    ++count;
    if (previous == 0xFF && current == 0xDB) return true;
    previous = current;
  }
  return false;
}

}  // namespace

bool ParseJpegInfo(const std::uint8_t* bytes, std::size_t length, ImageInfo& info) {
  info.status = 0;
  if (bytes == nullptr || length < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) return false;

  const std::size_t tableMarker = FindFirstQuantisationTable(bytes, length);
  if (tableMarker == kNotFound) return false;
  TrailerReader reader(bytes, length);
  reader.MoveTo(tableMarker + 1);
  reader.Skip(63);
  // Braced initialisers are evaluated in order.
  const std::uint8_t dqt4[4] = {reader.Byte(), reader.Byte(), reader.Byte(), reader.Byte()};
  if (reader.AtEnd()) return false;

  // The last table byte read still counts as the first half of a pair.
  const std::size_t scanMarker = FindMarker(bytes, length, reader.Pos() - 1, 0xDA);
  if (scanMarker == kNotFound) return false;
  reader.MoveTo(scanMarker + 1);
  reader.Skip(12);

  JpegDataCheck data;
  if (!SumJpegData(bytes, length, reader, data)) {
    info.status = kNoTrailer;
    info.stampMs = 0;
    return true;
  }
  const bool anotherTable = AlignToRecorderBlock(reader, data.count);

  const std::size_t trailerBytes = reader.Left();
  if (trailerBytes < 6) {
    info.status = kNoTrailer;
    return true;
  }
  const bool hasTime = trailerBytes >= 12 && !anotherTable;
  const TrailerTime time = ReadTrailerTime(reader, hasTime, info);
  const std::uint16_t timeSum = time.timeSum;
  const std::uint32_t seconds = time.seconds;

  // At least 6 bytes are left here, so no read runs off the end.
  const std::uint16_t storedSum = reader.Le16();
  bool tableMatches = true;
  for (std::uint8_t expected : dqt4) tableMatches = (reader.Byte() == expected) && tableMatches;
  if (storedSum != data.sum || !tableMatches) info.status |= kImageAltered;

  if (hasTime) {
    const std::uint16_t expected =
        static_cast<std::uint16_t>(data.sum + (seconds & 0xFFFF) + (seconds >> 16));
    if (timeSum != expected) info.status |= kTimeAltered;
  }
  info.stampMs = ReadLe32(bytes + length - 4);
  return true;
}

bool ParseJp2Info(const std::uint8_t* bytes, std::size_t length, ImageInfo& info) {
  static constexpr std::uint8_t kSignatureBox[12] = {0x00, 0x00, 0x00, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  static constexpr std::uint8_t kTypeBoxHead[12] = {0x00, 0x00, 0x00, 0x14, 'f', 't', 'y', 'p', 'j', 'p', '2', ' '};
  static constexpr std::uint8_t kCompatibility[4] = {'j', 'p', '2', ' '};
  static constexpr std::size_t kBoxesEnd = 32;

  info.status = 0;
  if (bytes == nullptr || length < kBoxesEnd) return false;
  if (std::memcmp(bytes, kSignatureBox, 12) != 0 || std::memcmp(bytes + 12, kTypeBoxHead, 12) != 0 ||
      std::memcmp(bytes + 28, kCompatibility, 4) != 0) {
    return false;
  }

  const std::size_t dataMarker = FindMarker(bytes, length, kBoxesEnd, 0x93);
  if (dataMarker == kNotFound) return false;
  const std::size_t sodOffset = dataMarker + 1;
  // The pair after the start marker must lie wholly past it.
  const std::size_t endMarker = FindMarker(bytes, length, sodOffset, 0xD9);
  if (endMarker == kNotFound) return false;
  const std::size_t count = endMarker - 1 - sodOffset;
  const std::uint16_t sum = ByteSum(bytes + sodOffset, count);

  TrailerReader reader(bytes, length);
  reader.MoveTo(endMarker + 1);
  const std::size_t trailerBytes = reader.Left();
  if (trailerBytes < 6) {
    info.status = kNoTrailer;
    return true;
  }
  const bool hasTime = trailerBytes >= 20;
  const TrailerTime time = ReadTrailerTime(reader, hasTime, info);
  const std::uint16_t timeSum = time.timeSum;
  const std::uint32_t seconds = time.seconds;

  // Only the low halves of the stored offset and count are compared.
  if ((reader.Le32() & 0xFFFF) != (sodOffset & 0xFFFF)) info.status |= kImageAltered;
  if ((reader.Le32() & 0xFFFF) != (count & 0xFFFF)) info.status |= kImageAltered;
  if (reader.Le16() != sum) info.status |= kImageAltered;

  if (hasTime) {
    const std::uint32_t secondsBytes =
        (seconds & 0xFF) + ((seconds >> 8) & 0xFF) + ((seconds >> 16) & 0xFF) + (seconds >> 24);
    if (timeSum != static_cast<std::uint16_t>(sum + secondsBytes)) info.status |= kTimeAltered;
  }
  info.stampMs = reader.Le32ZeroPadded();
  return true;
}

void ReadImageFile(const std::string& path, int kind, bool hash, ImageFileReading& reading,
                   const ImageBytesUser& alsoUse) {
  // One buffer per thread: a check of a million images allocates it once.
  // A huge file's room is given back, not kept for the thread's lifetime.
  static constexpr std::size_t kKeptBufferBytes = 16 * 1024 * 1024;
  thread_local std::vector<std::uint8_t> bytes;
  reading.read = ReadWholeFile(path, bytes);
  reading.parsed = false;
  if (reading.read) {
    reading.parsed = kind == 1 ? ParseJpegInfo(bytes.data(), bytes.size(), reading.info)
                               : ParseJp2Info(bytes.data(), bytes.size(), reading.info);
    if (hash) reading.sha256 = Sha256::Of(bytes.data(), bytes.size());
    if (alsoUse) alsoUse(bytes.data(), bytes.size());
  }
  if (bytes.capacity() > kKeptBufferBytes) std::vector<std::uint8_t>().swap(bytes);
}

bool ReadImageInfo(const std::string& path, ImageInfo& info, int kind) {
  ImageFileReading reading;
  reading.info = info;
  ReadImageFile(path, kind, false, reading);
  if (reading.read) info = reading.info;
  return reading.parsed;
}

}  // namespace selvo
