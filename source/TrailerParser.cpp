#include "source/TrailerParser.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "source/ByteOrder.h"
#include "source/FileBytes.h"
#include "source/FileDescriptor.h"
#include "source/FileWindow.h"

namespace selvo {
namespace {

constexpr std::uint8_t kMarkerPrefix = 0xFF;
constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// Sequential reader with the recorder tools' rule for running off the end:
// such a read yields 0xFF and marks the end as reached. Bytes is the image in
// memory or a file walked in pieces (both below); the rules are the same.
template <typename Bytes>
class TrailerReader {
 public:
  explicit TrailerReader(Bytes& bytes) : bytes_(bytes), length_(bytes.Length()) {}

  std::uint8_t Byte() {
    if (pos_ < length_) return bytes_.At(pos_++);
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
      b = bytes_.At(pos_++);
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
  Bytes& bytes_;
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
template <typename Reader>
TrailerTime ReadTrailerTime(Reader& reader, bool hasTime, ImageInfo& info) {
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

// Pads the count to a multiple of 32 the way the recorder does; true when the
// padding runs into another FF DB pair, which means no time follows.
template <typename Reader>
bool AlignToRecorderBlock(Reader& reader, std::size_t count) {
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

// An image held whole in memory.
class MemoryBytes {
 public:
  MemoryBytes(const std::uint8_t* bytes, std::size_t length) : bytes_(bytes), length_(length) {}
  std::size_t Length() const { return length_; }
  std::uint8_t At(std::size_t pos) const { return bytes_[pos]; }
  bool Equals(std::size_t pos, const std::uint8_t* expected, std::size_t count) const {
    return std::memcmp(bytes_ + pos, expected, count) == 0;
  }
  std::size_t FindMarker(std::size_t from, std::uint8_t second) const {
    return selvo::FindMarker(bytes_, length_, from, second);
  }
  std::size_t FindFirstQuantisationTable() const { return selvo::FindFirstQuantisationTable(bytes_, length_); }
  std::size_t SumToEndMarker(std::size_t from, std::uint16_t& sum) const {
    return selvo::SumToEndMarker(bytes_, length_, from, sum);
  }
  // The D9 of the first FF D9 pair at or after from, with the byte sum of
  // the bytes from `from` up to its FF.
  std::size_t ByteSumToEndMarker(std::size_t from, std::uint16_t& sum) const {
    const std::size_t endMarker = FindMarker(from, 0xD9);
    if (endMarker != kNotFound) sum = ByteSum(bytes_ + from, endMarker - 1 - from);
    return endMarker;
  }
  std::uint32_t LastLe32() const { return ReadLe32(bytes_ + length_ - 4); }

 private:
  const std::uint8_t* bytes_;
  std::size_t length_;
};

// A file walked forward through a FileWindow: the same answers as the
// image in memory, with only a piece of it there at a time. The searches
// look at what the window holds and move on; a pair split over two pieces
// is found because each piece's last byte is looked at again with the next.
class WindowBytes {
 public:
  explicit WindowBytes(FileWindow& window) : window_(window) {}
  std::size_t Length() const { return window_.Length(); }
  std::uint8_t At(std::size_t pos) { return window_.At(pos); }
  bool Equals(std::size_t pos, const std::uint8_t* expected, std::size_t count) {
    const std::uint8_t* at = nullptr;
    return window_.Span(pos, count, at) >= count && std::memcmp(at, expected, count) == 0;
  }
  // The first FF at or after from that is not the last byte.
  std::size_t FindPrefix(std::size_t from) {
    while (from + 1 < Length()) {
      const std::uint8_t* at = nullptr;
      const std::size_t span = std::min(window_.Span(from, FileWindow::kMinSpan, at), Length() - 1 - from);
      if (span == 0) return kNotFound;
      const void* hit = std::memchr(at, kMarkerPrefix, span);
      if (hit != nullptr) return from + static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - at);
      from += span;
    }
    return kNotFound;
  }
  std::size_t FindMarker(std::size_t from, std::uint8_t second) {
    for (;;) {
      const std::size_t at = FindPrefix(from);
      if (at == kNotFound) return kNotFound;
      if (At(at + 1) == second) return at + 1;
      from = at + 1;
    }
  }
  std::size_t FindFirstQuantisationTable() {
    std::size_t from = 2;
    for (;;) {
      const std::size_t at = FindPrefix(from);
      if (at == kNotFound) return kNotFound;
      const std::uint8_t code = At(at + 1);
      if (code == 0xDB) return at + 1;
      if (code >= 0xE0 && code <= 0xEF) {
        const std::size_t lengthPos = at + 2;
        if (lengthPos + 2 > Length()) return kNotFound;
        from = lengthPos + ((At(lengthPos) << 8) | At(lengthPos + 1));
      } else {
        from = at + 1;
      }
    }
  }
  // Word sums need pieces that start an even distance from `from`; each
  // piece but the last leaves its final byte to the next.
  std::size_t SumToEndMarker(std::size_t from, std::uint16_t& sum) {
    std::uint16_t total = 0;
    for (std::size_t pos = from;;) {
      const std::uint8_t* at = nullptr;
      const std::size_t span = window_.Span(pos, kPieceBytes, at);
      if (span < 2) return kNotFound;
      std::uint16_t pieceSum = 0;
      const std::size_t endMarker = selvo::SumToEndMarker(at, span, 0, pieceSum);
      if (endMarker != kNotFound) {
        sum = static_cast<std::uint16_t>(total + pieceSum);
        return pos + endMarker;
      }
      if (pos + span >= Length()) return kNotFound;
      const std::size_t whole = (span - 1) & ~std::size_t{1};
      total = static_cast<std::uint16_t>(total + BigEndianWordSum(at, whole));
      pos += whole;
    }
  }
  std::size_t ByteSumToEndMarker(std::size_t from, std::uint16_t& sum) {
    std::uint16_t total = 0;
    for (std::size_t pos = from;;) {
      const std::uint8_t* at = nullptr;
      const std::size_t span = window_.Span(pos, kPieceBytes, at);
      if (span < 2) return kNotFound;
      const std::size_t endMarker = selvo::FindMarker(at, span, 0, 0xD9);
      if (endMarker != kNotFound) {
        sum = static_cast<std::uint16_t>(total + ByteSum(at, endMarker - 1));
        return pos + endMarker;
      }
      if (pos + span >= Length()) return kNotFound;
      total = static_cast<std::uint16_t>(total + ByteSum(at, span - 1));
      pos += span - 1;
    }
  }
  std::uint32_t LastLe32() {
    const std::uint8_t* at = nullptr;
    return window_.Span(Length() - 4, 4, at) >= 4 ? ReadLe32(at) : 0;
  }

  static constexpr std::size_t kPieceBytes = std::size_t{1} << 20;

 private:
  FileWindow& window_;
};

template <typename Bytes>
bool ParseJpegWith(Bytes& bytes, ImageInfo& info) {
  info.status = 0;
  const std::size_t length = bytes.Length();
  if (length < 2 || bytes.At(0) != 0xFF || bytes.At(1) != 0xD8) return false;

  const std::size_t tableMarker = bytes.FindFirstQuantisationTable();
  if (tableMarker == kNotFound) return false;
  TrailerReader<Bytes> reader(bytes);
  reader.MoveTo(tableMarker + 1);
  reader.Skip(63);
  // Braced initialisers are evaluated in order.
  const std::uint8_t dqt4[4] = {reader.Byte(), reader.Byte(), reader.Byte(), reader.Byte()};
  if (reader.AtEnd()) return false;

  // The last table byte read still counts as the first half of a pair.
  const std::size_t scanMarker = bytes.FindMarker(reader.Pos() - 1, 0xDA);
  if (scanMarker == kNotFound) return false;
  reader.MoveTo(scanMarker + 1);
  reader.Skip(12);

  // The compressed data's check values, from its first byte through the D9
  // of the end-of-image marker.
  const std::size_t first = reader.Pos();
  std::uint16_t dataSum = 0;
  const std::size_t endMarker =
      reader.AtEnd() || first >= length ? kNotFound : bytes.SumToEndMarker(first, dataSum);
  if (endMarker == kNotFound) {
    info.status = kNoTrailer;
    info.stampMs = 0;
    return true;
  }
  reader.MoveTo(endMarker + 1);
  const bool anotherTable = AlignToRecorderBlock(reader, endMarker - first + 1);

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
  if (storedSum != dataSum || !tableMatches) info.status |= kImageAltered;

  if (hasTime) {
    const std::uint16_t expected =
        static_cast<std::uint16_t>(dataSum + (seconds & 0xFFFF) + (seconds >> 16));
    if (timeSum != expected) info.status |= kTimeAltered;
  }
  info.stampMs = bytes.LastLe32();
  return true;
}

template <typename Bytes>
bool ParseJp2With(Bytes& bytes, ImageInfo& info) {
  static constexpr std::uint8_t kSignatureBox[12] = {0x00, 0x00, 0x00, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  static constexpr std::uint8_t kTypeBoxHead[12] = {0x00, 0x00, 0x00, 0x14, 'f', 't', 'y', 'p', 'j', 'p', '2', ' '};
  static constexpr std::uint8_t kCompatibility[4] = {'j', 'p', '2', ' '};
  static constexpr std::size_t kBoxesEnd = 32;

  info.status = 0;
  if (bytes.Length() < kBoxesEnd) return false;
  if (!bytes.Equals(0, kSignatureBox, 12) || !bytes.Equals(12, kTypeBoxHead, 12) ||
      !bytes.Equals(28, kCompatibility, 4)) {
    return false;
  }

  const std::size_t dataMarker = bytes.FindMarker(kBoxesEnd, 0x93);
  if (dataMarker == kNotFound) return false;
  const std::size_t sodOffset = dataMarker + 1;
  // The pair after the start marker must lie wholly past it.
  std::uint16_t sum = 0;
  const std::size_t endMarker = bytes.ByteSumToEndMarker(sodOffset, sum);
  if (endMarker == kNotFound) return false;
  const std::size_t count = endMarker - 1 - sodOffset;

  TrailerReader<Bytes> reader(bytes);
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

// Opens path for reading without blocking on a FIFO; -1 (errno set) unless
// it is a regular file, whose size then goes to size.
int OpenRegularFile(const std::string& path, std::size_t& size) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.IsOpen()) return -1;
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) return -1;
  if (!S_ISREG(status.st_mode) || status.st_size < 0) {
    errno = S_ISDIR(status.st_mode) ? EISDIR : ENOTBLK;
    return -1;
  }
  size = static_cast<std::size_t>(status.st_size);
  return file.Release();
}

// Files up to this size are read whole into the thread's buffer, the
// quickest way for the images a recorder writes; larger ones are walked.
constexpr std::size_t kWholeReadBytes = 16 * 1024 * 1024;

void ReadWhole(int fd, std::size_t size, ImageCodec codec, bool hash, ImageFileReading& reading,
               const ImageBytesUser& alsoUse) {
  // One buffer per thread: a check of a million images allocates it once.
  thread_local std::vector<std::uint8_t> bytes;
  bytes.resize(size);
  errno = 0;
  reading.read = ReadFully(fd, bytes.data(), size);
  if (!reading.read) {
    // A file cut short while it was read fails without an errno of its own.
    reading.error = errno != 0 ? errno : EIO;
    return;
  }
  reading.parsed = ParseImageInfo(bytes.data(), bytes.size(), codec, reading.info);
  if (hash) reading.sha256 = Sha256::Of(bytes.data(), bytes.size());
  if (alsoUse) alsoUse(bytes.data(), bytes.size());
}

}  // namespace

namespace {

template <typename Parse>
bool ParseBuffer(const std::uint8_t* bytes, std::size_t length, ImageInfo& info, Parse parse) {
  if (bytes == nullptr) {
    info.status = 0;
    return false;
  }
  MemoryBytes memory(bytes, length);
  return parse(memory, info);
}

}  // namespace

bool ParseJpegInfo(const std::uint8_t* bytes, std::size_t length, ImageInfo& info) {
  return ParseBuffer(bytes, length, info, [](MemoryBytes& memory, ImageInfo& out) { return ParseJpegWith(memory, out); });
}

bool ParseJp2Info(const std::uint8_t* bytes, std::size_t length, ImageInfo& info) {
  return ParseBuffer(bytes, length, info, [](MemoryBytes& memory, ImageInfo& out) { return ParseJp2With(memory, out); });
}

bool ParseImageInfo(const std::uint8_t* bytes, std::size_t length, ImageCodec codec, ImageInfo& info) {
  return codec == ImageCodec::Jpeg ? ParseJpegInfo(bytes, length, info) : ParseJp2Info(bytes, length, info);
}

void ReadImageFileInPieces(int fd, std::size_t size, ImageCodec codec, bool hash, ImageFileReading& reading,
                           std::size_t pieceBytes, const std::atomic<bool>* stop) {
  Sha256 hasher;
  FileWindow window(fd, size, pieceBytes, hash ? &hasher : nullptr, stop);
  WindowBytes bytes(window);
  ImageInfo info = reading.info;
  const bool parsed = codec == ImageCodec::Jpeg ? ParseJpegWith(bytes, info) : ParseJp2With(bytes, info);
  // What was judged must be the whole file, read to its end, as the hash is.
  reading.read = window.Finish();
  reading.pieces = true;
  if (!reading.read) {
    reading.error = errno;
    return;
  }
  reading.parsed = parsed;
  reading.info = info;
  if (hash) reading.sha256 = hasher.Finish();
}

void ReadImageFile(const std::string& path, ImageCodec codec, bool hash, ImageFileReading& reading,
                   const ImageBytesUser& alsoUse, const std::atomic<bool>* stop) {
  reading.read = false;
  reading.parsed = false;
  reading.pieces = false;
  reading.error = 0;
  std::size_t size = 0;
  const FileDescriptor file(OpenRegularFile(path, size));
  if (!file.IsOpen()) {
    reading.error = errno;
    return;
  }
  if (size > kWholeReadBytes) {
    ReadImageFileInPieces(file.Get(), size, codec, hash, reading, WindowBytes::kPieceBytes, stop);
    return;
  }
  try {
    ReadWhole(file.Get(), size, codec, hash, reading, alsoUse);
  } catch (const std::bad_alloc&) {
    reading.read = false;
    reading.parsed = false;
    reading.error = ENOMEM;
  }
}

bool ReadImageInfo(const std::string& path, ImageInfo& info, ImageCodec codec, const std::atomic<bool>* stop) {
  ImageFileReading reading;
  reading.info = info;
  ReadImageFile(path, codec, false, reading, {}, stop);
  if (reading.read) info = reading.info;
  return reading.parsed;
}

}  // namespace selvo
