#include "source/Jp2Decoder.h"


#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "source/FileBytes.h"
#include "source/OpenJpegHandles.h"

namespace selvo {
namespace {

// More components than colour plus alpha only costs memory; such files are
// refused instead of decoded.
constexpr OPJ_UINT32 kMaxComponents = 4;
constexpr OPJ_UINT32 kMaxPrecision = 31;

struct MemorySource {
  const std::uint8_t* bytes;
  std::size_t size;
  std::size_t pos;
};

OPJ_SIZE_T ReadFromMemory(void* into, OPJ_SIZE_T count, void* user) {
  auto* source = static_cast<MemorySource*>(user);
  if (source->pos >= source->size) return static_cast<OPJ_SIZE_T>(-1);
  const std::size_t n = std::min<std::size_t>(count, source->size - source->pos);
  std::memcpy(into, source->bytes + source->pos, n);
  source->pos += n;
  return n;
}

OPJ_OFF_T SkipInMemory(OPJ_OFF_T count, void* user) {
  auto* source = static_cast<MemorySource*>(user);
  if (count < 0 && static_cast<std::size_t>(-count) > source->pos) return -1;
  // Like a file, skipping past the end is allowed; the next read then fails.
  const std::size_t room = source->size - source->pos;
  source->pos = count > 0 && static_cast<std::size_t>(count) > room ? source->size
                                                                    : source->pos + static_cast<std::size_t>(count);
  return count;
}

OPJ_BOOL SeekInMemory(OPJ_OFF_T pos, void* user) {
  auto* source = static_cast<MemorySource*>(user);
  if (pos < 0 || static_cast<std::size_t>(pos) > source->size) return OPJ_FALSE;
  source->pos = static_cast<std::size_t>(pos);
  return OPJ_TRUE;
}


OpjStreamPtr OpenMemoryStream(MemorySource& source) {
  OpjStreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
  if (!stream) return nullptr;
  opj_stream_set_user_data(stream.get(), &source, nullptr);
  opj_stream_set_user_data_length(stream.get(), source.size);
  opj_stream_set_read_function(stream.get(), ReadFromMemory);
  opj_stream_set_skip_function(stream.get(), SkipInMemory);
  opj_stream_set_seek_function(stream.get(), SeekInMemory);
  return stream;
}

OpjCodecPtr OpenQuietDecoder() {
  OpjCodecPtr codec(opj_create_decompress(OPJ_CODEC_JP2));
  if (!codec) return nullptr;
  opj_set_info_handler(codec.get(), DiscardOpjMessage, nullptr);
  opj_set_warning_handler(codec.get(), DiscardOpjMessage, nullptr);
  opj_set_error_handler(codec.get(), DiscardOpjMessage, nullptr);
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(codec.get(), &parameters)) return nullptr;
  return codec;
}

int ImageWidth(const opj_image_t& image) { return static_cast<int>(image.x1 - image.x0); }
int ImageHeight(const opj_image_t& image) { return static_cast<int>(image.y1 - image.y0); }

// Checked before any sample memory exists, so a hostile header costs nothing.
bool PlausibleHeader(const opj_image_t& image) {
  if (image.x1 <= image.x0 || image.y1 <= image.y0) return false;
  const std::int64_t width = static_cast<std::int64_t>(image.x1) - image.x0;
  const std::int64_t height = static_cast<std::int64_t>(image.y1) - image.y0;
  if (width > DibBlock::kMaxPixels || height > DibBlock::kMaxPixels) return false;
  if (width * height > DibBlock::kMaxPixels) return false;
  return image.numcomps >= 1 && image.numcomps <= kMaxComponents;
}

// One component, scaled to 8 bits and sampled on the image's pixel grid
// whatever its own resolution.
class ComponentSampler {
 public:
  bool Init(const opj_image_t& image, const opj_image_comp_t& comp) {
    if (comp.data == nullptr || comp.w == 0 || comp.h == 0 || comp.dx == 0 || comp.dy == 0) return false;
    if (comp.prec == 0 || comp.prec > kMaxPrecision) return false;
    comp_ = &comp;
    offset_ = comp.sgnd ? (std::int64_t{1} << (comp.prec - 1)) : 0;
    shift_ = comp.prec > 8 ? static_cast<int>(comp.prec - 8) : 0;
    maxValue_ = (std::int64_t{1} << comp.prec) - 1;
    columns_ = SampleIndices(image.x0, ImageWidth(image), comp.dx, comp.x0, comp.w);
    rows_ = SampleIndices(image.y0, ImageHeight(image), comp.dy, comp.y0, comp.h);
    return true;
  }

  // Row of the image counted from its top.
  const OPJ_INT32* Row(int y) const { return comp_->data + static_cast<std::size_t>(rows_[y]) * comp_->w; }
  std::uint8_t At(const OPJ_INT32* row, int x) const { return To8Bits(row[columns_[x]]); }

 private:
  static std::vector<OPJ_UINT32> SampleIndices(OPJ_UINT32 imageStart, int count, OPJ_UINT32 step,
                                               OPJ_UINT32 compStart, OPJ_UINT32 compCount) {
    std::vector<OPJ_UINT32> indices(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      const std::int64_t sample = (static_cast<std::int64_t>(imageStart) + i) / step - compStart;
      indices[static_cast<std::size_t>(i)] =
          static_cast<OPJ_UINT32>(std::clamp<std::int64_t>(sample, 0, static_cast<std::int64_t>(compCount) - 1));
    }
    return indices;
  }

  std::uint8_t To8Bits(OPJ_INT32 raw) const {
    std::int64_t value = std::clamp<std::int64_t>(static_cast<std::int64_t>(raw) + offset_, 0, maxValue_);
    if (shift_ > 0) return static_cast<std::uint8_t>(value >> shift_);
    if (maxValue_ == 255) return static_cast<std::uint8_t>(value);
    return static_cast<std::uint8_t>(value * 255 / maxValue_);
  }

  const opj_image_comp_t* comp_ = nullptr;
  std::int64_t offset_ = 0;
  int shift_ = 0;
  std::int64_t maxValue_ = 255;
  std::vector<OPJ_UINT32> columns_;
  std::vector<OPJ_UINT32> rows_;
};

std::uint8_t ClampToByte(double v) { return static_cast<std::uint8_t>(std::clamp(v + 0.5, 0.0, 255.0)); }

// Luma and chroma planes that the codec left untransformed (typical of
// subsampled files) are turned into colour here.
bool IsLumaChroma(const opj_image_t& image) {
  if (image.numcomps < 3) return false;
  if (image.color_space == OPJ_CLRSPC_SYCC) return true;
  const bool chromaSubsampled = image.comps[1].dx > image.comps[0].dx || image.comps[1].dy > image.comps[0].dy ||
                                image.comps[2].dx > image.comps[0].dx || image.comps[2].dy > image.comps[0].dy;
  return image.color_space == OPJ_CLRSPC_UNSPECIFIED && chromaSubsampled;
}

void StoreBgr(std::uint8_t* pixel, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  pixel[0] = blue;
  pixel[1] = green;
  pixel[2] = red;
}

bool FillColour(const opj_image_t& image, DibBlock& block) {
  ComponentSampler planes[3];
  for (int c = 0; c < 3; ++c) {
    if (!planes[c].Init(image, image.comps[c])) return false;
  }
  const bool lumaChroma = IsLumaChroma(image);
  for (int y = 0; y < block.Height(); ++y) {
    const OPJ_INT32* rows[3] = {planes[0].Row(y), planes[1].Row(y), planes[2].Row(y)};
    std::uint8_t* out = block.RowFromTop(y);
    for (int x = 0; x < block.Width(); ++x, out += 3) {
      const std::uint8_t a = planes[0].At(rows[0], x);
      const std::uint8_t b = planes[1].At(rows[1], x);
      const std::uint8_t c = planes[2].At(rows[2], x);
      if (!lumaChroma) {
        StoreBgr(out, a, b, c);
        continue;
      }
      const double cb = b - 128.0;
      const double cr = c - 128.0;
      StoreBgr(out, ClampToByte(a + 1.402 * cr), ClampToByte(a - 0.344136 * cb - 0.714136 * cr),
               ClampToByte(a + 1.772 * cb));
    }
  }
  return true;
}

bool FillGrey(const opj_image_t& image, DibBlock& block) {
  ComponentSampler grey;
  if (!grey.Init(image, image.comps[0])) return false;
  for (int y = 0; y < block.Height(); ++y) {
    const OPJ_INT32* row = grey.Row(y);
    std::uint8_t* out = block.RowFromTop(y);
    for (int x = 0; x < block.Width(); ++x, out += 3) {
      const std::uint8_t v = grey.At(row, x);
      StoreBgr(out, v, v, v);
    }
  }
  return true;
}

DibPtr ToDibBlock(const opj_image_t& image) {
  // A palette expands the component count during decoding, so look again.
  if (!PlausibleHeader(image)) return nullptr;
  DibPtr block = DibBlock::Create(ImageWidth(image), ImageHeight(image), 3);
  if (!block) return nullptr;
  const bool filled = image.numcomps >= 3 ? FillColour(image, *block) : FillGrey(image, *block);
  return filled ? std::move(block) : nullptr;
}

DibPtr DecodeJp2Bytes(const std::uint8_t* bytes, std::size_t length) {
  MemorySource source{bytes, length, 0};
  OpjStreamPtr stream = OpenMemoryStream(source);
  OpjCodecPtr codec = OpenQuietDecoder();
  if (!stream || !codec) return nullptr;
  opj_image_t* rawImage = nullptr;
  const bool headerRead = opj_read_header(stream.get(), codec.get(), &rawImage);
  OpjImagePtr image(rawImage);
  if (!headerRead || !image || !PlausibleHeader(*image)) return nullptr;
  if (!opj_decode(codec.get(), stream.get(), image.get())) return nullptr;
  if (!opj_end_decompress(codec.get(), stream.get())) return nullptr;
  return ToDibBlock(*image);
}

}  // namespace

DibPtr DecodeJp2File(const std::string& path, std::uint32_t* sizeOut) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, bytes) || bytes.empty()) return nullptr;
  return DecodeJp2Memory(bytes.data(), bytes.size(), sizeOut);
}

DibPtr DecodeJp2Memory(const std::uint8_t* bytes, std::size_t length, std::uint32_t* sizeOut) {
  if (bytes == nullptr || length == 0) return nullptr;
  DibPtr block = DecodeJp2Bytes(bytes, length);
  if (block && sizeOut != nullptr) *sizeOut = static_cast<std::uint32_t>(block->Size());
  return block;
}

}  // namespace selvo
