#include "source/ImageDecoder.h"

#include "source/Jp2Decoder.h"
#include "source/JpegDecoder.h"

namespace selvo {

DecodeResult DecodeImageFile(const std::string& path, ImageCodec codec) {
  DecodeResult result;
  result.block = codec == ImageCodec::Jpeg ? DecodeJpegFile(path, nullptr, &result.failure)
                                           : DecodeJp2File(path, nullptr, &result.failure);
  return result;
}

DecodeResult DecodeImageMemory(const std::uint8_t* bytes, std::size_t length, ImageCodec codec) {
  DecodeResult result;
  result.block = codec == ImageCodec::Jpeg ? DecodeJpegMemory(bytes, length, nullptr, &result.failure)
                                           : DecodeJp2Memory(bytes, length, nullptr, &result.failure);
  return result;
}

}  // namespace selvo
