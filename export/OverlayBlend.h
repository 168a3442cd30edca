#pragma once
// The texts and marks of a frame as a map over the picture's limited-range
// BT.601 Y, Cb and Cr: each pixel becomes add + keep x picture. Drawing the
// overlays once over black and once over white gives both terms per pixel,
// since what a painter does there (shade, text blended over it, opaque
// boxes) is that affine in the picture's colour, and YCbCr is affine in
// RGB. The picture is then never turned into RGB and back.
#include <cstdint>
#include <vector>

#include "export/FrameCanvas.h"

namespace selvo {

class OverlayBlend {
 public:
  // overBlack and overWhite: the same overlays drawn over black and over
  // white canvases of the frame's size (RGB32).
  void Build(const FrameCanvas& overBlack, const FrameCanvas& overWhite);
  // Onto 4:2:0 planes of the frame's size.
  void Apply(std::uint8_t* const planes[3], const int strides[3]) const;
  bool Empty() const { return width_ == 0; }

 private:
  struct Term {
    std::int16_t add = 0;    // in steps of the plane's code values
    std::uint16_t keep = 0;  // of the picture, in 256ths
  };
  void BuildLuma(const FrameCanvas& overBlack, const FrameCanvas& overWhite);
  void BuildChroma(const FrameCanvas& overBlack, const FrameCanvas& overWhite);

  // The even-aligned rectangle the overlays touch.
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  std::vector<Term> luma_;  // width_ x height_
  std::vector<Term> blue_;  // (width_ / 2) x (height_ / 2)
  std::vector<Term> red_;
};

}  // namespace selvo
