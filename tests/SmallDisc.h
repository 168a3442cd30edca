#pragma once
// Writes a small recorder disc image for the widget tests: decodable 16 x 8
// pictures whose recorder trailers carry 2006-03-15 12:00:ss, ss being the
// record's 1-based number modulo 60, and the record's number as its stamp.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "tools/recwriter/DiscImageWriter.h"
#include "tools/recwriter/JpegEncoder.h"
#include "tools/recwriter/TrailerWriter.h"

namespace selvo::test {

inline CalendarSeconds SmallDiscTime(int number) {
  FixProcessTimeZone();
  return MakeLocalTime(CalendarFields{2006, 3, 15, 12, 0, number % 60});
}

inline DiscRecord SmallDiscRecord(int number) {
  std::vector<std::uint8_t> rgb(16 * 8 * 3, static_cast<std::uint8_t>(number * 9));
  const TrailerValues values{static_cast<std::uint32_t>(SmallDiscTime(number) - RecorderEpoch()),
                             static_cast<std::uint32_t>(number)};
  for (int quality = 90; quality > 40; --quality) {
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(rgb.data(), 16, 8, quality);
    const auto trailer = TrailerWriter::ForJpeg(jpeg);
    if (!trailer) break;
    if (auto record = DiscImageWriter::RecordFromFileImage(trailer->Write(values), jpeg.size())) return *record;
  }
  ADD_FAILURE() << "no record fits for " << number;
  return DiscRecord{};
}

// count records at path; the numbers in damaged carry a length no reader
// accepts. Answers the blocks that hold the data of the numbers in
// scratched, for a device that cannot read them.
inline std::set<std::uint32_t> WriteSmallDisc(const std::string& path, int count, const std::set<int>& damaged = {},
                                              const std::set<int>& scratched = {}) {
  DiscImageWriter writer;
  for (int n = 1; n <= count; ++n) {
    DiscRecord record = SmallDiscRecord(n);
    if (damaged.count(n)) record.storedLength = 512001;
    writer.AddRecord(record);
  }
  std::set<std::uint32_t> unreadable;
  for (int n : scratched) {
    for (std::uint32_t block : writer.DataBlocks(n - 1)) unreadable.insert(block);
  }
  std::string error;
  EXPECT_TRUE(writer.Write(path, &error)) << error;
  return unreadable;
}

}  // namespace selvo::test
