#include "tools/recwriter/DiscImageWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

#include "source/ByteOrder.h"
#include "source/DiscLayout.h"
#include "source/OutputFile.h"

namespace selvo {

namespace {

constexpr std::int64_t kSector = disc::kSectorBytes;
constexpr std::int64_t kRunBytes = disc::kSectorsPerRun * kSector;

std::int64_t RoundUp(std::int64_t value, std::int64_t unit) { return (value + unit - 1) / unit * unit; }

void SetError(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

class ImageFile {
 public:
  ImageFile(OutputFile& output, std::int64_t limitBytes) : output_(output), limit_(limitBytes) {}

  // Writes bytes at a physical offset, dropping whatever lies past the limit.
  bool WritePhysical(std::int64_t offset, const std::uint8_t* bytes, std::int64_t size) {
    if (offset >= limit_) return true;
    size = std::min(size, limit_ - offset);
    while (size > 0) {
      const ssize_t written = ::pwrite(output_.Descriptor(), bytes, static_cast<std::size_t>(size), offset);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        output_.Fail(written < 0 ? errno : ENOSPC);
        return false;
      }
      bytes += written;
      offset += written;
      size -= written;
    }
    return true;
  }

  // Logical bytes go to their physical places, split where a run of 2560
  // sectors ends and the unused blocks begin.
  bool WriteLogical(std::int64_t offset, const std::uint8_t* bytes, std::int64_t size) {
    while (size > 0) {
      const std::int64_t runEnd = (offset / kRunBytes + 1) * kRunBytes;
      const std::int64_t chunk = std::min(size, runEnd - offset);
      if (!WritePhysical(DiscImageWriter::PhysicalOffset(offset), bytes, chunk)) return false;
      offset += chunk;
      bytes += chunk;
      size -= chunk;
    }
    return true;
  }

  bool FinishAt(std::int64_t size) {
    if (::ftruncate(output_.Descriptor(), std::min(size, limit_)) != 0) output_.Fail(errno);
    return output_.Commit();
  }

 private:
  OutputFile& output_;
  std::int64_t limit_;
};

}  // namespace

std::vector<std::uint8_t> DiscImageWriter::StampTrailer(std::uint32_t stampMs) {
  std::vector<std::uint8_t> trailer(kTrailerBytes, 0);
  WriteLe32(trailer.data() + kTrailerBytes - 4, stampMs);
  return trailer;
}

std::vector<std::uint8_t> DiscImageWriter::FitTrailer(const std::vector<std::uint8_t>& fileTrailer) {
  if (fileTrailer.size() > static_cast<std::size_t>(kTrailerBytes) || fileTrailer.size() < 4) return {};
  std::vector<std::uint8_t> trailer(fileTrailer.begin(), fileTrailer.end() - 4);
  trailer.resize(kTrailerBytes - 4, 0);
  trailer.insert(trailer.end(), fileTrailer.end() - 4, fileTrailer.end());
  return trailer;
}

std::optional<DiscRecord> DiscImageWriter::RecordFromFileImage(const std::vector<std::uint8_t>& fileImage,
                                                              std::size_t jpegLength) {
  if (jpegLength < 2 || jpegLength > fileImage.size()) return std::nullopt;
  DiscRecord record;
  record.jpeg.assign(fileImage.begin(), fileImage.begin() + static_cast<std::ptrdiff_t>(jpegLength));
  record.trailer = FitTrailer(std::vector<std::uint8_t>(fileImage.begin() + static_cast<std::ptrdiff_t>(jpegLength),
                                                        fileImage.end()));
  if (record.trailer.empty()) return std::nullopt;
  return record;
}

int DiscImageWriter::AddRecord(DiscRecord record) {
  const int number = static_cast<int>(records_.size());
  records_.push_back(std::move(record));
  requestedOffsets_.push_back(pendingPlacement_.value_or(0));
  pendingPlacement_.reset();
  entries_.push_back(Entry{number});
  return number;
}

void DiscImageWriter::AddEmptyEntry() { entries_.push_back(Entry{-1}); }

void DiscImageWriter::AddEntryFor(int record) {
  if (record >= 0 && record < RecordCount()) entries_.push_back(Entry{record});
}

void DiscImageWriter::PlaceNextRecordAt(std::int64_t logicalOffset) {
  pendingPlacement_ = RoundUp(std::max<std::int64_t>(logicalOffset, 0), disc::kRecordUnitBytes);
}

void DiscImageWriter::SetFileBlocks(std::int64_t blocks) { fileBlocks_ = std::max<std::int64_t>(blocks, 0); }

std::int64_t DiscImageWriter::PhysicalOffset(std::int64_t logicalOffset) {
  return disc::PhysicalBlockForSector(logicalOffset / kSector) * kSector + logicalOffset % kSector;
}

std::int64_t DiscImageWriter::TagAreaEnd() const {
  // Room for the entries and the empty ones that end a reader's scan, so
  // that the scan never runs on into the records.
  const std::int64_t entries = static_cast<std::int64_t>(entries_.size()) + disc::kEmptyEntriesAllowed + 1;
  return RoundUp(disc::kTagAreaOffset + entries * disc::kTagEntryBytes, kSector);
}

std::vector<DiscImageWriter::Placed> DiscImageWriter::Layout() const {
  std::vector<Placed> placed;
  std::int64_t next = TagAreaEnd();
  for (std::size_t i = 0; i < records_.size(); ++i) {
    const DiscRecord& record = records_[i];
    Placed where;
    where.offset = std::max(next, requestedOffsets_[i]);
    where.size = disc::kRecordHeaderBytes + disc::kGapBeforeData + record.variableLength +
                 static_cast<std::int64_t>(record.jpeg.size() + record.trailer.size());
    next = RoundUp(where.offset + where.size, disc::kRecordUnitBytes);
    placed.push_back(where);
  }
  return placed;
}

std::int64_t DiscImageWriter::LogicalEnd(const std::vector<Placed>& placed) const {
  std::int64_t end = TagAreaEnd();
  for (const Placed& where : placed) end = std::max(end, where.offset + where.size);
  return end;
}

std::int64_t DiscImageWriter::RecordOffset(int record) const { return Layout().at(static_cast<std::size_t>(record)).offset; }

std::int64_t DiscImageWriter::DataOffset(int record) const {
  return RecordOffset(record) + disc::kRecordHeaderBytes + disc::kGapBeforeData +
         records_.at(static_cast<std::size_t>(record)).variableLength;
}

std::vector<std::uint32_t> DiscImageWriter::DataBlocks(int record) const {
  const DiscRecord& data = records_.at(static_cast<std::size_t>(record));
  const std::int64_t first = DataOffset(record);
  const std::int64_t last = first + static_cast<std::int64_t>(data.jpeg.size() + data.trailer.size()) - 1;
  std::vector<std::uint32_t> blocks;
  for (std::int64_t sector = first / kSector; sector <= last / kSector; ++sector) {
    blocks.push_back(static_cast<std::uint32_t>(disc::PhysicalBlockForSector(sector)));
  }
  return blocks;
}

std::int64_t DiscImageWriter::FullBlockCount() const {
  const std::int64_t lastSector = (LogicalEnd(Layout()) - 1) / kSector;
  return disc::PhysicalBlockForSector(lastSector) + 1;
}

bool DiscImageWriter::CheckRecord(const DiscRecord& record, std::string& why) {
  if (record.trailer.size() != static_cast<std::size_t>(kTrailerBytes)) {
    why = "a record's trailer must be 44 bytes";
    return false;
  }
  if (record.jpeg.size() < 2 + static_cast<std::size_t>(record.eoiDistance) ||
      record.jpeg.size() - 2 - record.eoiDistance > static_cast<std::size_t>(INT32_MAX)) {
    why = "a record's JPEG data is shorter than its end-of-image distance";
    return false;
  }
  return true;
}

std::vector<std::uint8_t> DiscImageWriter::RecordBytes(const DiscRecord& record) const {
  const std::size_t dataStart = disc::kRecordHeaderBytes + disc::kGapBeforeData + record.variableLength;
  std::vector<std::uint8_t> bytes(dataStart, 0);
  const auto trueLength = static_cast<std::int32_t>(record.jpeg.size() - 2 - record.eoiDistance);
  WriteLe32(bytes.data() + disc::kRecordLengthFieldOffset,
            static_cast<std::uint32_t>(record.storedLength.value_or(trueLength)));
  WriteLe16(bytes.data() + disc::kRecordVariableFieldOffset, record.variableLength);
  bytes.insert(bytes.end(), record.jpeg.begin(), record.jpeg.end());
  if (record.withoutEoi) {
    bytes[bytes.size() - 2] = 0;
    bytes[bytes.size() - 1] = 0;
  }
  bytes.insert(bytes.end(), record.trailer.begin(), record.trailer.end());
  return bytes;
}

std::vector<std::uint8_t> DiscImageWriter::TagAreaBytes(const std::vector<Placed>& placed) const {
  std::vector<std::uint8_t> bytes(entries_.size() * disc::kTagEntryBytes, 0);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].record < 0) continue;
    std::uint8_t* entry = bytes.data() + i * disc::kTagEntryBytes;
    WriteLe32(entry + disc::kTagUsedFieldOffset, static_cast<std::uint32_t>(entries_[i].record + 1));
    const std::int64_t units = placed[static_cast<std::size_t>(entries_[i].record)].offset / disc::kRecordUnitBytes;
    WriteLe32(entry + disc::kTagRecordFieldOffset, static_cast<std::uint32_t>(units));
  }
  return bytes;
}

bool DiscImageWriter::Write(const std::string& path, std::string* error) const {
  std::string why;
  for (const DiscRecord& record : records_) {
    if (!CheckRecord(record, why)) {
      SetError(error, why);
      return false;
    }
  }
  const std::vector<Placed> placed = Layout();
  const std::int64_t fullBytes = FullBlockCount() * kSector;
  OutputFile output;
  output.SkipSync();
  if (!output.Create(path)) {
    SetError(error, "cannot create " + path + ": " + output.ErrorText());
    return false;
  }
  ImageFile file(output, fileBlocks_ ? *fileBlocks_ * kSector : fullBytes);
  bool ok = true;
  // The unused blocks carry a pattern, so that a reader that forgets to skip
  // them reads visible nonsense instead of plausible zeros.
  const std::vector<std::uint8_t> fill(static_cast<std::size_t>(disc::kSkippedBlocksPerRun * kSector), kUnusedBlockFill);
  const std::int64_t logicalEnd = LogicalEnd(placed);
  for (std::int64_t run = 1; run * kRunBytes < logicalEnd && ok; ++run) {
    const std::int64_t gapStart = (disc::PhysicalBlockForSector(run * disc::kSectorsPerRun) - disc::kSkippedBlocksPerRun) * kSector;
    ok = file.WritePhysical(gapStart, fill.data(), static_cast<std::int64_t>(fill.size()));
  }
  const std::vector<std::uint8_t> tags = TagAreaBytes(placed);
  ok = ok && file.WriteLogical(disc::kTagAreaOffset, tags.data(), static_cast<std::int64_t>(tags.size()));
  for (std::size_t i = 0; i < records_.size() && ok; ++i) {
    const std::vector<std::uint8_t> bytes = RecordBytes(records_[i]);
    ok = file.WriteLogical(placed[i].offset, bytes.data(), static_cast<std::int64_t>(bytes.size()));
  }
  ok = file.FinishAt(fullBytes) && ok;
  if (!ok) SetError(error, "cannot write " + path + ": " + output.ErrorText());
  return ok;
}

}  // namespace selvo
