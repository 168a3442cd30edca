#pragma once
// Stretches the picture rows of a decoded image onto a box of an RGB32
// buffer, bilinear, in one pass straight from the decoder's blue-green-red
// rows: no opaque copy of the picture first and no helper threads. The
// screen draws fifty pictures a second this way; Qt's own scaled drawing
// costs three times as much on the same pixels, most of it handing rows to
// its thread pool and gathering single pixels. The tables and row buffers
// are kept between pictures of one size. The vector paths (view/render/
// SimdPath) all give the scalar loops' bytes.
#include <cstdint>
#include <vector>

#include <QImage>

#include "source/DibBlock.h"
#include "view/render/PaneLayout.h"
#include "view/render/SimdPath.h"

namespace selvo {

class PictureStretch {
 public:
  // Draws the rows below the first topCut rows of image onto box of buffer,
  // clipped to the buffer. False (and nothing drawn) when there are no rows
  // to draw or the buffer is not 32-bit RGB.
  bool Draw(const DibBlock& image, int topCut, QImage& buffer, const PixelBox& box);

 private:
  // Where an output column or row samples the picture: the first of the two
  // neighbours it blends and the second one's weight in 256ths.
  struct Tap {
    int index = 0;
    std::uint8_t weight = 0;
  };
  static void BuildTaps(int source, int target, std::vector<Tap>& taps);
  void Prepare(int sourceWidth, int sourceRows, int bytesPerPixel, const PixelBox& box);
  bool GroupFitsOneRead(int x, int columns, int readBytes, int rowBytes) const;
  void PrepareShuffles(int rowBytes);
  void PreparePermutes(int rowBytes);
  // Source row `row` stretched to the box's width as opaque pixels, from
  // firstColumn on, into whichever of the two kept rows does not hold row
  // `keep`; answers that row.
  const std::uint32_t* StretchedRow(const DibBlock& image, int topCut, int row, int keep, int firstColumn,
                                    int columns);

  // The vector path this picture is drawn with, taken once per picture.
  SimdPath path_ = SimdPath::kScalar;
  int sourceWidth_ = 0;
  int sourceRows_ = 0;
  int bytesPerPixel_ = 0;
  int boxWidth_ = 0;
  int boxHeight_ = 0;
  std::vector<Tap> columns_;
  std::vector<Tap> rows_;
  std::vector<int> columnBytes_;             // byte offset of each column's first neighbour
  std::vector<std::uint8_t> columnWeights_;  // each column's weight, once per byte of a pixel
  // Columns whose two neighbours can be read as four bytes each without
  // passing the end of the row; the rest are read byte by byte.
  int wholeReadColumns_ = 0;
  // Groups of four columns from the first whose neighbours all lie in one
  // 16-byte read of the row: where each read starts, and two byte shuffles
  // of it (16 bytes each) giving the four first and the four second
  // neighbours.
  std::vector<int> groupBytes_;
  std::vector<std::uint8_t> shuffles_;
  // The same for groups of sixteen columns in one 64-byte read (AVX-512):
  // where each read starts, and per half of eight columns the byte of the
  // read that each colour of each first neighbour takes, in 16-bit lanes;
  // the second neighbours lie a pixel further on.
  std::vector<int> wideBytes_;
  std::vector<std::uint8_t> widePermutes_;
  // Two source rows stretched across, kept while the output rows still
  // blend them: a picture is stretched across once per source row.
  std::vector<std::uint32_t> stretched_[2];
  int stretchedRow_[2] = {-1, -1};
  std::vector<std::uint32_t> left_;
  std::vector<std::uint32_t> right_;
};

}  // namespace selvo
