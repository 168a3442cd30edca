#pragma once
// JPEG decoding straight into the DibBlock layout (bottom-up BGR rows).
#include <cstddef>
#include <cstdint>
#include <string>

#include "source/DibBlock.h"

namespace selvo {

// Null on any failure. sizeOut (may be null) receives 44 + stride x height.
DibPtr DecodeJpegFile(const std::string& path, std::uint32_t* sizeOut);

// A damaged image in memory still yields whatever was decoded.
DibPtr DecodeJpegMemory(const std::uint8_t* bytes, std::size_t length, std::uint32_t* sizeOut);

}  // namespace selvo
