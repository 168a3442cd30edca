#pragma once
// The recorder's disc layout: fixed numbers shared by the disc reader, the
// disc source and the disc-image writer, so that reader and writer cannot
// drift apart.
#include <cstdint>

namespace selvo::disc {

constexpr int kSectorBytes = 2048;

// After every run of 2560 logical sectors the recorder leaves 152 blocks
// unused; logical sector s therefore lies in physical block
// s + (s / 2560) * 152.
constexpr std::int64_t kSectorsPerRun = 2560;
constexpr std::int64_t kSkippedBlocksPerRun = 152;

constexpr std::int64_t PhysicalBlockForSector(std::int64_t logicalSector) {
  return logicalSector + (logicalSector / kSectorsPerRun) * kSkippedBlocksPerRun;
}

// Tag area: 256-byte entries from logical byte 0x100000.
constexpr std::int64_t kTagAreaOffset = 0x100000;
constexpr int kTagEntryBytes = 256;
constexpr int kTagUsedFieldOffset = 0;
constexpr int kTagRecordFieldOffset = 12;
constexpr std::int64_t kRecordUnitBytes = 256;
constexpr int kMaxRecords = 51263;
// The scan ends at the fourth empty entry, consecutive or not.
constexpr int kEmptyEntriesAllowed = 3;

// Image record: a 64-byte header (L at 0, E at 4), 547 + E bytes the viewer
// does not read, L bytes of JPEG data, the rest of the JPEG data up to its
// end-of-image marker, then the recorder's 44-byte trailer.
constexpr int kRecordHeaderBytes = 64;
constexpr int kRecordLengthFieldOffset = 0;
constexpr int kRecordVariableFieldOffset = 4;
constexpr std::int64_t kGapBeforeData = 547;
constexpr std::int32_t kMaxDataLength = 512000;
constexpr int kEoiSearchLimit = 1024;
constexpr int kTrailerBytes = 44;
// Room allocated past L: the two bytes after L, the end-of-image search and
// the trailer all fit in it.
constexpr int kImageSlackBytes = 2000;

}  // namespace selvo::disc
