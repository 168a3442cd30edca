// The JPEG trailer check on any bytes: it must only ever answer.
#include <cstddef>
#include <cstdint>

#include "source/TrailerParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  selvo::ImageInfo info{};
  selvo::ParseJpegInfo(data, size, info);
  return 0;
}
