#include "source/Jp2Decoder.h"


#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "source/ColourConversion.h"
#include "source/ColourTransform.h"
#include "source/FileBytes.h"
#include "source/Jp2ColourSpace.h"
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

// The library's first error is the cause; those after it tell only that the
// decode as a whole failed.
void KeepFirstOpjError(const char* message, void* user) {
  auto* failure = static_cast<std::string*>(user);
  if (!failure->empty() || message == nullptr) return;
  *failure = message;
  while (!failure->empty() && (failure->back() == '\n' || failure->back() == ' ')) failure->pop_back();
}

// Quiet on the terminal: errors go to failure, the rest nowhere.
OpjCodecPtr OpenQuietDecoder(std::string& failure) {
  OpjCodecPtr codec(opj_create_decompress(OPJ_CODEC_JP2));
  if (!codec) return nullptr;
  opj_set_info_handler(codec.get(), DiscardOpjMessage, nullptr);
  opj_set_warning_handler(codec.get(), DiscardOpjMessage, nullptr);
  opj_set_error_handler(codec.get(), KeepFirstOpjError, &failure);
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

// The library walks every packet the main header promises, tiles times
// quality layers times resolutions times components, whether or not the
// file holds any data for them: 241 bytes claiming 44,545 layers took half
// a second. A recorder's frame has one tile or a few and a handful of
// layers, thousands of packets at most; the bound keeps the walk under
// about 50 ms.
constexpr std::uint64_t kMaxPackets = std::uint64_t{1} << 18;

bool PlausiblePacketCount(opj_codec_t* codec) {
  opj_codestream_info_v2_t* info = opj_get_cstr_info(codec);
  if (info == nullptr) return false;
  std::uint64_t resolutions = 0;
  const opj_tile_info_v2_t& tile = info->m_default_tile_info;
  for (OPJ_UINT32 c = 0; tile.tccp_info != nullptr && c < info->nbcomps; ++c)
    resolutions += tile.tccp_info[c].numresolutions;
  const std::uint64_t packets =
      static_cast<std::uint64_t>(info->tw) * info->th * std::max<OPJ_UINT32>(tile.numlayers, 1) * resolutions;
  opj_destroy_cstr_info(&info);
  return packets <= kMaxPackets;
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
  // The sample as a fraction of the component's full scale, every bit kept.
  double Level(const OPJ_INT32* row, int x) const {
    return static_cast<double>(Unsigned(row[columns_[x]])) / static_cast<double>(maxValue_);
  }

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

  std::int64_t Unsigned(OPJ_INT32 raw) const {
    return std::clamp<std::int64_t>(static_cast<std::int64_t>(raw) + offset_, 0, maxValue_);
  }

  std::uint8_t To8Bits(OPJ_INT32 raw) const {
    const std::int64_t value = Unsigned(raw);
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

void StoreBgr(std::uint8_t* pixel, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  pixel[0] = blue;
  pixel[1] = green;
  pixel[2] = red;
}

bool InitPlanes(const opj_image_t& image, int count, ComponentSampler* planes) {
  for (int c = 0; c < count; ++c) {
    if (!planes[c].Init(image, image.comps[c])) return false;
  }
  return true;
}

// Far outside any real CIELab value, yet keeps absurd ranges from a hostile
// header away from infinity.
constexpr double kLabLimit = 1000.0;

bool FillLab(const opj_image_t& image, DibBlock& block) {
  LabEncoding encoding;
  const std::unique_ptr<ColourTransform> transform = ColourTransform::FromLab();
  ComponentSampler planes[3];
  if (!LabEncodingOf(image, encoding) || !transform || !InitPlanes(image, 3, planes)) return false;
  std::vector<double> lab(static_cast<std::size_t>(block.Width()) * 3);
  for (int y = 0; y < block.Height(); ++y) {
    const OPJ_INT32* rows[3] = {planes[0].Row(y), planes[1].Row(y), planes[2].Row(y)};
    for (int x = 0; x < block.Width(); ++x) {
      for (int c = 0; c < 3; ++c) {
        const double value = encoding.minimum[c] + planes[c].Level(rows[c], x) * encoding.range[c];
        lab[static_cast<std::size_t>(x) * 3 + static_cast<std::size_t>(c)] = std::clamp(value, -kLabLimit, kLabLimit);
      }
    }
    transform->Convert(lab.data(), block.RowFromTop(y), block.Width());
  }
  return true;
}

// A profile that does not fit the picture's colour (an RGB profile on grey,
// ink or Lab planes) or cannot be read is passed over: the picture is still
// shown, as its declared colour space has it.
std::unique_ptr<ColourTransform> ProfileTransform(const opj_image_t& image, Jp2ColourModel model) {
  if (model == Jp2ColourModel::kCmyk || model == Jp2ColourModel::kLab) return nullptr;
  std::size_t size = 0;
  const std::uint8_t* profile = IccProfileOf(image, &size);
  const ColourTransform::Input input =
      model == Jp2ColourModel::kGrey ? ColourTransform::Input::kGreyInBgr : ColourTransform::Input::kBgr;
  return profile != nullptr ? ColourTransform::FromIccProfile(profile, size, input) : nullptr;
}

void ConvertPixel(Jp2ColourModel model, const std::uint8_t* samples, std::uint8_t* bgr) {
  switch (model) {
    case Jp2ColourModel::kGrey:
      StoreBgr(bgr, samples[0], samples[0], samples[0]);
      return;
    case Jp2ColourModel::kLumaChroma:
      LumaChromaToBgr(samples[0], samples[1], samples[2], bgr);
      return;
    case Jp2ColourModel::kCmyk:
      InkToBgr(samples[0], samples[1], samples[2], samples[3], bgr);
      return;
    default:
      StoreBgr(bgr, samples[0], samples[1], samples[2]);
      return;
  }
}

bool FillConverted(const opj_image_t& image, Jp2ColourModel model, DibBlock& block) {
  const int count = ComponentsFor(model);
  ComponentSampler planes[4];
  if (!InitPlanes(image, count, planes)) return false;
  const std::unique_ptr<ColourTransform> profile = ProfileTransform(image, model);
  const std::size_t rowBytes = static_cast<std::size_t>(block.Width()) * 3;
  std::vector<std::uint8_t> unprofiled(profile ? rowBytes : 0);
  for (int y = 0; y < block.Height(); ++y) {
    const OPJ_INT32* rows[4] = {};
    for (int c = 0; c < count; ++c) rows[c] = planes[c].Row(y);
    std::uint8_t* out = block.RowFromTop(y);
    for (int x = 0; x < block.Width(); ++x) {
      std::uint8_t samples[4] = {};
      for (int c = 0; c < count; ++c) samples[c] = planes[c].At(rows[c], x);
      ConvertPixel(model, samples, out + static_cast<std::size_t>(x) * 3);
    }
    if (profile) {
      std::copy(out, out + rowBytes, unprofiled.begin());
      profile->Convert(unprofiled.data(), out, block.Width());
    }
  }
  return true;
}

DibPtr ToDibBlock(const opj_image_t& image, std::string& failure) {
  // A palette expands the component count during decoding, so look again.
  if (!PlausibleHeader(image)) {
    failure = "more components or pixels than a camera writes, refused";
    return nullptr;
  }
  DibPtr block = DibBlock::Create(ImageWidth(image), ImageHeight(image), 3);
  if (!block) {
    failure = "picture too large to decode";
    return nullptr;
  }
  const Jp2ColourModel model = ColourModelOf(image);
  const bool filled = model == Jp2ColourModel::kLab ? FillLab(image, *block) : FillConverted(image, model, *block);
  if (!filled) failure = "components the picture cannot be made of";
  return filled ? std::move(block) : nullptr;
}

// failure is left empty only where the library said nothing; the caller
// words that case.
DibPtr DecodeJp2Bytes(const std::uint8_t* bytes, std::size_t length, std::string& failure) {
  MemorySource source{bytes, length, 0};
  OpjStreamPtr stream = OpenMemoryStream(source);
  OpjCodecPtr codec = OpenQuietDecoder(failure);
  if (!stream || !codec) return nullptr;
  opj_image_t* rawImage = nullptr;
  const bool headerRead = opj_read_header(stream.get(), codec.get(), &rawImage);
  OpjImagePtr image(rawImage);
  if (!headerRead || !image) return nullptr;
  if (!PlausibleHeader(*image) || !PlausiblePacketCount(codec.get())) {
    failure = "more components, pixels or packets than a camera writes, refused";
    return nullptr;
  }
  if (!opj_decode(codec.get(), stream.get(), image.get())) return nullptr;
  if (!opj_end_decompress(codec.get(), stream.get())) return nullptr;
  return ToDibBlock(*image, failure);
}

void NoteFailure(const std::string& text, std::string* failure) {
  if (failure != nullptr) *failure = text.empty() ? "the JPEG 2000 library gave no reason" : text;
}

}  // namespace

DibPtr DecodeJp2File(const std::string& path, std::uint32_t* sizeOut, std::string* failure) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) {
    NoteFailure("the file cannot be read", failure);
    return nullptr;
  }
  return DecodeJp2Memory(bytes.data(), bytes.size(), sizeOut, failure);
}

DibPtr DecodeJp2Memory(const std::uint8_t* bytes, std::size_t length, std::uint32_t* sizeOut, std::string* failure) {
  if (bytes == nullptr || length == 0) {
    NoteFailure("empty file", failure);
    return nullptr;
  }
  std::string why;
  DibPtr block = DecodeJp2Bytes(bytes, length, why);
  if (!block) {
    NoteFailure(why, failure);
    return nullptr;
  }
  if (sizeOut != nullptr) *sizeOut = static_cast<std::uint32_t>(block->Size());
  return block;
}

}  // namespace selvo
