#pragma once
// How the components of a decoded JPEG 2000 image become colour: which
// conversion their declared colour space needs, and where the image carries
// an ICC profile or CIELab ranges.
#include <openjpeg.h>

#include <cstddef>
#include <cstdint>

namespace selvo {

enum class Jp2ColourModel {
  kGrey,        // one component (a second one is alpha)
  kRgb,         // the first three components as they are
  kLumaChroma,  // sYCC, e-sYCC, or undeclared planes with subsampled chroma
  kCmyk,        // four ink components
  kLab,         // CIELab, with the ranges from LabEncodingOf
};

Jp2ColourModel ColourModelOf(const opj_image_t& image);

// Components used by a model: 1, 3 or 4.
int ComponentsFor(Jp2ColourModel model);

// The embedded ICC profile; null (and size 0) when there is none.
const std::uint8_t* IccProfileOf(const opj_image_t& image, std::size_t* size);

// A CIELab sample at level 0..1 of its component's range is
// minimum + level x range.
struct LabEncoding {
  double minimum[3];
  double range[3];
};

// False when the image is not CIELab.
bool LabEncodingOf(const opj_image_t& image, LabEncoding& encoding);

}  // namespace selvo
