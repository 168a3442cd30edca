#pragma once
// A picture's size as its file states it, read from the headers alone: the
// export must know the size of pictures it copies without decoding them,
// and of pictures that will not decode at all.
#include <cstddef>
#include <cstdint>

#include "source/ImageCodec.h"

namespace selvo {

struct PictureSize {
  int width = 0;
  int height = 0;
  bool operator<(const PictureSize& other) const {
    return width != other.width ? width < other.width : height < other.height;
  }
};

// JPEG: the frame header (SOFn) met before the scan. JPEG 2000: the image
// header box of a JP2 file, or the SIZ segment of a bare codestream. false
// when the bytes end first or state no size.
bool ReadPictureSize(const std::uint8_t* bytes, std::size_t length, ImageCodec codec, PictureSize& size);

}  // namespace selvo
