#include "tools/selvo-make-demo/DiscDemo.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "tools/recwriter/DiscImageWriter.h"
#include "tools/recwriter/JpegEncoder.h"
#include "tools/recwriter/ScenePainter.h"
#include "tools/recwriter/TrailerWriter.h"

namespace selvo {

const char kDiscDemoUsage[] =
    "\n"
    "Usage: selvo-make-demo --disc FILE [--frames N] [--cameras N] [--damaged]\n"
    "                       [--short-by BLOCKS]\n"
    "Writes a recorder disc image instead (a dump of 2048-byte blocks in the\n"
    "recorder's disc layout) holding N demo frames (default 60, at most 51263).\n"
    "  --damaged         damage three records: a length past the limit, a negative\n"
    "                    length, a missing end-of-image marker (they are listed)\n"
    "  --short-by BLOCKS leave the last BLOCKS blocks out of the file, so that the\n"
    "                    records in them cannot be read, as on a cut-short disc\n";

namespace {

constexpr int kExitWriteFailure = 1;
constexpr int kWidth = 352;
constexpr int kHeight = 240;
constexpr std::uint32_t kIntervalMs = 500;
// One byte more than any reader accepts.
constexpr std::int32_t kTooLong = disc::kMaxDataLength + 1;

CalendarFields StartClock() { return CalendarFields{2026, 3, 7, 9, 0, 0}; }

// A record the recorder would write for frame index: the picture, its
// trailer with time and stamp.
std::optional<DiscRecord> DemoRecord(const ScenePainter& painter, int index, int cameras) {
  const CalendarSeconds start = MakeLocalTime(StartClock());
  const std::uint32_t stamp = static_cast<std::uint32_t>(index) * kIntervalMs;
  const CalendarSeconds time = start + stamp / 1000;
  FrameScene scene;
  scene.camera = index % cameras;
  scene.frameNumber = static_cast<std::uint64_t>(index);
  scene.label = "DISC";
  BreakDownLocalTime(time, scene.clock);
  std::vector<std::uint8_t> rgb;
  painter.Paint(scene, rgb);
  const TrailerValues values{static_cast<std::uint32_t>(time - RecorderEpoch()), stamp};
  // The disc leaves 44 bytes for the trailer; an encoding whose alignment
  // bytes do not fit is made again at a slightly lower quality.
  for (int quality = 80; quality > 40; --quality) {
    std::vector<std::uint8_t> jpeg = EncodeJpeg(rgb.data(), kWidth, kHeight, quality);
    const std::size_t jpegLength = jpeg.size();
    const auto trailer = TrailerWriter::ForJpeg(std::move(jpeg));
    if (!trailer) return std::nullopt;
    auto record = DiscImageWriter::RecordFromFileImage(trailer->Write(values), jpegLength);
    if (record) return record;
  }
  return std::nullopt;
}

// Damages three records spread over the disc; returns what was done.
std::vector<std::string> Damage(std::vector<DiscRecord>& records) {
  std::vector<std::string> done;
  const int count = static_cast<int>(records.size());
  if (count < 4) return done;
  const int tooLong = count / 4;
  const int negative = count / 2;
  const int noEoi = 3 * count / 4;
  records[static_cast<std::size_t>(tooLong)].storedLength = kTooLong;
  records[static_cast<std::size_t>(negative)].storedLength = -1;
  records[static_cast<std::size_t>(noEoi)].withoutEoi = true;
  done.push_back("record " + std::to_string(tooLong + 1) + ": data length 512001, past the limit");
  done.push_back("record " + std::to_string(negative + 1) + ": data length -1");
  done.push_back("record " + std::to_string(noEoi + 1) + ": no end-of-image marker");
  return done;
}

}  // namespace

int WriteDiscDemo(const DiscDemoRequest& line) {
  const ScenePainter painter(kWidth, kHeight);
  std::vector<DiscRecord> records;
  records.reserve(static_cast<std::size_t>(line.frames));
  for (int i = 0; i < line.frames; ++i) {
    auto record = DemoRecord(painter, i, line.cameras);
    if (!record) {
      std::fprintf(stderr, "selvo-make-demo: frame %d could not be encoded for a disc record\n", i + 1);
      return kExitWriteFailure;
    }
    records.push_back(std::move(*record));
  }
  const std::vector<std::string> damage = line.damaged ? Damage(records) : std::vector<std::string>();

  DiscImageWriter writer;
  for (DiscRecord& record : records) writer.AddRecord(std::move(record));
  const std::int64_t fullBlocks = writer.FullBlockCount();
  if (line.shortBy > 0) writer.SetFileBlocks(std::max<std::int64_t>(0, fullBlocks - line.shortBy));
  std::string error;
  if (!writer.Write(line.file, &error)) {
    std::fprintf(stderr, "selvo-make-demo: %s: %s\n", line.file.c_str(), error.c_str());
    return kExitWriteFailure;
  }
  std::printf("selvo-make-demo: wrote a disc image of %d records (%lld blocks) to %s\n", line.frames,
              static_cast<long long>(line.shortBy > 0 ? std::max<std::int64_t>(0, fullBlocks - line.shortBy)
                                                      : fullBlocks),
              line.file.c_str());
  for (const std::string& text : damage) std::printf("  damaged %s\n", text.c_str());
  if (line.shortBy > 0) {
    // Name the records that the cut leaves unreadable.
    const std::int64_t kept = std::max<std::int64_t>(0, fullBlocks - line.shortBy);
    int firstLost = 0;
    for (int r = 0; r < writer.RecordCount() && firstLost == 0; ++r) {
      for (std::uint32_t block : writer.DataBlocks(r)) {
        if (static_cast<std::int64_t>(block) >= kept) {
          firstLost = r + 1;
          break;
        }
      }
    }
    if (firstLost > 0) std::printf("  records %d to %d lie past the end of the file\n", firstLost, line.frames);
  }
  return 0;
}

}  // namespace selvo
