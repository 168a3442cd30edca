#include "tools/recwriter/TrailerWriter.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "source/ByteOrder.h"
#include "source/CalendarTime.h"
#include "tools/recwriter/CompressedDataTamper.h"

namespace selvo {
namespace {

// The parser skips this many bytes after the start-of-scan marker: the header
// of a three-component scan. The writer takes the same bytes as data so that
// both always agree on what is summed.
constexpr std::size_t kScanHeaderBytes = 12;
constexpr std::size_t kTrailerAlignment = 32;
constexpr std::uint32_t kAlteredTimeShift = 3600;

constexpr std::uint8_t kJp2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50,
                                            0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
constexpr std::size_t kJp2HeaderBoxesEnd = 32;  // signature box + 20-byte file-type box

bool IsMarker(const std::vector<std::uint8_t>& b, std::size_t p, std::uint8_t code) {
  return p + 1 < b.size() && b[p] == 0xFF && b[p + 1] == code;
}

// Position of the first byte pair FF code at or after from; npos when none.
std::size_t FindMarker(const std::vector<std::uint8_t>& b, std::size_t from, std::uint8_t code) {
  for (std::size_t p = from; p + 1 < b.size(); ++p) {
    if (IsMarker(b, p, code)) return p;
  }
  return std::string::npos;
}

// The first quantisation table as the parser finds it: a byte scan that jumps
// over application segments and nothing else.
std::size_t FindFirstDqt(const std::vector<std::uint8_t>& b) {
  std::size_t p = 2;
  while (p + 1 < b.size()) {
    if (b[p] == 0xFF && b[p + 1] == 0xDB) return p;
    if (b[p] == 0xFF && (b[p + 1] & 0xF0) == 0xE0) {
      if (p + 3 >= b.size()) return std::string::npos;
      p += 2 + ReadBe16(&b[p + 2]);
      continue;
    }
    ++p;
  }
  return std::string::npos;
}

bool HasJp2HeaderBoxes(const std::vector<std::uint8_t>& b) {
  if (b.size() < kJp2HeaderBoxesEnd) return false;
  if (std::memcmp(b.data(), kJp2Signature, sizeof kJp2Signature) != 0) return false;
  const std::uint8_t* ftyp = b.data() + 12;
  return ReadBe32(ftyp) == 0x14 && std::memcmp(ftyp + 4, "ftyp", 4) == 0 &&
         std::memcmp(ftyp + 8, "jp2 ", 4) == 0 && std::memcmp(ftyp + 16, "jp2 ", 4) == 0;
}

// Offset of the top-level "jp2c" box; 0 when the boxes do not lead there.
std::size_t FindCodestreamBox(const std::vector<std::uint8_t>& b) {
  std::size_t p = 0;
  while (p + 8 <= b.size()) {
    std::uint64_t length = ReadBe32(&b[p]);
    if (std::memcmp(&b[p + 4], "jp2c", 4) == 0) return p;
    if (length == 1) {
      if (p + 16 > b.size()) return 0;
      length = (static_cast<std::uint64_t>(ReadBe32(&b[p + 8])) << 32) | ReadBe32(&b[p + 12]);
    }
    if (length < 8 || length > b.size() - p) return 0;
    p += static_cast<std::size_t>(length);
  }
  return 0;
}

// The first tile-part marker (SOT) after the codestream's main header; 0 when
// the marker segments do not lead there.
std::size_t FindMainHeaderEnd(const std::vector<std::uint8_t>& b, std::size_t codestream) {
  if (!IsMarker(b, codestream, 0x4F)) return 0;
  std::size_t p = codestream + 2;
  while (p + 4 <= b.size() && b[p] == 0xFF) {
    if (b[p + 1] == 0x90) return p;
    p += 2 + ReadBe16(&b[p + 2]);
  }
  return 0;
}

void AppendLe16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  std::uint8_t bytes[2];
  WriteLe16(bytes, v);
  out.insert(out.end(), bytes, bytes + 2);
}

void AppendLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  std::uint8_t bytes[4];
  WriteLe32(bytes, v);
  out.insert(out.end(), bytes, bytes + 4);
}

std::uint16_t JpegTimeSum(std::uint16_t dataSum, std::uint32_t seconds) {
  return static_cast<std::uint16_t>(dataSum + (seconds & 0xFFFF) + (seconds >> 16));
}

std::uint16_t Jp2TimeSum(std::uint16_t dataSum, std::uint32_t seconds) {
  return static_cast<std::uint16_t>(dataSum + (seconds & 0xFF) + ((seconds >> 8) & 0xFF) +
                                    ((seconds >> 16) & 0xFF) + (seconds >> 24));
}

bool HasTime(TrailerDamage damage) {
  return damage == TrailerDamage::kNone || damage == TrailerDamage::kAlteredImage ||
         damage == TrailerDamage::kAlteredTime || damage == TrailerDamage::kTamperedData;
}

}  // namespace

std::optional<TrailerWriter> TrailerWriter::ForJpeg(std::vector<std::uint8_t> encoded) {
  const std::vector<std::uint8_t>& b = encoded;
  if (b.size() < 2 || b[0] != 0xFF || b[1] != 0xD8) return std::nullopt;

  const std::size_t dqt = FindFirstDqt(b);
  if (dqt == std::string::npos) return std::nullopt;
  const std::size_t dqt4 = dqt + 1 + 64;  // 63 bytes skipped after the DB byte
  if (dqt4 + 4 > b.size()) return std::nullopt;

  const std::size_t sos = FindMarker(b, dqt4 + 3, 0xDA);
  if (sos == std::string::npos) return std::nullopt;
  const std::size_t first = sos + 2 + kScanHeaderBytes;

  // Big-endian 16-bit words from the first compressed byte through FF D9.
  std::uint32_t sum = 0;
  std::size_t end = std::string::npos;
  for (std::size_t p = first; p < b.size(); ++p) {
    sum += ((p - first) % 2 == 0) ? b[p] << 8 : b[p];
    if (p > first && b[p - 1] == 0xFF && b[p] == 0xD9) {
      end = p + 1;
      break;
    }
  }
  if (end == std::string::npos) return std::nullopt;
  const std::size_t count = end - first;
  if (count % 2 == 1) sum += 0xFF;  // the odd byte is completed with FF

  TrailerWriter writer;
  writer.format_ = ImageFormat::kJpeg;
  std::memcpy(writer.dqt4_, &b[dqt4], 4);
  writer.dqtEntries_ = dqt + 5;  // marker, length, precision and id
  writer.dataSum_ = static_cast<std::uint16_t>(sum);
  writer.alignmentBytes_ = (kTrailerAlignment - count % kTrailerAlignment) % kTrailerAlignment;
  encoded.resize(end);
  writer.image_ = std::move(encoded);
  return writer;
}

std::optional<TrailerWriter> TrailerWriter::ForJp2(std::vector<std::uint8_t> encoded) {
  const std::vector<std::uint8_t>& b = encoded;
  if (!HasJp2HeaderBoxes(b)) return std::nullopt;

  const std::size_t sod = FindMarker(b, kJp2HeaderBoxesEnd, 0x93);
  if (sod == std::string::npos) return std::nullopt;
  const std::size_t dataStart = sod + 2;
  const std::size_t eoc = FindMarker(b, dataStart, 0xD9);
  if (eoc == std::string::npos) return std::nullopt;

  std::uint32_t sum = 0;
  for (std::size_t p = dataStart; p < eoc; ++p) sum += b[p];

  TrailerWriter writer;
  writer.format_ = ImageFormat::kJp2;
  writer.sodOffset_ = static_cast<std::uint32_t>(dataStart);
  writer.count_ = static_cast<std::uint32_t>(eoc - dataStart);
  writer.dataSum_ = static_cast<std::uint16_t>(sum);
  writer.codestreamBox_ = FindCodestreamBox(b);
  if (writer.codestreamBox_ != 0) {
    const bool extended = ReadBe32(&b[writer.codestreamBox_]) == 1;
    writer.mainHeaderEnd_ = FindMainHeaderEnd(b, writer.codestreamBox_ + (extended ? 16 : 8));
  }
  encoded.resize(eoc + 2);
  writer.image_ = std::move(encoded);
  return writer;
}

std::optional<TrailerWriter> TrailerWriter::For(ImageFormat format, std::vector<std::uint8_t> encoded) {
  return format == ImageFormat::kJpeg ? ForJpeg(std::move(encoded)) : ForJp2(std::move(encoded));
}

std::uint32_t TrailerWriter::AlteredSeconds(std::uint32_t seconds) {
  return seconds < kRecorderTimeLimit - kAlteredTimeShift ? seconds + kAlteredTimeShift
                                                          : seconds - kAlteredTimeShift;
}

std::vector<std::uint8_t> TrailerWriter::Write(const TrailerValues& values, TrailerDamage damage) const {
  std::vector<std::uint8_t> out;
  WriteTo(values, damage, out);
  return out;
}

void TrailerWriter::WriteTo(const TrailerValues& values, TrailerDamage damage,
                            std::vector<std::uint8_t>& out) const {
  out.assign(image_.begin(), image_.end());
  if (damage == TrailerDamage::kNoTrailer) return;
  if (format_ == ImageFormat::kJpeg) {
    AppendJpegTrailer(values, damage, out);
    if (damage == TrailerDamage::kAlteredImage) AlterJpegImage(out);
  } else {
    AppendJp2Trailer(values, damage, out);
    if (damage == TrailerDamage::kAlteredImage) AlterJp2Image(out);
  }
  if (damage == TrailerDamage::kTamperedData) TamperCompressedData(values, out);
}

// One byte in the second half of the data: the top of the picture stays
// intact, the rest shows the damage, and every image gets its own byte.
void TrailerWriter::TamperCompressedData(const TrailerValues& values, std::vector<std::uint8_t>& out) const {
  const std::optional<ByteSpan> data = format_ == ImageFormat::kJpeg ? FindJpegScanData(out) : FindJp2PacketData(out);
  if (!data) return;
  ByteSpan secondHalf = *data;
  secondHalf.begin += data->Size() / 2;
  FlipDataBytes(out, secondHalf, values.stampMs ^ values.seconds, 1);
}

// After the data aligned to 32 bytes: [timeSum, seconds,] data sum, dqt4, then
// the stamp as the file's last four bytes, where the folder source reads it.
void TrailerWriter::AppendJpegTrailer(const TrailerValues& values, TrailerDamage damage,
                                      std::vector<std::uint8_t>& out) const {
  out.insert(out.end(), alignmentBytes_, 0x00);
  if (HasTime(damage)) {
    AppendLe16(out, JpegTimeSum(dataSum_, values.seconds));
    const bool shifted = damage == TrailerDamage::kAlteredTime;
    AppendLe32(out, shifted ? AlteredSeconds(values.seconds) : values.seconds);
  }
  AppendLe16(out, dataSum_);
  out.insert(out.end(), dqt4_, dqt4_ + 4);
  AppendLe32(out, values.stampMs);
}

// Right after the end of the codestream: [timeSum, seconds,] sodOffset, count,
// data sum, stamp.
void TrailerWriter::AppendJp2Trailer(const TrailerValues& values, TrailerDamage damage,
                                     std::vector<std::uint8_t>& out) const {
  if (HasTime(damage)) {
    AppendLe16(out, Jp2TimeSum(dataSum_, values.seconds));
    const bool shifted = damage == TrailerDamage::kAlteredTime;
    AppendLe32(out, shifted ? AlteredSeconds(values.seconds) : values.seconds);
  }
  AppendLe32(out, sodOffset_);
  AppendLe32(out, count_);
  AppendLe16(out, dataSum_);
  AppendLe32(out, values.stampMs);
}

// Raises the luminance quantisation: the picture visibly gains contrast, the
// compressed data and with it the time check stay as they were, and only the
// table's last entries (dqt4) betray the change.
void TrailerWriter::AlterJpegImage(std::vector<std::uint8_t>& out) const {
  const std::size_t end = std::min(dqtEntries_ + 64, out.size());
  for (std::size_t p = dqtEntries_; p < end; ++p) {
    out[p] = static_cast<std::uint8_t>(std::clamp(out[p] * 3 / 2, 1, 255));
  }
  const std::size_t dqt4 = dqtEntries_ + 60;
  if (dqt4 + 4 <= out.size() && std::memcmp(&out[dqt4], dqt4_, 4) == 0) {
    out[dqt4] = static_cast<std::uint8_t>(out[dqt4] == 1 ? 2 : out[dqt4] - 1);
  }
}

// An editor's comment segment in the codestream's main header: the picture
// decodes as before, but the compressed data now starts elsewhere, which the
// start-of-data check catches while the byte sum (and so the time check) holds.
void TrailerWriter::AlterJp2Image(std::vector<std::uint8_t>& out) const {
  static constexpr char kComment[] = "edited";
  const std::size_t textLength = sizeof kComment - 1;
  std::vector<std::uint8_t> segment(4 + 2 + textLength);
  segment[0] = 0xFF;
  segment[1] = 0x64;
  WriteBe16(&segment[2], static_cast<std::uint16_t>(2 + 2 + textLength));
  WriteBe16(&segment[4], 1);  // Latin text
  std::memcpy(&segment[6], kComment, textLength);

  if (mainHeaderEnd_ == 0) {
    // No main header to extend: an unknown box after the file-type box moves
    // the data just the same, and readers skip it.
    std::vector<std::uint8_t> box(8 + segment.size());
    WriteBe32(&box[0], static_cast<std::uint32_t>(box.size()));
    std::memcpy(&box[4], "free", 4);
    std::memcpy(&box[8], segment.data(), segment.size());
    out.insert(out.begin() + kJp2HeaderBoxesEnd, box.begin(), box.end());
    return;
  }
  out.insert(out.begin() + static_cast<std::ptrdiff_t>(mainHeaderEnd_), segment.begin(), segment.end());
  std::uint8_t* box = &out[codestreamBox_];
  const std::uint32_t length = ReadBe32(box);
  if (length == 1) {
    const std::uint64_t extended =
        ((static_cast<std::uint64_t>(ReadBe32(box + 8)) << 32) | ReadBe32(box + 12)) + segment.size();
    WriteBe32(box + 8, static_cast<std::uint32_t>(extended >> 32));
    WriteBe32(box + 12, static_cast<std::uint32_t>(extended));
  } else if (length != 0) {
    WriteBe32(box, length + static_cast<std::uint32_t>(segment.size()));
  }
}

}  // namespace selvo
