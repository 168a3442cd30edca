#pragma once
// JPEG 2000 decoding into the DibBlock layout.
#include <cstddef>
#include <cstdint>
#include <string>

#include "source/DibBlock.h"

namespace selvo {

// Always 24-bit sRGB as BGR: one or two components are grey, three or more
// are colour in the space the file declares (sRGB, sYCC, e-sYCC, CMYK,
// CIELab; undeclared planes with subsampled chroma count as luma-chroma), an
// embedded ICC profile for grey or RGB is applied; every component is scaled
// to 8 bits and sampled at the image's full resolution.
// Null on any failure, including files over four components or
// DibBlock::kMaxPixels. sizeOut (may be null) receives the block's real size,
// on success only; failure (may be null) receives why on null: the
// library's first error message where it gave up, our words where we
// refused.
DibPtr DecodeJp2File(const std::string& path, std::uint32_t* sizeOut, std::string* failure = nullptr);
// The same for an image already in memory.
DibPtr DecodeJp2Memory(const std::uint8_t* bytes, std::size_t length, std::uint32_t* sizeOut,
                       std::string* failure = nullptr);

}  // namespace selvo
