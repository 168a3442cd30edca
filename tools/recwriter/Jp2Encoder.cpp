#include "tools/recwriter/Jp2Encoder.h"


#include <algorithm>
#include <cstring>
#include <memory>

#include "source/OpenJpegHandles.h"

namespace selvo {
namespace {

// Compressed size is one part in this many of the raw samples.
constexpr float kLossyRatio = 12.0f;
constexpr int kMaxResolutions = 6;

struct MemorySink {
  std::vector<std::uint8_t>* bytes;
  std::size_t pos;
};

OPJ_SIZE_T WriteToMemory(void* from, OPJ_SIZE_T count, void* user) {
  auto* sink = static_cast<MemorySink*>(user);
  if (sink->pos + count > sink->bytes->size()) sink->bytes->resize(sink->pos + count);
  std::memcpy(sink->bytes->data() + sink->pos, from, count);
  sink->pos += count;
  return count;
}

OPJ_OFF_T SkipInMemory(OPJ_OFF_T count, void* user) {
  auto* sink = static_cast<MemorySink*>(user);
  if (count < 0 && static_cast<std::size_t>(-count) > sink->pos) return -1;
  sink->pos = static_cast<std::size_t>(static_cast<OPJ_OFF_T>(sink->pos) + count);
  if (sink->pos > sink->bytes->size()) sink->bytes->resize(sink->pos);
  return count;
}

OPJ_BOOL SeekInMemory(OPJ_OFF_T pos, void* user) {
  auto* sink = static_cast<MemorySink*>(user);
  if (pos < 0) return OPJ_FALSE;
  sink->pos = static_cast<std::size_t>(pos);
  if (sink->pos > sink->bytes->size()) sink->bytes->resize(sink->pos);
  return OPJ_TRUE;
}


// The codec refuses more resolution levels than the smaller side allows.
int ResolutionsFor(int width, int height) {
  int levels = 1;
  while (levels < kMaxResolutions && (std::min(width, height) >> levels) > 0) ++levels;
  return levels;
}

OpjImagePtr PlanarImage(const std::uint8_t* pixels, int width, int height,
                                                       int components) {
  opj_image_cmptparm_t parameters[3];
  std::memset(parameters, 0, sizeof parameters);
  for (int c = 0; c < components; ++c) {
    parameters[c].dx = 1;
    parameters[c].dy = 1;
    parameters[c].w = static_cast<OPJ_UINT32>(width);
    parameters[c].h = static_cast<OPJ_UINT32>(height);
    parameters[c].prec = 8;
    parameters[c].sgnd = 0;
  }
  const OPJ_COLOR_SPACE space = components == 1 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB;
  OpjImagePtr image(
      opj_image_create(static_cast<OPJ_UINT32>(components), parameters, space));
  if (!image) return image;
  image->x0 = 0;
  image->y0 = 0;
  image->x1 = static_cast<OPJ_UINT32>(width);
  image->y1 = static_cast<OPJ_UINT32>(height);
  const std::size_t pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  for (int c = 0; c < components; ++c) {
    OPJ_INT32* plane = image->comps[c].data;
    for (std::size_t i = 0; i < pixelCount; ++i) plane[i] = pixels[i * static_cast<std::size_t>(components) + c];
  }
  return image;
}

std::vector<std::uint8_t> Encode(const std::uint8_t* pixels, int width, int height, int components, bool lossy) {
  std::vector<std::uint8_t> encoded;
  if (pixels == nullptr || width <= 0 || height <= 0 || (components != 1 && components != 3)) return encoded;
  auto image = PlanarImage(pixels, width, height, components);
  OpjCodecPtr codec(opj_create_compress(OPJ_CODEC_JP2));
  if (!image || !codec) return encoded;
  opj_set_info_handler(codec.get(), DiscardOpjMessage, nullptr);
  opj_set_warning_handler(codec.get(), DiscardOpjMessage, nullptr);
  opj_set_error_handler(codec.get(), DiscardOpjMessage, nullptr);

  opj_cparameters_t parameters;
  opj_set_default_encoder_parameters(&parameters);
  parameters.numresolution = ResolutionsFor(width, height);
  parameters.tcp_numlayers = 1;
  parameters.tcp_mct = components == 3 ? 1 : 0;
  if (lossy) {
    parameters.irreversible = 1;
    parameters.tcp_rates[0] = kLossyRatio;
  } else {
    parameters.tcp_rates[0] = 0;  // 0 keeps every bit
  }
  parameters.cp_disto_alloc = 1;
  if (!opj_setup_encoder(codec.get(), &parameters, image.get())) return encoded;

  MemorySink sink{&encoded, 0};
  OpjStreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE));
  if (!stream) return encoded;
  opj_stream_set_user_data(stream.get(), &sink, nullptr);
  opj_stream_set_write_function(stream.get(), WriteToMemory);
  opj_stream_set_skip_function(stream.get(), SkipInMemory);
  opj_stream_set_seek_function(stream.get(), SeekInMemory);

  const bool done = opj_start_compress(codec.get(), image.get(), stream.get()) &&
                    opj_encode(codec.get(), stream.get()) && opj_end_compress(codec.get(), stream.get());
  if (!done) encoded.clear();
  return encoded;
}

}  // namespace

std::vector<std::uint8_t> EncodeJp2(const std::uint8_t* rgb, int width, int height) {
  return Encode(rgb, width, height, 3, true);
}

std::vector<std::uint8_t> EncodeLosslessJp2(const std::uint8_t* pixels, int width, int height, int components) {
  return Encode(pixels, width, height, components, false);
}

}  // namespace selvo
