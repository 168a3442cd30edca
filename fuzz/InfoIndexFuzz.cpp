// The INFO index file: found and loaded from disk as the folder source does
// it, then every header field and every entry read back.
#include <cstddef>
#include <cstdint>

#include "fuzz/ScratchFolder.h"
#include "source/InfoIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const selvo::fuzz::ScratchFolder& scratch = selvo::fuzz::ScratchFolder::Instance();
  scratch.Empty();
  if (!scratch.Write("INFO/FUZZ.INF", data, size)) return 0;
  selvo::InfoIndex index;
  if (!index.Load(scratch.Path())) return 0;
  for (int channel = -1; channel <= selvo::InfoIndex::kChannels; ++channel) {
    index.ChannelImageCount(channel);
    index.ChannelFirstImage(channel);
    index.ChannelLastImage(channel);
    index.ChannelTitleBytes(channel);
  }
  for (std::size_t i = 0; i < index.EntryCount(); ++i) {
    index.EntrySeconds(i);
    index.EntryStamp(i);
    index.EntryChannel(i);
  }
  return 0;
}
