#pragma once
// Decoding by codec, for whoever holds images of either kind: the picture,
// or why there is none in words the user can be shown.
#include <cstddef>
#include <cstdint>
#include <string>

#include "source/DibBlock.h"
#include "source/ImageCodec.h"

namespace selvo {

struct DecodeResult {
  DibPtr block;         // null when the image could not be decoded
  std::string failure;  // why not: the codec library's message, or why we refused; empty with a block
};

// As DecodeJpegFile / DecodeJp2File: a JPEG that decodes with warnings is a picture.
DecodeResult DecodeImageFile(const std::string& path, ImageCodec codec);
// As DecodeJpegMemory / DecodeJp2Memory: a damaged JPEG yields what was decoded.
DecodeResult DecodeImageMemory(const std::uint8_t* bytes, std::size_t length, ImageCodec codec);

}  // namespace selvo
