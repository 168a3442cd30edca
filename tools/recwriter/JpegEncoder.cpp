#include "tools/recwriter/JpegEncoder.h"

#include <turbojpeg.h>

namespace selvo {
namespace {

std::vector<std::uint8_t> Compress(const std::uint8_t* pixels, int width, int height, int pixelFormat,
                                   int subsampling, int quality) {
  std::vector<std::uint8_t> encoded;
  if (pixels == nullptr || width <= 0 || height <= 0) return encoded;
  tjhandle handle = tjInitCompress();
  if (handle == nullptr) return encoded;
  unsigned char* jpeg = nullptr;
  unsigned long jpegSize = 0;
  const int result = tjCompress2(handle, pixels, width, 0, height, pixelFormat, &jpeg, &jpegSize, subsampling,
                                 quality, TJFLAG_ACCURATEDCT);
  if (result == 0 && jpeg != nullptr) encoded.assign(jpeg, jpeg + jpegSize);
  tjFree(jpeg);
  tjDestroy(handle);
  return encoded;
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const std::uint8_t* rgb, int width, int height, int quality) {
  return Compress(rgb, width, height, TJPF_RGB, TJSAMP_420, quality);
}

std::vector<std::uint8_t> EncodeGreyJpeg(const std::uint8_t* grey, int width, int height, int quality) {
  return Compress(grey, width, height, TJPF_GRAY, TJSAMP_GRAY, quality);
}

std::vector<std::uint8_t> EncodeCmykJpeg(const std::uint8_t* cmyk, int width, int height, int quality) {
  return Compress(cmyk, width, height, TJPF_CMYK, TJSAMP_444, quality);
}

}  // namespace selvo
