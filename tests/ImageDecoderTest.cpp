// A file cut short where the library gives up: the decoder says why, in the
// library's own words, for the tools to print after "undecodable".
#include "source/ImageDecoder.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <string>
#include <vector>

#include "tests/TestFolder.h"
#include "tools/recwriter/Jp2Encoder.h"
#include "tools/recwriter/JpegEncoder.h"

namespace selvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Picture(int width, int height) {
  Bytes rgb(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7);
  return rgb;
}

Bytes CutTo(const Bytes& bytes, std::size_t length) {
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
}

// Where the first scan starts: the start-of-scan marker.
std::size_t ScanStart(const Bytes& jpeg) {
  for (std::size_t i = 2; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) return i;
  }
  ADD_FAILURE() << "no scan";
  return jpeg.size();
}

// What TurboJPEG itself says of the header of these bytes; a header cut
// before its frame reads without a size, and the library's warning says why.
std::string TurboJpegHeaderError(const Bytes& bytes) {
  tjhandle handle = tjInitDecompress();
  int width = 0;
  int height = 0;
  int subsampling = 0;
  int colourspace = 0;
  const bool read = tjDecompressHeader3(handle, bytes.data(), static_cast<unsigned long>(bytes.size()), &width, &height,
                                        &subsampling, &colourspace) == 0 &&
                    width > 0 && height > 0;
  const std::string error = read ? std::string() : tjGetErrorStr2(handle);
  tjDestroy(handle);
  return error;
}

// Our own words: a reason in one of them was not the library's.
bool IsOwnWording(const std::string& failure) {
  for (const char* own : {"empty file", "refused", "gave no reason", "cannot be read", "too large", "cannot be made"}) {
    if (failure.find(own) != std::string::npos) return true;
  }
  return false;
}

TEST(ImageDecoder, ACutShortFileIsUndecodableWithTheLibrarysReason) {
  const Bytes rgb = Picture(64, 48);
  const Bytes jpeg = EncodeJpeg(rgb.data(), 64, 48, 85);
  const Bytes jp2 = EncodeJp2(rgb.data(), 64, 48);
  ASSERT_GT(jpeg.size(), 200u);
  ASSERT_GT(jp2.size(), 200u);
  const struct {
    const char* what;
    ImageCodec codec;
    Bytes bytes;
  } cases[] = {
      {"JPEG cut in its tables", ImageCodec::Jpeg, CutTo(jpeg, 100)},
      {"JPEG cut after its start marker", ImageCodec::Jpeg, CutTo(jpeg, 2)},
      {"JPEG cut before its scan", ImageCodec::Jpeg, CutTo(jpeg, ScanStart(jpeg))},
      {"JP2 cut in its header boxes", ImageCodec::Jpeg2000, CutTo(jp2, 60)},
      {"JP2 cut at its codestream's start", ImageCodec::Jpeg2000, CutTo(jp2, 90)},
  };
  test::TestFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const DecodeResult results[] = {DecodeImageMemory(c.bytes.data(), c.bytes.size(), c.codec),
                                    DecodeImageFile(folder.Write("cut", c.bytes), c.codec)};
    for (const DecodeResult& result : results) {
      EXPECT_FALSE(result.block);
      EXPECT_FALSE(result.failure.empty());
      EXPECT_FALSE(IsOwnWording(result.failure)) << result.failure;
      EXPECT_EQ(result.failure.find('\n'), std::string::npos) << result.failure;
      if (c.codec == ImageCodec::Jpeg) {
        EXPECT_EQ(result.failure, TurboJpegHeaderError(c.bytes));
      }
    }
  }
}

// A picture has no reason to carry; what we refuse ourselves is said in our words.
TEST(ImageDecoder, APictureCarriesNoReasonAndARefusalSaysOurs) {
  const Bytes rgb = Picture(16, 16);
  for (const auto& [codec, bytes] : {std::pair{ImageCodec::Jpeg, EncodeJpeg(rgb.data(), 16, 16, 85)},
                                     std::pair{ImageCodec::Jpeg2000, EncodeJp2(rgb.data(), 16, 16)}}) {
    const DecodeResult picture = DecodeImageMemory(bytes.data(), bytes.size(), codec);
    EXPECT_TRUE(picture.block);
    EXPECT_EQ(picture.failure, "");
    const DecodeResult empty = DecodeImageMemory(bytes.data(), 0, codec);
    EXPECT_FALSE(empty.block);
    EXPECT_EQ(empty.failure, "empty file");
    const DecodeResult missing = DecodeImageFile("/no/such/image", codec);
    EXPECT_FALSE(missing.block);
    EXPECT_EQ(missing.failure, "the file cannot be read");
  }
}

}  // namespace
}  // namespace selvo
