#pragma once
// Owning handles for OpenJPEG's codec, stream and image objects, shared by
// the decoder and the fixture encoder, plus a message handler that keeps the
// library quiet.
#include <openjpeg.h>

#include <memory>

namespace selvo {

struct OpjCodecDeleter {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct OpjStreamDeleter {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct OpjImageDeleter {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using OpjCodecPtr = std::unique_ptr<opj_codec_t, OpjCodecDeleter>;
using OpjStreamPtr = std::unique_ptr<opj_stream_t, OpjStreamDeleter>;
using OpjImagePtr = std::unique_ptr<opj_image_t, OpjImageDeleter>;

inline void DiscardOpjMessage(const char*, void*) {}

}  // namespace selvo
