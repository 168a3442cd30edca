#pragma once
// What motion analysis looks at: a small luminance picture of one recorded
// image, decoded straight at a fraction of its size. Colour and full
// resolution cost most of a decode and tell nothing more about whether
// something moved in an area of a few hundred pixels.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "source/motion/MotionRect.h"

namespace selvo {

struct LumaPicture {
  int width = 0;  // samples
  int height = 0;
  int scale = 1;  // recorded pixels per sample along each side: 1, 2, 4 or 8
  int originX = 0;  // the recorded pixel at the top-left corner of sample (0, 0)
  int originY = 0;
  int pictureWidth = 0;  // the recorded picture
  int pictureHeight = 0;
  std::vector<std::uint8_t> samples;  // top row first, width per row

  // Whether two pictures are sampled alike, so their samples compare.
  bool SameGrid(const LumaPicture& other) const {
    return width == other.width && height == other.height && scale == other.scale && originX == other.originX &&
           originY == other.originY;
  }
};

enum class LumaOutcome {
  kDecoded,
  kNotAnImage,  // neither JPEG nor JPEG 2000
  kUndecodable,  // the library gave up
  kDamaged,  // the library finished but reported corrupt data: the picture is not the recorded one
};

// Why an image was not searched, in words for a list.
const char* LumaOutcomeText(LumaOutcome outcome);

// The coarsest of 1/8, 1/4, 1/2 and 1 at which every area still spans
// enough samples on its shorter side to tell a figure from noise.
int MotionScaleFor(const std::vector<MotionRect>& areas);

// The recorded pixels a picture must be decoded over: the areas with room
// above and beside them for judging the light of the scene, and nothing
// below them. A JPEG is decoded across its whole width down to its bottom edge,
// a JPEG 2000 over the window alone.
MotionRect MotionWindowFor(const std::vector<MotionRect>& areas);

// One per thread: it keeps the libraries' handles between images.
class LumaDecoder {
 public:
  LumaDecoder();
  ~LumaDecoder();
  LumaDecoder(const LumaDecoder&) = delete;
  LumaDecoder& operator=(const LumaDecoder&) = delete;

  // Decodes a JPEG at 1/scale down to the window's bottom edge, or a JPEG
  // 2000 at the nearest resolution it holds over window (clipped to the
  // picture), into out. The kind is taken from the bytes, never from a file
  // name.
  LumaOutcome Decode(const std::uint8_t* bytes, std::size_t length, int scale, const MotionRect& window,
                     LumaPicture& out);

 private:
  LumaOutcome DecodeJpeg(const std::uint8_t* bytes, std::size_t length, int scale, const MotionRect& window,
                         LumaPicture& out);
  LumaOutcome DecodeJp2(const std::uint8_t* bytes, std::size_t length, bool bareCodestream, int scale,
                        const MotionRect& window, LumaPicture& out);

  struct JpegState;
  std::unique_ptr<JpegState> jpeg_;
};

}  // namespace selvo
