#include "source/motion/LumaDecoder.h"

#include <openjpeg.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "source/DibBlock.h"
#include "source/OpenJpegHandles.h"

namespace selvo {

namespace {

// A person a few hundred pixels tall stays a dozen samples or more.
constexpr int kLeastAreaSamples = 16;
// The light of the scene is judged beyond the areas too: a figure filling
// an area must not pass for a change of the light.
constexpr int kLeastWindowMargin = 64;
// Packets the library may walk for one picture, as the viewer's decoder
// bounds them: a hostile header must not cost seconds.
constexpr std::uint64_t kMostPackets = std::uint64_t{1} << 18;
// Scans of a progressive JPEG, as the viewer's decoder bounds them.
constexpr int kMostScans = 500;

bool IsJpeg(const std::uint8_t* bytes, std::size_t length) {
  return length >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

bool IsJp2File(const std::uint8_t* bytes, std::size_t length) {
  static const std::uint8_t kSignature[] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  return length >= sizeof kSignature && std::memcmp(bytes, kSignature, sizeof kSignature) == 0;
}

bool IsJ2kCodestream(const std::uint8_t* bytes, std::size_t length) {
  return length >= 4 && bytes[0] == 0xFF && bytes[1] == 0x4F && bytes[2] == 0xFF && bytes[3] == 0x51;
}

// The bytes the library reads, from memory: one read and one seek serve
// every access it makes.
struct ByteCursor {
  const std::uint8_t* bytes;
  std::size_t length;
  std::size_t at;
};

OPJ_SIZE_T ReadCursor(void* into, OPJ_SIZE_T count, void* user) {
  auto& cursor = *static_cast<ByteCursor*>(user);
  if (cursor.at >= cursor.length) return static_cast<OPJ_SIZE_T>(-1);
  const std::size_t taken = std::min<std::size_t>(count, cursor.length - cursor.at);
  std::memcpy(into, cursor.bytes + cursor.at, taken);
  cursor.at += taken;
  return taken;
}

OPJ_BOOL SeekCursor(OPJ_OFF_T to, void* user) {
  auto& cursor = *static_cast<ByteCursor*>(user);
  if (to < 0) return OPJ_FALSE;
  cursor.at = std::min<std::size_t>(static_cast<std::size_t>(to), cursor.length);
  return OPJ_TRUE;
}

OPJ_OFF_T SkipCursor(OPJ_OFF_T by, void* user) {
  auto& cursor = *static_cast<ByteCursor*>(user);
  const OPJ_OFF_T to = static_cast<OPJ_OFF_T>(cursor.at) + by;
  return SeekCursor(to, user) ? by : -1;
}

// The fewest resolutions any component holds, and whether the packets the
// header promises stay within the bound; 0 when the header cannot say.
OPJ_UINT32 UsableResolutions(opj_codec_t* codec) {
  opj_codestream_info_v2_t* info = opj_get_cstr_info(codec);
  if (info == nullptr) return 0;
  const opj_tile_info_v2_t& tile = info->m_default_tile_info;
  OPJ_UINT32 fewest = 0;
  std::uint64_t resolutions = 0;
  for (OPJ_UINT32 c = 0; tile.tccp_info != nullptr && c < info->nbcomps; ++c) {
    const OPJ_UINT32 held = tile.tccp_info[c].numresolutions;
    resolutions += held;
    fewest = c == 0 ? held : std::min(fewest, held);
  }
  const std::uint64_t packets =
      static_cast<std::uint64_t>(info->tw) * info->th * std::max<OPJ_UINT32>(tile.numlayers, 1) * resolutions;
  opj_destroy_cstr_info(&info);
  return packets <= kMostPackets ? fewest : 0;
}

int Log2Of(int scale) {
  int steps = 0;
  while ((1 << (steps + 1)) <= scale) ++steps;
  return steps;
}

std::uint8_t EightBits(OPJ_INT32 sample, const opj_image_comp_t& comp) {
  std::int64_t value = sample;
  if (comp.sgnd) value += std::int64_t{1} << (comp.prec - 1);
  if (comp.prec > 8) value >>= comp.prec - 8;
  if (comp.prec < 8) value <<= 8 - comp.prec;
  return static_cast<std::uint8_t>(std::clamp<std::int64_t>(value, 0, 255));
}

}  // namespace

const char* LumaOutcomeText(LumaOutcome outcome) {
  switch (outcome) {
    case LumaOutcome::kDecoded: return "decoded";
    case LumaOutcome::kNotAnImage: return "not a JPEG or JPEG 2000 image";
    case LumaOutcome::kUndecodable: return "undecodable";
    case LumaOutcome::kDamaged: return "damaged (the decoder reports corrupt data)";
  }
  return "undecodable";
}

int MotionScaleFor(const std::vector<MotionRect>& areas) {
  int shortest = 1 << 30;
  for (const MotionRect& area : areas) shortest = std::min({shortest, area.width, area.height});
  for (int scale = 8; scale > 1; scale /= 2) {
    // A whole sample inside the area on each side, whatever its alignment.
    if (shortest / scale - 1 >= kLeastAreaSamples) return scale;
  }
  return 1;
}

MotionRect MotionWindowFor(const std::vector<MotionRect>& areas) {
  if (areas.empty()) return {};
  long long left = areas.front().x, top = areas.front().y, right = areas.front().Right(),
            bottom = areas.front().Bottom();
  for (const MotionRect& area : areas) {
    left = std::min<long long>(left, area.x);
    top = std::min<long long>(top, area.y);
    right = std::max(right, area.Right());
    bottom = std::max(bottom, area.Bottom());
  }
  const long long marginX = std::max<long long>(kLeastWindowMargin, (right - left) / 2);
  const long long marginY = std::max<long long>(kLeastWindowMargin, (bottom - top) / 2);
  left = std::max(0LL, left - marginX);
  top = std::max(0LL, top - marginY);
  right = std::min<long long>(right + marginX, 1 << 30);
  // The window ends at the areas' bottom edge: a JPEG is read from its
  // top, and every row past the last one needed would be read for nothing.
  return MotionRect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                    static_cast<int>(bottom - top)};
}

// libjpeg's decompressor, kept from image to image; its errors end in a
// jump back to the decode, its warnings (corrupt data) are only counted.
struct LumaDecoder::JpegState {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  jpeg_progress_mgr progress{};
  std::jmp_buf failed{};
};

namespace {

void JumpBack(j_common_ptr common) {
  std::longjmp(*static_cast<std::jmp_buf*>(common->client_data), 1);
}

void Quiet(j_common_ptr) {}

void LimitScans(j_common_ptr common) {
  const auto info = reinterpret_cast<j_decompress_ptr>(common);
  if (info->is_decompressor && info->input_scan_number > kMostScans) JumpBack(common);
}

// The rows down to stopRow (recorded pixels) at 1/scale, grey. Plain C
// below the setjmp: nothing here has a destructor for the jump to skip.
LumaOutcome DecodeJpegRows(jpeg_decompress_struct& info, std::jmp_buf& failed, const std::uint8_t* bytes,
                           std::size_t length, int scale, long long stopRow, LumaPicture& out) {
  if (setjmp(failed) != 0) {
    jpeg_abort_decompress(&info);
    return LumaOutcome::kUndecodable;
  }
  info.err->num_warnings = 0;
  jpeg_mem_src(&info, bytes, static_cast<unsigned long>(length));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK ||
      static_cast<std::int64_t>(info.image_width) * info.image_height > DibBlock::kMaxPixels) {
    jpeg_abort_decompress(&info);
    return LumaOutcome::kUndecodable;
  }
  info.scale_num = 1;
  info.scale_denom = static_cast<unsigned int>(scale);
  // Grey output leaves the chroma planes untransformed, and at 1/8 the
  // transform of a block is its average: what remains is reading the
  // compressed data, and only down to the last row needed.
  info.out_color_space = JCS_GRAYSCALE;
  info.do_fancy_upsampling = FALSE;
  jpeg_start_decompress(&info);
  out.width = static_cast<int>(info.output_width);
  out.scale = scale;
  out.originX = out.originY = 0;
  out.pictureWidth = static_cast<int>(info.image_width);
  out.pictureHeight = static_cast<int>(info.image_height);
  out.height = static_cast<int>(std::min<long long>(info.output_height, (stopRow + scale - 1) / scale));
  out.samples.resize(static_cast<std::size_t>(out.width) * out.height);
  while (info.output_scanline < static_cast<JDIMENSION>(out.height)) {
    JSAMPROW row = out.samples.data() + static_cast<std::size_t>(info.output_scanline) * out.width;
    jpeg_read_scanlines(&info, &row, 1);
  }
  const bool warned = info.err->num_warnings > 0;
  jpeg_abort_decompress(&info);
  return warned ? LumaOutcome::kDamaged : LumaOutcome::kDecoded;
}

}  // namespace

LumaDecoder::LumaDecoder() : jpeg_(std::make_unique<JpegState>()) {
  JpegState& state = *jpeg_;
  state.info.err = jpeg_std_error(&state.errors);
  state.errors.error_exit = JumpBack;
  state.errors.output_message = Quiet;
  state.progress.progress_monitor = LimitScans;
  state.info.client_data = &state.failed;
  jpeg_create_decompress(&state.info);
  state.info.progress = &state.progress;
}

LumaDecoder::~LumaDecoder() { jpeg_destroy_decompress(&jpeg_->info); }

LumaOutcome LumaDecoder::Decode(const std::uint8_t* bytes, std::size_t length, int scale, const MotionRect& window,
                                LumaPicture& out) {
  if (bytes == nullptr) return LumaOutcome::kNotAnImage;
  if (IsJpeg(bytes, length)) return DecodeJpeg(bytes, length, scale, window, out);
  if (IsJp2File(bytes, length)) return DecodeJp2(bytes, length, false, scale, window, out);
  if (IsJ2kCodestream(bytes, length)) return DecodeJp2(bytes, length, true, scale, window, out);
  return LumaOutcome::kNotAnImage;
}

LumaOutcome LumaDecoder::DecodeJpeg(const std::uint8_t* bytes, std::size_t length, int scale, const MotionRect& window,
                                    LumaPicture& out) {
  const long long stopRow = window.height > 0 ? window.Bottom() : (1LL << 30);
  try {
    return DecodeJpegRows(jpeg_->info, jpeg_->failed, bytes, length, scale, stopRow, out);
  } catch (...) {
    // Out of memory for the rows: the decompressor is made ready for the next image.
    jpeg_abort_decompress(&jpeg_->info);
    throw;
  }
}

LumaOutcome LumaDecoder::DecodeJp2(const std::uint8_t* bytes, std::size_t length, bool bareCodestream, int scale,
                                   const MotionRect& window, LumaPicture& out) {
  ByteCursor cursor{bytes, length, 0};
  OpjStreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
  OpjCodecPtr codec(opj_create_decompress(bareCodestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
  if (!stream || !codec) return LumaOutcome::kUndecodable;
  opj_stream_set_user_data(stream.get(), &cursor, nullptr);
  opj_stream_set_user_data_length(stream.get(), length);
  opj_stream_set_read_function(stream.get(), ReadCursor);
  opj_stream_set_skip_function(stream.get(), SkipCursor);
  opj_stream_set_seek_function(stream.get(), SeekCursor);
  opj_set_info_handler(codec.get(), DiscardOpjMessage, nullptr);
  opj_set_warning_handler(codec.get(), DiscardOpjMessage, nullptr);
  opj_set_error_handler(codec.get(), DiscardOpjMessage, nullptr);
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(codec.get(), &parameters)) return LumaOutcome::kUndecodable;

  opj_image_t* rawImage = nullptr;
  const bool headerRead = opj_read_header(stream.get(), codec.get(), &rawImage);
  OpjImagePtr image(rawImage);
  if (!headerRead || !image || image->x1 <= image->x0 || image->y1 <= image->y0 || image->numcomps < 1 ||
      image->numcomps > 4) {
    return LumaOutcome::kUndecodable;
  }
  const std::int64_t width = static_cast<std::int64_t>(image->x1) - image->x0;
  const std::int64_t height = static_cast<std::int64_t>(image->y1) - image->y0;
  if (width * height > DibBlock::kMaxPixels) return LumaOutcome::kUndecodable;
  const OPJ_UINT32 resolutions = UsableResolutions(codec.get());
  if (resolutions == 0) return LumaOutcome::kUndecodable;
  const int reduce = std::min(Log2Of(scale), static_cast<int>(resolutions) - 1);
  if (!opj_set_decoded_resolution_factor(codec.get(), static_cast<OPJ_UINT32>(reduce))) {
    return LumaOutcome::kUndecodable;
  }
  // The recorder codes colour as luma and chroma: the first component is
  // the brightness motion is judged on.
  const OPJ_UINT32 first = 0;
  if (image->numcomps > 1 && !opj_set_decoded_components(codec.get(), 1, &first, OPJ_FALSE)) {
    return LumaOutcome::kUndecodable;
  }
  const MotionRect whole{0, 0, static_cast<int>(width), static_cast<int>(height)};
  // A window off the picture (areas drawn for a larger one) takes the whole
  // picture, so that the search can tell the areas are wrong.
  const bool onPicture = window.width > 0 && window.x < width && window.y < height;
  const MotionRect area = onPicture ? window : whole;
  const auto clippedRight = static_cast<OPJ_INT32>(std::min<long long>(area.Right(), width));
  const auto clippedBottom = static_cast<OPJ_INT32>(std::min<long long>(area.Bottom(), height));
  if (!opj_set_decode_area(codec.get(), image.get(), static_cast<OPJ_INT32>(image->x0) + area.x,
                           static_cast<OPJ_INT32>(image->y0) + area.y, static_cast<OPJ_INT32>(image->x0) + clippedRight,
                           static_cast<OPJ_INT32>(image->y0) + clippedBottom)) {
    return LumaOutcome::kUndecodable;
  }
  if (!opj_decode(codec.get(), stream.get(), image.get()) || !opj_end_decompress(codec.get(), stream.get())) {
    return LumaOutcome::kUndecodable;
  }
  const opj_image_comp_t& comp = image->comps[0];
  if (comp.data == nullptr || comp.w == 0 || comp.h == 0 || comp.prec == 0 || comp.prec > 31 || comp.dx != 1 ||
      comp.dy != 1) {
    return LumaOutcome::kUndecodable;
  }
  // The reduced grid starts at the first sample whose place is on or after
  // the window's corner, on a multiple of the step.
  const int step = 1 << reduce;
  out.width = static_cast<int>(comp.w);
  out.height = static_cast<int>(comp.h);
  out.scale = step;
  out.originX = (area.x + step - 1) / step * step;
  out.originY = (area.y + step - 1) / step * step;
  out.pictureWidth = static_cast<int>(width);
  out.pictureHeight = static_cast<int>(height);
  out.samples.resize(static_cast<std::size_t>(out.width) * out.height);
  for (std::size_t i = 0; i < out.samples.size(); ++i) out.samples[i] = EightBits(comp.data[i], comp);
  return LumaOutcome::kDecoded;
}

}  // namespace selvo
