// Pictures in every colour space a JPEG 2000 file can declare, decoded by us
// and by OpenJPEG's own command-line decoder, compared pixel by pixel. The
// files come from OpenJPEG's encoder where it can label them and from our box
// writer where it cannot (CMYK, e-sYCC, CIELab, ICC profiles, unknown codes).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "source/ByteOrder.h"
#include "source/ColourConversion.h"
#include "source/Jp2Decoder.h"
#include "source/JpegDecoder.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/Jp2BoxWriter.h"
#include "tools/recwriter/Jp2Encoder.h"
#include "tools/recwriter/JpegEncoder.h"

namespace selvo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Rgb = std::array<int, 3>;

constexpr int kWidth = 32;
constexpr int kHeight = 24;

bool ToolOnPath(const std::string& tool) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path != nullptr ? path : "");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (!folder.empty() && access((folder + "/" + tool).c_str(), X_OK) == 0) return true;
  }
  return false;
}

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// A plane of the given size whose samples sweep the whole 0..255 range in
// both directions, each plane differently, so that a swapped or
// misconverted plane shows somewhere.
Bytes Sweep(int width, int height, int seed) {
  Bytes samples;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int along = (x * 255) / std::max(1, width - 1);
      const int down = (y * 255) / std::max(1, height - 1);
      const int mixed = (seed % 3 == 0) ? along : (seed % 3 == 1) ? down : (along + down + seed * 37) % 256;
      samples.push_back(static_cast<std::uint8_t>(mixed));
    }
  }
  return samples;
}

std::vector<Jp2Plane> FullPlanes(int count) {
  std::vector<Jp2Plane> planes;
  for (int c = 0; c < count; ++c) planes.push_back(Jp2Plane{Sweep(kWidth, kHeight, c), 1, 1});
  return planes;
}

// Luma at full size, both chroma planes halved in each direction.
std::vector<Jp2Plane> LumaChroma420() {
  const int chromaWidth = (kWidth + 1) / 2;
  const int chromaHeight = (kHeight + 1) / 2;
  return {Jp2Plane{Sweep(kWidth, kHeight, 2), 1, 1}, Jp2Plane{Sweep(chromaWidth, chromaHeight, 0), 2, 2},
          Jp2Plane{Sweep(chromaWidth, chromaHeight, 1), 2, 2}};
}

Bytes Labelled(const std::vector<Jp2Plane>& planes, const Bytes& colourBox) {
  return WrapCodestream(EncodeLosslessCodestream(planes, kWidth, kHeight), kWidth, kHeight,
                        static_cast<int>(planes.size()), colourBox);
}

Bytes Interleaved(const std::vector<Jp2Plane>& planes) {
  Bytes pixels;
  for (std::size_t i = 0; i < planes[0].samples.size(); ++i) {
    for (const Jp2Plane& plane : planes) pixels.push_back(plane.samples[i]);
  }
  return pixels;
}

std::string PnmHeader(const char* magic) {
  return std::string(magic) + "\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
}

// opj_compress reads a PNM (sRGB or grey) or raw planes with subsampling
// (labelled sYCC); returns the .jp2 it wrote, empty when it failed.
Bytes CompressWithOpenJpeg(const test::TestFolder& folder, const std::vector<Jp2Plane>& planes) {
  std::string input;
  std::string options;
  if (planes[0].dx == planes[1 % planes.size()].dx) {
    const std::string header = PnmHeader(planes.size() == 1 ? "P5" : "P6");
    Bytes file(header.begin(), header.end());
    const Bytes pixels = Interleaved(planes);
    file.insert(file.end(), pixels.begin(), pixels.end());
    input = folder.Write(planes.size() == 1 ? "in.pgm" : "in.ppm", file);
  } else {
    Bytes file;
    std::string layout;
    for (const Jp2Plane& plane : planes) {
      file.insert(file.end(), plane.samples.begin(), plane.samples.end());
      layout += (layout.empty() ? "u@" : ":") + std::to_string(plane.dx) + "x" + std::to_string(plane.dy);
    }
    input = folder.Write("in.raw", file);
    options = " -F " + std::to_string(kWidth) + "," + std::to_string(kHeight) + "," + std::to_string(planes.size()) +
              ",8," + layout;
  }
  const std::string output = folder / "opj.jp2";
  // Three resolution levels suit the smallest plane of these small pictures.
  if (!Run("opj_compress -n 3 -i " + input + " -o " + output + options)) return {};
  return test::ReadFileBytes(output);
}

std::size_t SkipPnmSpace(const Bytes& file, std::size_t at) {
  while (at < file.size()) {
    if (file[at] == '#') {
      while (at < file.size() && file[at] != '\n') ++at;
    } else if (std::isspace(file[at])) {
      ++at;
    } else {
      break;
    }
  }
  return at;
}

int ReadPnmNumber(const Bytes& file, std::size_t& at) {
  at = SkipPnmSpace(file, at);
  int value = 0;
  while (at < file.size() && std::isdigit(file[at])) value = value * 10 + (file[at++] - '0');
  return value;
}

// Pixels of a P5 or P6 file, top row first, scaled to 0..255; empty when the
// file is not one of those or is short.
std::vector<Rgb> ReadPnm(const Bytes& file) {
  if (file.size() < 2 || file[0] != 'P' || (file[1] != '5' && file[1] != '6')) return {};
  const int channels = file[1] == '6' ? 3 : 1;
  std::size_t at = 2;
  const int width = ReadPnmNumber(file, at);
  const int height = ReadPnmNumber(file, at);
  const int maxValue = ReadPnmNumber(file, at);
  ++at;  // the single white-space byte before the samples
  const int sampleBytes = maxValue > 255 ? 2 : 1;
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (maxValue <= 0 || file.size() < at + count * static_cast<std::size_t>(channels * sampleBytes)) return {};
  std::vector<Rgb> pixels(count);
  for (std::size_t i = 0; i < count; ++i) {
    for (int c = 0; c < 3; ++c) {
      const std::size_t sample =
          at + (i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c % channels)) *
                   static_cast<std::size_t>(sampleBytes);
      const int raw = sampleBytes == 2 ? file[sample] * 256 + file[sample + 1] : file[sample];
      pixels[i][static_cast<std::size_t>(c)] = static_cast<int>(std::lround(raw * 255.0 / maxValue));
    }
  }
  return pixels;
}

// What opj_decompress makes of a file, as 8-bit RGB; empty when it failed.
std::vector<Rgb> OpenJpegReference(const test::TestFolder& folder, const std::string& jp2) {
  const std::string output = folder / "reference.ppm";
  if (!Run("opj_decompress -i " + jp2 + " -o " + output)) return {};
  return ReadPnm(test::ReadFileBytes(output));
}

// Largest difference of any channel of any pixel; -1 when the sizes differ.
int LargestDifference(const DibBlock& block, const std::vector<Rgb>& reference) {
  if (block.Width() != kWidth || block.Height() != kHeight || reference.size() != kWidth * kHeight) return -1;
  int largest = 0;
  for (int y = 0; y < kHeight; ++y) {
    const std::uint8_t* row = block.RowFromTop(y);
    for (int x = 0; x < kWidth; ++x) {
      const Rgb& expected = reference[static_cast<std::size_t>(y * kWidth + x)];
      for (int c = 0; c < 3; ++c) {
        largest = std::max(largest, std::abs(row[x * 3 + 2 - c] - expected[static_cast<std::size_t>(c)]));
      }
    }
  }
  return largest;
}

struct ColourCase {
  const char* name;
  std::function<Bytes(const test::TestFolder&)> make;
};

std::string CaseName(const testing::TestParamInfo<ColourCase>& info) { return info.param.name; }
void PrintTo(const ColourCase& colourCase, std::ostream* out) { *out << colourCase.name; }

const ColourCase kColourCases[] = {
    {"Srgb", [](const test::TestFolder& f) { return CompressWithOpenJpeg(f, FullPlanes(3)); }},
    {"Grey", [](const test::TestFolder& f) { return CompressWithOpenJpeg(f, FullPlanes(1)); }},
    {"Sycc420", [](const test::TestFolder& f) { return CompressWithOpenJpeg(f, LumaChroma420()); }},
    {"Sycc444", [](const test::TestFolder&) { return Labelled(FullPlanes(3), EnumeratedColourBox(18)); }},
    {"ESycc", [](const test::TestFolder&) { return Labelled(FullPlanes(3), EnumeratedColourBox(24)); }},
    {"Cmyk", [](const test::TestFolder&) { return Labelled(FullPlanes(4), EnumeratedColourBox(12)); }},
    {"CielabDefaultRanges", [](const test::TestFolder&) { return Labelled(FullPlanes(3), DefaultLabColourBox()); }},
    {"CielabOwnRanges",
     [](const test::TestFolder&) {
       return Labelled(FullPlanes(3), LabColourBox(LabRanges{80, 20, 200, 128, 180, 100}));
     }},
    {"UnknownCodeSubsampled",
     [](const test::TestFolder&) { return Labelled(LumaChroma420(), EnumeratedColourBox(99)); }},
    {"IccRgb", [](const test::TestFolder&) { return Labelled(FullPlanes(3), IccColourBox(WideGamutRgbProfile())); }},
    {"IccGrey", [](const test::TestFolder&) { return Labelled(FullPlanes(1), IccColourBox(LinearGreyProfile())); }},
};

class Jp2ColourSpace : public testing::TestWithParam<ColourCase> {};

TEST_P(Jp2ColourSpace, DecodesLikeOpenJpegsOwnDecoderWithinOne) {
  if (!ToolOnPath("opj_decompress") || !ToolOnPath("opj_compress")) {
    GTEST_SKIP() << "opj_compress / opj_decompress not installed (Debian package libopenjp2-tools; "
                    "tools/install-deps.sh installs it): no reference to compare with";
  }
  test::TestFolder folder;
  const Bytes jp2 = GetParam().make(folder);
  ASSERT_FALSE(jp2.empty()) << "fixture not written";
  const std::string path = folder.Write("picture.jp2", jp2);
  const std::vector<Rgb> reference = OpenJpegReference(folder, path);
  ASSERT_FALSE(reference.empty()) << "opj_decompress made nothing of " << path;
  const DibPtr block = DecodeJp2File(path, nullptr);
  ASSERT_TRUE(block);
  const int largest = LargestDifference(*block, reference);
  std::cout << "[ colour ] " << GetParam().name << ": largest difference from opj_decompress " << largest << "\n";
  EXPECT_GE(largest, 0) << "sizes differ";
  EXPECT_LE(largest, 1);
}

INSTANTIATE_TEST_SUITE_P(EveryDeclaredSpace, Jp2ColourSpace, testing::ValuesIn(kColourCases), CaseName);

TEST(MultiplyBytes, IsTheRoundedProductOver255ForEveryPair) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const int expected = static_cast<int>(std::lround(a * b / 255.0));
      ASSERT_EQ(MultiplyBytes(static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b)), expected) << a << " x " << b;
    }
  }
}

DibPtr DecodeBytes(const test::TestFolder& folder, const std::string& name, const Bytes& jp2) {
  return DecodeJp2File(folder.Write(name, jp2), nullptr);
}

bool SamePixels(const DibBlock& a, const DibBlock& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() && a.BytesPerPixel() == b.BytesPerPixel() &&
         std::equal(a.Pixels(), a.Pixels() + a.ImageBytes(), b.Pixels());
}

TEST(DecodeJp2File, CmykWithoutInkIsWhiteAndFullBlackInkIsBlack) {
  const Bytes none(kWidth * kHeight, 0);
  const Bytes full(kWidth * kHeight, 255);
  test::TestFolder folder;
  const DibPtr white = DecodeBytes(
      folder, "white.jp2", Labelled({{none, 1, 1}, {none, 1, 1}, {none, 1, 1}, {none, 1, 1}}, EnumeratedColourBox(12)));
  const DibPtr black = DecodeBytes(
      folder, "black.jp2", Labelled({{none, 1, 1}, {none, 1, 1}, {none, 1, 1}, {full, 1, 1}}, EnumeratedColourBox(12)));
  ASSERT_TRUE(white && black);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(white->RowFromTop(5)[9 * 3 + c], 255) << c;
    EXPECT_EQ(black->RowFromTop(5)[9 * 3 + c], 0) << c;
  }
}

// A colour box is whatever the file says. A profile that cannot be read or
// does not fit the picture is passed over and the picture still shown as its
// planes are; absurd CIELab ranges still give a picture.
TEST(DecodeJp2File, UnusableIccProfileOrAbsurdLabRangesStillGiveAPicture) {
  test::TestFolder folder;
  const std::vector<Jp2Plane> colour = FullPlanes(3);
  const std::vector<Jp2Plane> grey = FullPlanes(1);
  const DibPtr plainColour = DecodeBytes(folder, "rgb.jp2", Labelled(colour, EnumeratedColourBox(16)));
  const DibPtr plainGrey = DecodeBytes(folder, "grey.jp2", Labelled(grey, EnumeratedColourBox(17)));
  ASSERT_TRUE(plainColour && plainGrey);

  const Bytes profile = WideGamutRgbProfile();
  ASSERT_GT(profile.size(), 128u);
  const Bytes cut(profile.begin(), profile.begin() + static_cast<std::ptrdiff_t>(profile.size() / 2));
  Bytes overstated = profile;
  WriteBe32(&overstated[128], 0x7FFFFFFF);  // the tag count after the 128-byte header
  const struct {
    const char* name;
    const std::vector<Jp2Plane>* planes;
    Bytes profile;
  } unusable[] = {
      {"cut", &colour, cut},
      {"tag count overstated", &colour, overstated},
      {"garbage", &colour, Bytes(300, 0xAB)},
      {"one byte", &colour, Bytes(1, 0)},
      {"grey profile on colour", &colour, LinearGreyProfile()},
      {"colour profile on grey", &grey, profile},
  };
  for (const auto& item : unusable) {
    const DibPtr block = DecodeBytes(folder, "icc.jp2", Labelled(*item.planes, IccColourBox(item.profile)));
    ASSERT_TRUE(block) << item.name;
    EXPECT_TRUE(SamePixels(*block, item.planes == &colour ? *plainColour : *plainGrey)) << item.name;
  }

  const LabRanges absurd[] = {{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0, 0xFFFFFFFF}, {0, 0, 0, 0, 0, 0}};
  for (const LabRanges& ranges : absurd) {
    EXPECT_TRUE(DecodeBytes(folder, "lab.jp2", Labelled(colour, LabColourBox(ranges))));
  }
}

}  // namespace
}  // namespace selvo
