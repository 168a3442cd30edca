#include "export/VideoExport.h"

#include <algorithm>
#include <cctype>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
}

#include "export/AacSound.h"
#include "export/H264Video.h"
#include "export/MediaOutput.h"
#include "export/SoundCopy.h"
#include "export/StampTimeline.h"
#include "source/Jp2Decoder.h"
#include "source/JpegDecoder.h"
#include "source/text/TimeText.h"

namespace selvo {

namespace {

std::string LowerExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

DibPtr DecodePicture(const std::vector<std::uint8_t>& bytes, bool jp2) {
  return jp2 ? DecodeJp2Memory(bytes.data(), bytes.size(), nullptr)
             : DecodeJpegMemory(bytes.data(), bytes.size(), nullptr);
}

// Players show the recorder's pictures, whatever their pixel count, in a 4:3
// box as the viewer does.
AVRational FourByThreeSampleAspect(int width, int height) {
  AVRational aspect{1, 1};
  if (width > 0 && height > 0) av_reduce(&aspect.num, &aspect.den, 4LL * height, 3LL * width, 1 << 16);
  return aspect;
}

// The shareable frame: the picture's width in a 4:3 frame, both even for 4:2:0.
void ShareableFrameSize(const DibBlock& picture, int& width, int& height) {
  width = std::max(16, picture.Width() & ~1);
  height = std::max(16, (width * 3 / 4) & ~1);
}

std::int32_t SignedMs(std::uint32_t later, std::uint32_t earlier) {
  return static_cast<std::int32_t>(later - earlier);
}

}  // namespace

bool VideoKindForPath(const std::string& path, VideoKind& kind) {
  const std::string ext = LowerExtension(path);
  if (ext == ".mkv") {
    kind = VideoKind::kLossless;
    return true;
  }
  if (ext == ".mp4") {
    kind = VideoKind::kShareable;
    return true;
  }
  return false;
}

// What one run holds open: the output and its streams.
struct VideoExport::Streams {
  MediaOutput output;
  AVStream* lossless = nullptr;
  std::unique_ptr<H264Video> shareable;
  std::unique_ptr<ExportSound> sound;
  AVPacket* held = nullptr;  // the lossless packet waiting for its duration
  std::int64_t heldMs = 0;
  ~Streams() { av_packet_free(&held); }
};

VideoExport::VideoExport(ExportInput& input, VideoExportOptions options) : input_(input), options_(options) {
  // The libraries' lines would bury the export's own report and name no
  // program; their errors reach it through the results.
  av_log_set_level(options_.libraryLog ? AV_LOG_INFO : AV_LOG_QUIET);
}

VideoExport::~VideoExport() = default;

ExportOutcome VideoExport::Fail(const std::string& text) {
  error_ = text;
  return ExportOutcome::kFailed;
}

void VideoExport::NoteUnreadable(int index, const std::string& why) {
  unreadable_.push_back(input_.NameOf(index) + ": " + why);
}

// The first picture that reads, and the first that decodes, which gives the
// video its size; images that cannot be read on the way are listed.
bool VideoExport::FindFirstPictures(FirstPictures& first) {
  std::vector<std::uint8_t> bytes;
  std::string why;
  const int count = input_.Count();
  for (int i = 0; i < count && first.decoded == nullptr; ++i) {
    if (!input_.ReadBytes(i, bytes, why)) {
      if (first.readIndex < 0) NoteUnreadable(i, why);
      continue;
    }
    if (first.readIndex < 0) {
      first.readIndex = i;
      first.readBytes = bytes;
      first.read = input_.PictureAt(i, bytes);
    }
    first.decoded = DecodePicture(bytes, input_.IsJp2());
    if (first.decoded != nullptr) first.decodedIndex = i;
  }
  return first.readIndex >= 0;
}

ExportPicture VideoExport::LastReadablePicture(const FirstPictures& first) {
  std::vector<std::uint8_t> bytes;
  std::string why;
  for (int i = input_.Count() - 1; i > first.readIndex; --i) {
    if (input_.ReadBytes(i, bytes, why)) return input_.PictureAt(i, bytes);
  }
  return first.read;
}

bool VideoExport::OpenVideo(Streams& streams, const FirstPictures& first) {
  const DibBlock* size = first.decoded.get();
  if (options_.kind == VideoKind::kLossless) {
    AVStream* stream = streams.output.AddStream();
    streams.held = av_packet_alloc();
    if (stream == nullptr || streams.held == nullptr) return false;
    stream->time_base = AVRational{1, 1000};
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = input_.IsJp2() ? AV_CODEC_ID_JPEG2000 : AV_CODEC_ID_MJPEG;
    par->width = size != nullptr ? size->Width() : 0;
    par->height = size != nullptr ? size->Height() : 0;
    par->sample_aspect_ratio = FourByThreeSampleAspect(par->width, par->height);
    stream->sample_aspect_ratio = par->sample_aspect_ratio;
    streams.lossless = stream;
    return true;
  }
  if (size == nullptr) {
    error_ = input_.SourceName() + ": no image can be decoded";
    return false;
  }
  H264Settings settings;
  ShareableFrameSize(*size, settings.width, settings.height);
  settings.threads = options_.threads;
  settings.preset = options_.preset;
  streams.shareable = std::make_unique<H264Video>();
  if (!streams.shareable->Open(settings, streams.output)) {
    error_ = streams.shareable->ErrorText();
    return false;
  }
  return true;
}

// A sound track that cannot be carried does not stop the pictures.
void VideoExport::OpenSound(Streams& streams, const ExportPicture& first) {
  const std::string path = input_.SoundPath();
  if (!options_.sound || path.empty()) return;
  SoundSpan span;
  span.startMs = SignedMs(first.stampMs, input_.SoundStartStamp());
  if (options_.kind == VideoKind::kLossless) {
    auto copy = std::make_unique<SoundCopy>();
    if (copy->Open(path, span, streams.output)) {
      streams.sound = std::move(copy);
    } else {
      warnings_.push_back(copy->ErrorText() + "; the video has no sound");
    }
  } else {
    auto aac = std::make_unique<AacSound>();
    if (aac->Open(path, span, streams.output)) {
      streams.sound = std::move(aac);
    } else {
      warnings_.push_back(aac->ErrorText() + "; the video has no sound");
    }
  }
}

void VideoExport::SetTags(Streams& streams, const FirstPictures& first) {
  const std::string title = input_.CameraTitle();
  streams.output.SetTag("title", title);
  if (options_.kind != VideoKind::kLossless) return;
  const ExportPicture last = LastReadablePicture(first);
  streams.output.SetTag("SOURCE_FOLDER", input_.SourceName());
  streams.output.SetTag("CAMERA_TITLE", title);
  if (first.read.time != 0) streams.output.SetTag("FIRST_RECORDING_TIME", FormatIsoTime(first.read.time));
  if (last.time != 0) streams.output.SetTag("LAST_RECORDING_TIME", FormatIsoTime(last.time));
}

bool VideoExport::WriteHeld(Streams& streams, std::int64_t durationMs) {
  if (streams.held->size == 0) return true;
  streams.held->duration = durationMs;
  av_packet_rescale_ts(streams.held, AVRational{1, 1000}, streams.lossless->time_base);
  return streams.output.Write(streams.held);
}

bool VideoExport::WriteLossless(Streams& streams, const std::vector<std::uint8_t>& bytes, std::int64_t ms) {
  if (!WriteHeld(streams, ms - streams.heldMs)) return false;
  AVPacket* packet = streams.held;
  if (av_new_packet(packet, static_cast<int>(bytes.size())) < 0) return false;
  std::memcpy(packet->data, bytes.data(), bytes.size());
  packet->pts = packet->dts = ms;
  packet->flags |= AV_PKT_FLAG_KEY;
  packet->stream_index = streams.lossless->index;
  streams.heldMs = ms;
  return true;
}

bool VideoExport::WriteShareable(Streams& streams, const DibBlock* picture, const ExportPicture& facts,
                                 const std::string& title, std::int64_t ms) {
  if (!painter_(picture, facts, title, streams.shareable->Canvas())) return false;
  return streams.shareable->EncodeCanvas(ms);
}

// Why a write stopped the export: the output's own words when it has them.
ExportOutcome VideoExport::WriteFailed(const Streams& streams, const std::string& output) {
  const std::string& why = streams.output.ErrorText();
  return Fail(why.empty() ? output + ": cannot be written" : why);
}

bool VideoExport::OpenStreams(Streams& streams, const FirstPictures& first, const std::string& output) {
  if (!streams.output.Create(output, options_.kind == VideoKind::kLossless ? "matroska" : "mp4")) {
    error_ = streams.output.ErrorText();
    return false;
  }
  if (!OpenVideo(streams, first)) {
    if (error_.empty()) error_ = output + ": out of memory";
    return false;
  }
  OpenSound(streams, first.read);
  SetTags(streams, first);
  AVDictionary* muxerOptions = nullptr;
  // The index at the front lets a player start before the whole file arrives.
  if (options_.kind == VideoKind::kShareable) av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
  // Each packet carries the recorder's own check values; Matroska's CRC-32
  // over every cluster would add nothing to them and cost more than the
  // copy itself.
  if (options_.kind == VideoKind::kLossless) av_dict_set(&muxerOptions, "write_crc32", "0", 0);
  const bool headerWritten = streams.output.WriteHeader(&muxerOptions);
  av_dict_free(&muxerOptions);
  if (!headerWritten) error_ = streams.output.ErrorText();
  return headerWritten;
}

// The picture at index with its facts: the lossless kind needs only the
// stamp. False (the image listed) when it cannot be read.
bool VideoExport::ReadPicture(int index, FirstPictures& first, bool stampOnly, std::vector<std::uint8_t>& bytes,
                              ExportPicture& facts) {
  if (index == first.readIndex) {
    bytes.swap(first.readBytes);
    facts = first.read;
    return true;
  }
  std::string why;
  if (!input_.ReadBytes(index, bytes, why)) {
    NoteUnreadable(index, why);
    return false;
  }
  if (stampOnly) {
    facts = ExportPicture();
    facts.stampMs = input_.StampAt(index, bytes);
  } else {
    facts = input_.PictureAt(index, bytes);
  }
  return true;
}

ExportOutcome VideoExport::Run(const std::string& output) {
  unreadable_.clear();
  warnings_.clear();
  error_.clear();
  written_ = 0;
  const int count = input_.Count();
  if (count <= 0) return Fail(input_.SourceName() + ": no images to export");
  if (options_.kind == VideoKind::kShareable && !painter_) return Fail("no painter for the shareable video");

  FirstPictures first;
  if (!FindFirstPictures(first)) {
    return Fail(input_.SourceName() + ": none of the " + std::to_string(count) + " images can be read");
  }
  Streams streams;
  if (!OpenStreams(streams, first, output)) return ExportOutcome::kFailed;

  const std::string title = input_.CameraTitle();
  const bool lossless = streams.lossless != nullptr;
  StampTimeline timeline;
  std::vector<std::uint8_t> bytes;
  ExportPicture facts;
  for (int i = first.readIndex; i < count; ++i) {
    if (progress_ && !progress_(i, count)) return ExportOutcome::kCancelled;
    if (!ReadPicture(i, first, lossless, bytes, facts)) continue;
    const std::int64_t ms = timeline.Next(facts.stampMs);
    if (streams.sound != nullptr && !streams.sound->WriteUntil(ms)) return WriteFailed(streams, output);
    bool written;
    if (lossless) {
      written = WriteLossless(streams, bytes, ms);
    } else {
      const DibPtr picture = i == first.decodedIndex ? std::move(first.decoded) : DecodePicture(bytes, input_.IsJp2());
      written = WriteShareable(streams, picture.get(), facts, title, ms);
    }
    if (!written) return WriteFailed(streams, output);
    ++written_;
  }
  const bool finished =
      lossless ? WriteHeld(streams, timeline.LastDuration()) : streams.shareable->Finish(timeline.EndMs());
  if (!finished) return WriteFailed(streams, output);
  if (streams.sound != nullptr && !streams.sound->Finish(timeline.EndMs())) return WriteFailed(streams, output);
  if (!streams.output.Commit()) return WriteFailed(streams, output);
  if (progress_) progress_(count, count);
  return unreadable_.empty() ? ExportOutcome::kExported : ExportOutcome::kExportedWithGaps;
}

}  // namespace selvo
