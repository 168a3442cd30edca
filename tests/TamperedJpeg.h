#pragma once
// JPEGs of several makes, damaged the way an edit of the picture would
// damage them, and what libjpeg-turbo itself says about them: the tests
// must know whether a case is warning-level or fatal before they judge the
// viewer's answer.
#include <turbojpeg.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/recwriter/CompressedDataTamper.h"
#include "tools/recwriter/JpegEncoder.h"

namespace selvo::test {

enum class LibraryDamage { kNone, kWarning, kFatal };

inline const char* DamageName(LibraryDamage damage) {
  switch (damage) {
    case LibraryDamage::kNone: return "clean";
    case LibraryDamage::kWarning: return "warning";
    case LibraryDamage::kFatal: return "fatal";
  }
  return "?";
}

inline LibraryDamage LibraryVerdict(const std::vector<std::uint8_t>& jpeg) {
  tjhandle handle = tjInitDecompress();
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  LibraryDamage verdict = LibraryDamage::kFatal;
  if (tjDecompressHeader3(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), &width, &height,
                          &subsampling, &colorspace) == 0) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    const bool fourChannel = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
    const int result = tjDecompress2(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), pixels.data(),
                                     width, 0, height, fourChannel ? TJPF_CMYK : TJPF_BGRX, 0);
    if (result == 0) {
      verdict = LibraryDamage::kNone;
    } else if (tjGetErrorCode(handle) == TJERR_WARNING) {
      verdict = LibraryDamage::kWarning;
    }
  }
  tjDestroy(handle);
  return verdict;
}

// Progressive, 4:4:4, optimised Huffman tables: several scans, unlike what
// the recorder's cameras write.
inline std::vector<std::uint8_t> EncodeProgressiveJpeg(const std::uint8_t* rgb, int width, int height) {
  tjhandle handle = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  std::vector<std::uint8_t> jpeg;
  if (tjCompress2(handle, rgb, width, 0, height, TJPF_RGB, &out, &size, TJSAMP_444, 90,
                  TJFLAG_PROGRESSIVE) == 0) {
    jpeg.assign(out, out + size);
  }
  tjFree(out);
  tjDestroy(handle);
  return jpeg;
}

struct SampleJpeg {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

// A picture with detail, so that damaged data shows.
inline std::vector<std::uint8_t> DetailedRgb(int width, int height) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  unsigned noise = 2024;
  for (std::size_t i = 0; i < rgb.size(); ++i) {
    noise = noise * 1103515245u + 12345u;
    rgb[i] = static_cast<std::uint8_t>((i / 3 % static_cast<std::size_t>(width)) * 3 + ((noise >> 16) & 0x1F));
  }
  return rgb;
}

inline std::vector<SampleJpeg> VariedJpegs(int width, int height) {
  const std::vector<std::uint8_t> rgb = DetailedRgb(width, height);
  std::vector<std::uint8_t> grey(static_cast<std::size_t>(width) * height);
  std::vector<std::uint8_t> cmyk(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t i = 0; i < grey.size(); ++i) {
    grey[i] = rgb[i * 3];
    for (std::size_t c = 0; c < 3; ++c) cmyk[i * 4 + c] = rgb[i * 3 + c];
    cmyk[i * 4 + 3] = 200;
  }
  return {{"baseline 4:2:0", EncodeJpeg(rgb.data(), width, height, 85)},
          {"greyscale", EncodeGreyJpeg(grey.data(), width, height, 75)},
          {"four-channel", EncodeCmykJpeg(cmyk.data(), width, height, 90)},
          {"progressive 4:4:4", EncodeProgressiveJpeg(rgb.data(), width, height)}};
}

// Flips count bytes of the first scan's data at positions drawn from seed.
inline bool FlipScanBytes(std::vector<std::uint8_t>& jpeg, std::uint32_t seed, int count) {
  const std::optional<ByteSpan> scan = FindJpegScanData(jpeg);
  return scan && !FlipDataBytes(jpeg, *scan, seed, count).empty();
}

// Points the first scan's components at Huffman tables that were never
// defined: the header still reads, the decoding stops with a fatal error.
// The bytes changed lie in the scan header, outside the recorder's data sum.
inline bool BreakScanTables(std::vector<std::uint8_t>& jpeg) {
  const std::optional<ByteSpan> scan = FindJpegScanData(jpeg);
  if (!scan) return false;
  for (std::size_t p = scan->begin; p >= 2; --p) {
    if (jpeg[p - 2] != 0xFF || jpeg[p - 1] != 0xDA) continue;
    const std::size_t components = jpeg[p + 2];
    for (std::size_t k = 0; k < components; ++k) jpeg[p + 4 + 2 * k] = 0x33;
    return true;
  }
  return false;
}

}  // namespace selvo::test
