#pragma once
// Which of the two codecs a recorder wrote a recording's frames in. The
// probe decides it for a folder, a file's extension for a single image; the
// trailer parser, the decoders and the exports all go by it.
#include <optional>
#include <string>

#include "source/MediaKind.h"

namespace selvo {

enum class ImageCodec { Jpeg, Jpeg2000 };

// The extension the recorder gives its files, without the dot: "jpg", "jp2".
const char* FileExtensionOf(ImageCodec codec);

// The codec a file's extension names, whatever its case; none for anything
// but ".jpg" and ".jp2".
std::optional<ImageCodec> ImageCodecOfPath(const std::string& path);

// The codec of the images the media probe found; none when it found none.
std::optional<ImageCodec> ImageCodecOf(const MediaKind& kind);

}  // namespace selvo
