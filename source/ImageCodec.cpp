#include "source/ImageCodec.h"

#include "source/PathNames.h"

namespace selvo {

const char* FileExtensionOf(ImageCodec codec) { return codec == ImageCodec::Jpeg2000 ? "jp2" : "jpg"; }

std::optional<ImageCodec> ImageCodecOfPath(const std::string& path) {
  const std::string extension = LowerCaseExtension(path);
  if (extension == ".jpg") return ImageCodec::Jpeg;
  if (extension == ".jp2") return ImageCodec::Jpeg2000;
  return std::nullopt;
}

// jp2Wave is JPEG 2000 images beside a wave track; jp2 alone may also mean
// an MP3 track, which the recorder pairs with JPEG 2000 only.
std::optional<ImageCodec> ImageCodecOf(const MediaKind& kind) {
  if (kind.WantsJp2Files()) return ImageCodec::Jpeg2000;
  if (kind.jpeg != 0) return ImageCodec::Jpeg;
  return std::nullopt;
}

}  // namespace selvo
