#pragma once
// Writes a disc image in the recorder's disc layout, as a dump of 2048-byte
// blocks: the tag area at logical byte 0x100000, image records at 256-byte
// units (header with L and E, 547 + E unread bytes, the JPEG data, its
// end-of-image marker, a 44-byte trailer), and the 152 unused blocks after
// every 2560 logical sectors. Records can be damaged on purpose (bad
// lengths, a missing end-of-image marker) and the file cut short, so that
// readers can be tried on the faults real discs have.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace selvo {

struct DiscRecord {
  // The JPEG file image from SOI through EOI, nothing after it.
  std::vector<std::uint8_t> jpeg;
  // Exactly 44 bytes; the last 4 are the millisecond stamp.
  std::vector<std::uint8_t> trailer;
  // E: length of the record's variable area.
  std::uint16_t variableLength = 0;
  // How many bytes of the JPEG data lie past L before the end-of-image
  // marker: L = jpeg.size() - 2 - eoiDistance.
  std::uint32_t eoiDistance = 0;
  // Damage: the L stored in the header instead of the true one.
  std::optional<std::int32_t> storedLength;
  // Damage: the end-of-image marker is overwritten with zeros.
  bool withoutEoi = false;
};

class DiscImageWriter {
 public:
  static constexpr int kTrailerBytes = 44;
  static constexpr std::uint8_t kUnusedBlockFill = 0xEE;

  // A trailer that carries only a stamp: 40 zero bytes, then the stamp.
  static std::vector<std::uint8_t> StampTrailer(std::uint32_t stampMs);
  // Widens what a recorder appends after a JPEG file's EOI (alignment bytes,
  // check values, stamp last) to the 44 bytes of a disc record: zeros go in
  // before the final 4 stamp bytes, which stay last. Empty when it is longer
  // than 44 bytes or shorter than 4.
  static std::vector<std::uint8_t> FitTrailer(const std::vector<std::uint8_t>& fileTrailer);

  // A record from a recorder image file (JPEG through EOI, then the trailer
  // the recorder appends): the first jpegLength bytes are the JPEG, the rest
  // is fitted to 44 bytes. nullopt when the trailer does not fit.
  static std::optional<DiscRecord> RecordFromFileImage(const std::vector<std::uint8_t>& fileImage,
                                                       std::size_t jpegLength);

  // Adds a used tag entry for the record; returns the record's number.
  int AddRecord(DiscRecord record);
  // Adds a tag entry that is not in use.
  void AddEmptyEntry();
  // Adds another used tag entry for a record already added, so that large
  // tag areas need not carry as many records.
  void AddEntryFor(int record);
  // The next record starts at this logical byte (rounded up to 256) or, if
  // that is not past the tag area and the records before it, right after them.
  void PlaceNextRecordAt(std::int64_t logicalOffset);
  // The image file holds only this many blocks: everything past them is
  // unreadable, as on a disc that is cut short.
  void SetFileBlocks(std::int64_t blocks);

  int RecordCount() const { return static_cast<int>(records_.size()); }
  // Logical byte offsets of a record's header and of its JPEG data.
  std::int64_t RecordOffset(int record) const;
  std::int64_t DataOffset(int record) const;
  // Physical blocks holding the record's JPEG data and trailer, for a device
  // that is told to fail them.
  std::vector<std::uint32_t> DataBlocks(int record) const;
  // Blocks the whole image takes when it is not cut short.
  std::int64_t FullBlockCount() const;

  static std::int64_t PhysicalOffset(std::int64_t logicalOffset);

  bool Write(const std::string& path, std::string* error = nullptr) const;

 private:
  struct Placed {
    std::int64_t offset = 0;
    std::int64_t size = 0;
  };
  struct Entry {
    int record = -1;  // -1: empty entry
  };

  std::vector<Placed> Layout() const;
  std::int64_t TagAreaEnd() const;
  std::int64_t LogicalEnd(const std::vector<Placed>& placed) const;
  std::vector<std::uint8_t> RecordBytes(const DiscRecord& record) const;
  std::vector<std::uint8_t> TagAreaBytes(const std::vector<Placed>& placed) const;
  static bool CheckRecord(const DiscRecord& record, std::string& why);

  std::vector<DiscRecord> records_;
  std::vector<std::int64_t> requestedOffsets_;
  std::vector<Entry> entries_;
  std::optional<std::int64_t> pendingPlacement_;
  std::optional<std::int64_t> fileBlocks_;
};

}  // namespace selvo
