#pragma once
// JPEG 2000 files put together box by box around a bare codestream, so that
// tests can label the same samples with any colour specification, including
// ones our encoder never writes (CMYK, e-sYCC, CIELab, ICC profiles, codes a
// decoder does not know).
#include <cstdint>
#include <vector>

namespace selvo {

// Colour specification box with an enumerated colour space (method 1):
// 16 sRGB, 17 greyscale, 18 sYCC, 24 e-sYCC, 12 CMYK, anything else unknown.
std::vector<std::uint8_t> EnumeratedColourBox(std::uint32_t enumeratedSpace);

// CIELab (enumerated 14) with its ranges and offsets; without them (the
// seven-byte form) a reader uses the default ranges.
struct LabRanges {
  std::uint32_t rangeL, offsetL, rangeA, offsetA, rangeB, offsetB;
};
std::vector<std::uint8_t> DefaultLabColourBox();
std::vector<std::uint8_t> LabColourBox(const LabRanges& ranges);

// Colour specification box carrying an ICC profile (method 2).
std::vector<std::uint8_t> IccColourBox(const std::vector<std::uint8_t>& profile);

// Signature, file type, header (image header + colourBox) and codestream
// boxes. components and 8-bit precision are written into the image header;
// they must agree with the codestream.
std::vector<std::uint8_t> WrapCodestream(const std::vector<std::uint8_t>& codestream, int width, int height,
                                         int components, const std::vector<std::uint8_t>& colourBox);

// ICC profiles that differ clearly from sRGB: RGB with wide-gamut primaries
// and gamma 2.2 (a D65 white), and grey with gamma 1.0.
std::vector<std::uint8_t> WideGamutRgbProfile();
std::vector<std::uint8_t> LinearGreyProfile();

}  // namespace selvo
