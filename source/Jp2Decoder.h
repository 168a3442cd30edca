#pragma once
// JPEG 2000 decoding into the DibBlock layout.
#include <cstdint>
#include <string>

#include "source/DibBlock.h"

namespace selvo {

// Null on any failure. sizeOut (may be null) receives the block's real size.
DibPtr DecodeJp2File(const std::string& path, std::uint32_t* sizeOut);

}  // namespace selvo
