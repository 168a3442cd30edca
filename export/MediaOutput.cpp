#include "export/MediaOutput.h"

#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace selvo {

std::string AvErrorText(int averror) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(averror, text, sizeof text);
  return text;
}

MediaOutput::~MediaOutput() { Discard(); }

bool MediaOutput::Fail(const std::string& what, int averror) {
  error_ = target_ + ": " + what;
  if (averror != 0) error_ += " (" + AvErrorText(averror) + ")";
  return false;
}

void MediaOutput::Discard() {
  if (format_ != nullptr) {
    if (format_->pb != nullptr) avio_closep(&format_->pb);
    avformat_free_context(format_);
    format_ = nullptr;
  }
  file_.Discard();
}

bool MediaOutput::Create(const std::string& target, const char* formatName) {
  target_ = target;
  // The shared writer names the temporary and removes it on a signal;
  // libavformat writes into it by name.
  if (!file_.Create(target)) return Fail(std::string("cannot be written: ") + file_.ErrorText(), 0);
  int result = avformat_alloc_output_context2(&format_, nullptr, formatName, file_.TemporaryPath().c_str());
  if (result < 0 || format_ == nullptr) return Fail("cannot make the container", result);
  result = avio_open(&format_->pb, file_.TemporaryPath().c_str(), AVIO_FLAG_WRITE);
  if (result < 0) return Fail("cannot be written", result);
  return true;
}

AVStream* MediaOutput::AddStream() { return format_ != nullptr ? avformat_new_stream(format_, nullptr) : nullptr; }

bool MediaOutput::NeedsGlobalHeader() const {
  return format_ != nullptr && (format_->oformat->flags & AVFMT_GLOBALHEADER) != 0;
}

void MediaOutput::SetTag(const char* key, const std::string& value) {
  if (format_ != nullptr && !value.empty()) av_dict_set(&format_->metadata, key, value.c_str(), 0);
}

bool MediaOutput::WriteHeader(AVDictionary** options) {
  const int result = avformat_write_header(format_, options);
  if (result < 0) return Fail("cannot write the header", result);
  headerWritten_ = true;
  return true;
}

bool MediaOutput::Write(AVPacket* packet) {
  const int result = av_interleaved_write_frame(format_, packet);
  if (result < 0) return Fail("cannot be written", result);
  file_.Written(avio_tell(format_->pb));
  return true;
}

bool MediaOutput::Encode(AVCodecContext* codec, const AVFrame* frame, AVStream* stream, AVPacket* packet,
                         const std::function<void(AVPacket&)>& finish) {
  int result = avcodec_send_frame(codec, frame);
  if (result < 0) return Fail("cannot be encoded", result);
  for (;;) {
    result = avcodec_receive_packet(codec, packet);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
    if (result < 0) return Fail("cannot be encoded", result);
    if (finish) finish(*packet);
    av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    if (!Write(packet)) return false;
  }
}

// The muxers take chapters added after the header and write them with the
// trailer: the Matroska Chapters element, and MP4's chapter track and
// chapter list. The chapter is the context's from the moment it is listed.
bool MediaOutput::AddChapter(std::int64_t startMs, std::int64_t endMs, const std::string& title) {
  if (format_ == nullptr) return Fail("nothing was written", 0);
  auto** chapters = static_cast<AVChapter**>(
      av_realloc_array(format_->chapters, format_->nb_chapters + 1, sizeof *format_->chapters));
  if (chapters == nullptr) return Fail("out of memory for a chapter", 0);
  format_->chapters = chapters;
  auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
  if (chapter == nullptr || av_dict_set(&chapter->metadata, "title", title.c_str(), 0) < 0) {
    av_free(chapter);
    return Fail("out of memory for a chapter", 0);
  }
  chapter->id = format_->nb_chapters + 1;
  chapter->time_base = AVRational{1, 1000};
  chapter->start = startMs;
  chapter->end = endMs;
  chapters[format_->nb_chapters++] = chapter;
  return true;
}

bool MediaOutput::Commit() {
  if (format_ == nullptr || !headerWritten_) return Fail("nothing was written", 0);
  int result = av_write_trailer(format_);
  if (result < 0) return Fail("cannot finish the file", result);
  result = avio_closep(&format_->pb);
  if (result < 0) return Fail("cannot be written", result);
  if (!file_.Commit()) return Fail(std::string("cannot be written: ") + file_.ErrorText(), 0);
  Discard();
  return true;
}

}  // namespace selvo
