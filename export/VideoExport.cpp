#include "export/VideoExport.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
}

#include "export/AacSound.h"
#include "export/H264Video.h"
#include "export/JpegFrameScaler.h"
#include "export/MediaOutput.h"
#include "export/OverlayBlend.h"
#include "export/PictureSize.h"
#include "export/PlanarDecodeThread.h"
#include "export/SoundCopy.h"
#include "export/StampTimeline.h"
#include "export/TagText.h"
#include "source/ImageDecoder.h"
#include "source/PathNames.h"
#include "source/StampStep.h"
#include "source/text/TimeText.h"

namespace selvo {

namespace {

// Enough of a file for its headers, JPEG's application segments included.
constexpr std::size_t kHeaderBytes = 256 * 1024;
// Pictures whose headers decide the MP4's frame size.
constexpr std::int64_t kSizeSamples = 256;
// A picture size is whatever a header says: a frame wider than 4K would
// cost memory and time for no detail a recorder records.
constexpr int kLargestFrameWidth = 3840;

// Players show the recorder's pictures, whatever their pixel count, in a 4:3
// box as the viewer does.
AVRational FourByThreeSampleAspect(int width, int height) {
  AVRational aspect{1, 1};
  if (width > 0 && height > 0) av_reduce(&aspect.num, &aspect.den, 4LL * height, 3LL * width, 1 << 16);
  return aspect;
}

// The shareable frame: the pictures' width in a 4:3 frame, both even for
// 4:2:0, and no larger than the encoder takes.
void ShareableFrameSize(int pictureWidth, int& width, int& height) {
  width = std::clamp(pictureWidth & ~1, 16, kLargestFrameWidth);
  height = std::max(16, (width * 3 / 4) & ~1);
}

}  // namespace

bool VideoKindForPath(const std::string& path, VideoKind& kind) {
  const std::string ext = LowerCaseExtension(path);
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

namespace {

// A shareable picture read and waiting for its turn at the encoder.
struct QueuedPicture {
  int index = 0;
  SharedBytes bytes;
  ExportPicture facts;
  std::int64_t ms = 0;
};

// A frame-sized RGB32 canvas the overlays are drawn on.
struct OwnedCanvas {
  std::vector<std::uint8_t> pixels;
  FrameCanvas canvas;
  void Fill(int width, int height, std::uint8_t value) {
    pixels.assign(static_cast<std::size_t>(width) * 4 * static_cast<std::size_t>(height), value);
    canvas = FrameCanvas{pixels.data(), width, height, width * 4};
  }
};

}  // namespace

// What one run holds open: the output and its streams.
struct VideoExport::Streams {
  MediaOutput output;
  AVStream* lossless = nullptr;
  std::unique_ptr<H264Video> shareable;
  std::unique_ptr<ExportSound> sound;
  AVPacket* held = nullptr;  // the lossless packet waiting for its duration
  std::int64_t heldMs = 0;
  // The shareable kind's pictures between reading and encoding, and the
  // overlays of the last time and status drawn.
  int frameWidth = 0;
  int frameHeight = 0;
  std::deque<QueuedPicture> queued;
  std::unique_ptr<PlanarDecodeThread> decoder;
  OverlayBlend overlay;
  OwnedCanvas overBlack;
  OwnedCanvas overWhite;
  bool overlayDrawn = false;
  CalendarSeconds overlayTime = 0;
  int overlayStatus = 0;
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

std::vector<std::string> VideoExport::Problems() const {
  std::vector<std::string> problems = omissions_;
  problems.insert(problems.end(), unreadable_.begin(), unreadable_.end());
  problems.insert(problems.end(), undecodable_.begin(), undecodable_.end());
  return problems;
}

// The first picture that reads; images that cannot be read on the way are
// listed.
bool VideoExport::FindFirstPicture(FirstPictures& first) {
  std::vector<std::uint8_t> bytes;
  std::string why;
  const int count = input_.Count();
  for (int i = 0; i < count; ++i) {
    if (!input_.ReadBytes(i, bytes, why)) {
      NoteUnreadable(i, why);
      continue;
    }
    first.readIndex = i;
    first.read = input_.PictureAt(i, bytes);
    first.readBytes.swap(bytes);
    return true;
  }
  return false;
}

// The size the pictures state in their headers, so that none needs
// decoding: the lossless kind copies pictures that may not decode at all.
bool VideoExport::ChoosePictureSize(FirstPictures& first) {
  if (options_.kind == VideoKind::kShareable) return MostCommonPictureSize(first);
  FirstStatedPictureSize(first);
  return true;
}

// The size most of the camera's pictures have: one odd picture first (a
// 1 x 1 test image, a damaged header) must not set the frame for all of
// them. The painter scales each picture into the frame, the odd ones too.
// A sample spread evenly over the pictures finds it: a disc would
// otherwise be read twice over.
bool VideoExport::MostCommonPictureSize(FirstPictures& first) {
  std::map<PictureSize, int> counts;
  PictureSize chosen;
  int chosenCount = 0;
  std::vector<std::uint8_t> bytes;
  std::string why;
  const std::int64_t span = input_.Count() - first.readIndex;
  const std::int64_t samples = std::min<std::int64_t>(span, kSizeSamples);
  for (std::int64_t k = 0; k < samples; ++k) {
    const int i = first.readIndex + static_cast<int>(k * span / samples);
    PictureSize size;
    const bool read = i == first.readIndex ? true : input_.ReadHead(i, kHeaderBytes, bytes, why);
    const std::vector<std::uint8_t>& head = i == first.readIndex ? first.readBytes : bytes;
    if (!read || !ReadPictureSize(head.data(), head.size(), input_.Codec(), size)) continue;
    // The earliest wins a tie, as the first picture met did before.
    if (++counts[size] > chosenCount) {
      chosenCount = counts[size];
      chosen = size;
    }
  }
  if (chosenCount == 0) {
    error_ = input_.SourceName() + ": no image states a picture size, so none can be decoded";
    return false;
  }
  first.width = chosen.width;
  first.height = chosen.height;
  return true;
}

// The lossless track only declares a size; its packets keep their own. The
// first picture that states one is enough.
void VideoExport::FirstStatedPictureSize(FirstPictures& first) {
  PictureSize size;
  std::vector<std::uint8_t> bytes;
  std::string why;
  bool found = ReadPictureSize(first.readBytes.data(), first.readBytes.size(), input_.Codec(), size);
  for (int i = first.readIndex + 1; !found && i < input_.Count(); ++i) {
    found = input_.ReadHead(i, kHeaderBytes, bytes, why) &&
            ReadPictureSize(bytes.data(), bytes.size(), input_.Codec(), size);
  }
  if (!found) {
    size = PictureSize{4, 3};
    warnings_.push_back(input_.SourceName() + ": no image states its picture size; the video track declares 4 x 3");
  }
  first.width = size.width;
  first.height = size.height;
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
  if (options_.kind == VideoKind::kLossless) {
    AVStream* stream = streams.output.AddStream();
    streams.held = av_packet_alloc();
    if (stream == nullptr || streams.held == nullptr) return false;
    stream->time_base = AVRational{1, 1000};
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = input_.Codec() == ImageCodec::Jpeg2000 ? AV_CODEC_ID_JPEG2000 : AV_CODEC_ID_MJPEG;
    par->width = first.width;
    par->height = first.height;
    par->sample_aspect_ratio = FourByThreeSampleAspect(par->width, par->height);
    stream->sample_aspect_ratio = par->sample_aspect_ratio;
    streams.lossless = stream;
    return true;
  }
  H264Settings settings;
  ShareableFrameSize(first.width, settings.width, settings.height);
  settings.threads = options_.threads;
  settings.preset = options_.preset;
  streams.shareable = std::make_unique<H264Video>();
  if (!streams.shareable->Open(settings, streams.output)) {
    error_ = streams.shareable->ErrorText();
    return false;
  }
  streams.frameWidth = settings.width;
  streams.frameHeight = settings.height;
  StartPlanarDecoding(streams);
  return true;
}

// JPEG 2000 has no planes to take; a frame the picture does not fill is
// painted whole.
void VideoExport::StartPlanarDecoding(Streams& streams) {
  if (overlays_ == nullptr || input_.Codec() != ImageCodec::Jpeg) return;
  if (!overlays_->PictureFillsFrame(streams.frameWidth, streams.frameHeight)) return;
  streams.decoder = std::make_unique<PlanarDecodeThread>(streams.frameWidth, streams.frameHeight, *overlays_);
}

// The overlays are drawn anew only when the time text or the marks change:
// once a second, not for every picture.
bool VideoExport::DrawOverlays(Streams& streams, const ExportPicture& facts, const std::string& title) {
  if (streams.overlayDrawn && facts.time == streams.overlayTime && facts.status == streams.overlayStatus) return true;
  OwnedCanvas& overBlack = streams.overBlack;
  OwnedCanvas& overWhite = streams.overWhite;
  overBlack.Fill(streams.frameWidth, streams.frameHeight, 0);
  overWhite.Fill(streams.frameWidth, streams.frameHeight, 0xFF);
  if (!overlays_->Draw(facts, title, overBlack.canvas) || !overlays_->Draw(facts, title, overWhite.canvas)) {
    return false;
  }
  streams.overlay.Build(overBlack.canvas, overWhite.canvas);
  streams.overlayDrawn = true;
  streams.overlayTime = facts.time;
  streams.overlayStatus = facts.status;
  return true;
}

bool VideoExport::QueueShareable(Streams& streams, int index, std::vector<std::uint8_t>& bytes,
                                 const ExportPicture& facts, const std::string& title, std::int64_t ms) {
  const std::size_t ahead = streams.decoder != nullptr ? PlanarDecodeThread::kAhead : 0;
  while (streams.queued.size() >= std::max<std::size_t>(ahead, 1)) {
    if (!FinishOldest(streams, title)) return false;
  }
  auto shared = std::make_shared<std::vector<std::uint8_t>>();
  shared->swap(bytes);
  streams.queued.push_back(QueuedPicture{index, shared, facts, ms});
  if (streams.decoder != nullptr) streams.decoder->Push(shared);
  return ahead > 0 || FinishOldest(streams, title);
}

// The oldest queued picture into the video: as the decoder thread made it,
// or, when it could not, decoded and painted as the viewer shows it.
bool VideoExport::FinishOldest(Streams& streams, const std::string& title) {
  const QueuedPicture picture = std::move(streams.queued.front());
  streams.queued.pop_front();
  AvFramePtr frame = streams.decoder != nullptr ? streams.decoder->Take() : nullptr;
  if (streams.sound != nullptr && !streams.sound->WriteUntil(picture.ms)) return false;
  bool written;
  if (frame != nullptr) {
    written = DrawOverlays(streams, picture.facts, title);
    if (written) {
      streams.overlay.Apply(frame->data, frame->linesize);
      written = streams.shareable->EncodeFrame(frame.get(), picture.ms);
    }
    streams.decoder->Recycle(std::move(frame));
  } else {
    const std::vector<std::uint8_t>& bytes = *picture.bytes;
    const DecodeResult decoded = DecodeImageMemory(bytes.data(), bytes.size(), input_.Codec());
    if (decoded.block == nullptr) {
      undecodable_.push_back(input_.NameOf(picture.index) + ": cannot be decoded (" + decoded.failure + ")");
    }
    written = WriteShareable(streams, decoded.block.get(), picture.facts, title, picture.ms);
  }
  if (written) ++written_;
  return written;
}

// A sound track that cannot be carried does not stop the pictures.
void VideoExport::OpenSound(Streams& streams, const ExportPicture& first) {
  const std::string path = input_.SoundPath();
  if (!options_.sound || path.empty()) return;
  SoundSpan span;
  span.startMs = StampStepMs(input_.SoundStartStamp(), first.stampMs);
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

// Names from the recording go in escaped: a folder name need not be UTF-8,
// and a camera title may hold a terminal's control sequences.
void VideoExport::SetTags(Streams& streams, const FirstPictures& first) {
  const std::string title = TagText(input_.CameraTitle());
  streams.output.SetTag("title", title);
  if (options_.kind != VideoKind::kLossless) return;
  const ExportPicture last = LastReadablePicture(first);
  streams.output.SetTag("SOURCE_FOLDER", TagText(input_.SourceName()));
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
  if (options_.kind == VideoKind::kShareable) {
    av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
    // Milliseconds, as the stamps count: a step between two pictures is
    // stored in 32 bits, so this keeps any step a 32-bit stamp can make
    // (the muxer's own choice of 16 kHz overflows after 3.1 days).
    av_dict_set(&muxerOptions, "video_track_timescale", "1000", 0);
  }
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
  undecodable_.clear();
  warnings_.clear();
  error_.clear();
  written_ = 0;
  omissions_ = input_.Omissions();
  const int count = input_.Count();
  if (count <= 0) return Fail(input_.SourceName() + ": no images to export");
  if (options_.kind == VideoKind::kShareable && !painter_) return Fail("no painter for the shareable video");

  FirstPictures first;
  if (!FindFirstPicture(first)) {
    return Fail(input_.SourceName() + ": none of the " + std::to_string(count) + " images can be read");
  }
  if (!ChoosePictureSize(first)) return ExportOutcome::kFailed;
  Streams streams;
  if (!OpenStreams(streams, first, output)) return ExportOutcome::kFailed;

  const std::string title = input_.CameraTitle();
  const bool lossless = streams.lossless != nullptr;
  StampTimeline timeline;
  ChapterTimes chapters(chapters_);
  std::vector<std::uint8_t> bytes;
  ExportPicture facts;
  for (int i = first.readIndex; i < count; ++i) {
    if (progress_ && !progress_(i, count)) return ExportOutcome::kCancelled;
    if (!ReadPicture(i, first, lossless, bytes, facts)) continue;
    const std::int64_t ms = timeline.Next(facts.stampMs);
    if (!lossless) {
      if (!QueueShareable(streams, i, bytes, facts, title, ms)) return WriteFailed(streams, output);
      // Its place in the video is fixed now; a later failed write fails the whole export.
      chapters.PictureWritten(i, ms);
      continue;
    }
    if (streams.sound != nullptr && !streams.sound->WriteUntil(ms)) return WriteFailed(streams, output);
    if (!WriteLossless(streams, bytes, ms)) return WriteFailed(streams, output);
    chapters.PictureWritten(i, ms);
    ++written_;
  }
  while (!streams.queued.empty()) {
    if (!FinishOldest(streams, title)) return WriteFailed(streams, output);
  }
  const bool finished =
      lossless ? WriteHeld(streams, timeline.LastDuration()) : streams.shareable->Finish(timeline.EndMs());
  if (!finished) return WriteFailed(streams, output);
  if (streams.sound != nullptr && !streams.sound->Finish(timeline.EndMs())) return WriteFailed(streams, output);
  if (!chapters.AddTo(streams.output, timeline.EndMs(), lossless ? nullptr : "Start")) {
    return WriteFailed(streams, output);
  }
  if (!streams.output.Commit()) return WriteFailed(streams, output);
  if (progress_) progress_(count, count);
  const bool whole = omissions_.empty() && unreadable_.empty() && undecodable_.empty();
  return whole ? ExportOutcome::kExported : ExportOutcome::kExportedWithGaps;
}

}  // namespace selvo
