// JPEG decoding of a buffer, as the disc reader and the viewer do it.
#include <cstddef>
#include <cstdint>

#include "source/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint32_t blockSize = 0;
  selvo::DecodeJpegMemory(data, size, &blockSize);
  return 0;
}
