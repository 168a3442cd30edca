// JPEG 2000 decoding of a buffer.
#include <cstddef>
#include <cstdint>

#include "source/Jp2Decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint32_t blockSize = 0;
  selvo::DecodeJp2Memory(data, size, &blockSize);
  return 0;
}
