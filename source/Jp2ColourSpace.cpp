#include "source/Jp2ColourSpace.h"

#include <cmath>
#include <cstring>

namespace selvo {
namespace {

// OpenJPEG hands CIELab over as nine 32-bit words in the ICC profile's place,
// with a length of 0: the enumerated space (14), then either the tag "DEF"
// (default ranges) or 0 followed by range and offset of L, a and b, and the
// illuminant.
constexpr std::uint32_t kLabSpace = 14;
constexpr std::uint32_t kDefaultRangesTag = 0x44454600;
constexpr int kLabWords = 9;

bool ChromaSubsampled(const opj_image_t& image) {
  for (int c = 1; c <= 2; ++c) {
    if (image.comps[c].dx > image.comps[0].dx || image.comps[c].dy > image.comps[0].dy) return true;
  }
  return false;
}

bool CarriesLab(const opj_image_t& image) {
  if (image.icc_profile_buf == nullptr || image.icc_profile_len != 0 || image.numcomps < 3) return false;
  std::uint32_t space = 0;
  std::memcpy(&space, image.icc_profile_buf, sizeof space);
  return space == kLabSpace;
}

double FullScale(const opj_image_comp_t& comp) { return std::ldexp(1.0, static_cast<int>(comp.prec)) - 1.0; }

}  // namespace

Jp2ColourModel ColourModelOf(const opj_image_t& image) {
  if (image.numcomps < 3) return Jp2ColourModel::kGrey;
  if (CarriesLab(image)) return Jp2ColourModel::kLab;
  switch (image.color_space) {
    case OPJ_CLRSPC_SYCC:
    case OPJ_CLRSPC_EYCC:
      return Jp2ColourModel::kLumaChroma;
    case OPJ_CLRSPC_CMYK:
      return image.numcomps >= 4 ? Jp2ColourModel::kCmyk : Jp2ColourModel::kRgb;
    case OPJ_CLRSPC_UNKNOWN:
    case OPJ_CLRSPC_UNSPECIFIED:
      // RGB is never subsampled in practice; subsampled planes without a
      // known colour space are luma and chroma.
      return ChromaSubsampled(image) ? Jp2ColourModel::kLumaChroma : Jp2ColourModel::kRgb;
    default:
      return Jp2ColourModel::kRgb;
  }
}

int ComponentsFor(Jp2ColourModel model) {
  switch (model) {
    case Jp2ColourModel::kGrey:
      return 1;
    case Jp2ColourModel::kCmyk:
      return 4;
    default:
      return 3;
  }
}

const std::uint8_t* IccProfileOf(const opj_image_t& image, std::size_t* size) {
  const bool present = image.icc_profile_buf != nullptr && image.icc_profile_len > 0;
  if (size != nullptr) *size = present ? image.icc_profile_len : 0;
  return present ? image.icc_profile_buf : nullptr;
}

bool LabEncodingOf(const opj_image_t& image, LabEncoding& encoding) {
  if (!CarriesLab(image)) return false;
  for (int c = 0; c < 3; ++c) {
    if (image.comps[c].prec == 0 || image.comps[c].prec > 31) return false;
  }
  std::uint32_t words[kLabWords];
  std::memcpy(words, image.icc_profile_buf, sizeof words);
  double range[3];
  double offset[3];
  if (words[1] == kDefaultRangesTag) {
    range[0] = 100.0;
    range[1] = 170.0;
    range[2] = 200.0;
    offset[0] = 0.0;
    offset[1] = std::ldexp(1.0, static_cast<int>(image.comps[1].prec) - 1);
    offset[2] = std::ldexp(1.0, static_cast<int>(image.comps[2].prec) - 2) +
                std::ldexp(1.0, static_cast<int>(image.comps[2].prec) - 3);
  } else {
    for (int c = 0; c < 3; ++c) {
      range[c] = words[2 + 2 * c];
      offset[c] = words[3 + 2 * c];
    }
  }
  for (int c = 0; c < 3; ++c) {
    encoding.range[c] = range[c];
    encoding.minimum[c] = -range[c] * offset[c] / FullScale(image.comps[c]);
  }
  return true;
}

}  // namespace selvo
