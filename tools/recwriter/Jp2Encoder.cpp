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


// The codec refuses more resolution levels than the smallest plane allows.
int ResolutionsFor(int smallestSide) {
  int levels = 1;
  while (levels < kMaxResolutions && (smallestSide >> levels) > 0) ++levels;
  return levels;
}

int PlaneExtent(int imageExtent, int step) { return (imageExtent + step - 1) / step; }

OpjImagePtr EmptyImage(const std::vector<Jp2Plane>& planes, int width, int height, OPJ_COLOR_SPACE space) {
  opj_image_cmptparm_t parameters[4];
  std::memset(parameters, 0, sizeof parameters);
  for (std::size_t c = 0; c < planes.size(); ++c) {
    parameters[c].dx = static_cast<OPJ_UINT32>(planes[c].dx);
    parameters[c].dy = static_cast<OPJ_UINT32>(planes[c].dy);
    parameters[c].w = static_cast<OPJ_UINT32>(PlaneExtent(width, planes[c].dx));
    parameters[c].h = static_cast<OPJ_UINT32>(PlaneExtent(height, planes[c].dy));
    parameters[c].prec = 8;
    parameters[c].sgnd = 0;
  }
  OpjImagePtr image(opj_image_create(static_cast<OPJ_UINT32>(planes.size()), parameters, space));
  if (!image) return image;
  image->x0 = 0;
  image->y0 = 0;
  image->x1 = static_cast<OPJ_UINT32>(width);
  image->y1 = static_cast<OPJ_UINT32>(height);
  return image;
}

OpjImagePtr PlanarImage(const std::vector<Jp2Plane>& planes, int width, int height, OPJ_COLOR_SPACE space) {
  OpjImagePtr image = EmptyImage(planes, width, height, space);
  if (!image) return image;
  for (std::size_t c = 0; c < planes.size(); ++c) {
    const std::vector<std::uint8_t>& samples = planes[c].samples;
    OPJ_INT32* plane = image->comps[c].data;
    for (std::size_t i = 0; i < samples.size(); ++i) plane[i] = samples[i];
  }
  return image;
}

std::vector<Jp2Plane> SplitInterleaved(const std::uint8_t* pixels, int width, int height, int components) {
  const std::size_t pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::vector<Jp2Plane> planes(static_cast<std::size_t>(components));
  for (int c = 0; c < components; ++c) {
    std::vector<std::uint8_t>& samples = planes[static_cast<std::size_t>(c)].samples;
    samples.resize(pixelCount);
    for (std::size_t i = 0; i < pixelCount; ++i) samples[i] = pixels[i * static_cast<std::size_t>(components) + c];
  }
  return planes;
}

bool PlanesFit(const std::vector<Jp2Plane>& planes, int width, int height) {
  if (planes.empty() || planes.size() > 4 || width <= 0 || height <= 0) return false;
  for (const Jp2Plane& plane : planes) {
    if (plane.dx < 1 || plane.dy < 1) return false;
    const std::size_t expected = static_cast<std::size_t>(PlaneExtent(width, plane.dx)) *
                                 static_cast<std::size_t>(PlaneExtent(height, plane.dy));
    if (plane.samples.size() != expected) return false;
  }
  return true;
}

int SmallestPlaneSide(const std::vector<Jp2Plane>& planes, int width, int height) {
  int smallest = std::min(width, height);
  for (const Jp2Plane& plane : planes) {
    smallest = std::min({smallest, PlaneExtent(width, plane.dx), PlaneExtent(height, plane.dy)});
  }
  return smallest;
}

struct EncodeChoice {
  OPJ_CODEC_FORMAT format;
  bool lossy;
  bool colourTransform;
};

std::vector<std::uint8_t> Encode(const std::vector<Jp2Plane>& planes, int width, int height, EncodeChoice choice) {
  std::vector<std::uint8_t> encoded;
  if (!PlanesFit(planes, width, height)) return encoded;
  const OPJ_COLOR_SPACE space = planes.size() == 1 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB;
  auto image = PlanarImage(planes, width, height, space);
  OpjCodecPtr codec(opj_create_compress(choice.format));
  if (!image || !codec) return encoded;
  opj_set_info_handler(codec.get(), DiscardOpjMessage, nullptr);
  opj_set_warning_handler(codec.get(), DiscardOpjMessage, nullptr);
  opj_set_error_handler(codec.get(), DiscardOpjMessage, nullptr);

  opj_cparameters_t parameters;
  opj_set_default_encoder_parameters(&parameters);
  parameters.numresolution = ResolutionsFor(SmallestPlaneSide(planes, width, height));
  parameters.tcp_numlayers = 1;
  parameters.tcp_mct = choice.colourTransform ? 1 : 0;
  if (choice.lossy) {
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

std::vector<std::uint8_t> EncodeInterleaved(const std::uint8_t* pixels, int width, int height, int components,
                                            bool lossy) {
  if (pixels == nullptr || width <= 0 || height <= 0 || (components != 1 && components != 3)) return {};
  return Encode(SplitInterleaved(pixels, width, height, components), width, height,
                EncodeChoice{OPJ_CODEC_JP2, lossy, components == 3});
}

}  // namespace

std::vector<std::uint8_t> EncodeJp2(const std::uint8_t* rgb, int width, int height) {
  return EncodeInterleaved(rgb, width, height, 3, true);
}

std::vector<std::uint8_t> EncodeLosslessJp2(const std::uint8_t* pixels, int width, int height, int components) {
  return EncodeInterleaved(pixels, width, height, components, false);
}

std::vector<std::uint8_t> EncodeLosslessCodestream(const std::vector<Jp2Plane>& planes, int width, int height) {
  return Encode(planes, width, height, EncodeChoice{OPJ_CODEC_J2K, false, false});
}

}  // namespace selvo
