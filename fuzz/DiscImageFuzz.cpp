// A recorder disc from its tag area on: indexed as on open, then every
// record read and its trailer checked; the first few are decoded as the
// viewer shows them.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/MemoryDiscDevice.h"
#include "source/DiscImageSource.h"
#include "source/DiscLog.h"
#include "source/Notifier.h"
#include "source/TrailerParser.h"

namespace {
constexpr int kRecordsDecoded = 4;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  selvo::RecordingNotifier notifier;
  selvo::DiscImageSource source(notifier, selvo::DiscLog("/dev/null"), [data, size](const std::string&) {
    return std::make_unique<selvo::fuzz::MemoryDiscDevice>(data, size);
  });
  if (!source.Open("fuzz-disc")) return 0;
  const int count = source.GetCount();
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < count; ++i) {
    if (source.Seek(i) && source.ReadRecordBytes(bytes, false)) {
      selvo::ImageInfo info{};
      selvo::ParseJpegInfo(bytes.data(), bytes.size(), info);
    }
    source.GetStampAt(i);
    source.GetTimeAt(i);
  }
  for (int i = 0; i < count && i < kRecordsDecoded; ++i) {
    if (!source.SetPosition(i)) continue;
    std::uint32_t blockSize = 0;
    source.ReadImage(blockSize, selvo::ImageSource::kReadDecode, selvo::SaveTarget{}, false, false);
    source.GetStatus();
    source.GetTime();
  }
  source.Last();
  source.Previous();
  source.First();
  source.Next();
  return 0;
}
