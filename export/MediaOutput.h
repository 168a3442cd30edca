#pragma once
// One output file written through libavformat: streams are added, the
// header written, packets interleaved in, the trailer closes it. Everything
// is written to a hidden temporary file beside the target and renamed over
// it only by Commit, so a failed or cancelled export leaves nothing that
// looks playable. Destroying an uncommitted output removes the temporary.
#include <cstdint>
#include <functional>
#include <string>

#include "source/OutputFile.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVStream;
struct AVPacket;
struct AVDictionary;
struct AVFrame;

namespace selvo {

class MediaOutput {
 public:
  MediaOutput() = default;
  ~MediaOutput();
  MediaOutput(const MediaOutput&) = delete;
  MediaOutput& operator=(const MediaOutput&) = delete;

  // formatName: "matroska" or "mp4". false with ErrorText when the
  // temporary cannot be made beside target.
  bool Create(const std::string& target, const char* formatName);
  AVStream* AddStream();
  bool NeedsGlobalHeader() const;
  // Container-wide tags, before WriteHeader.
  void SetTag(const char* key, const std::string& value);
  bool WriteHeader(AVDictionary** options = nullptr);
  // Takes over the packet's data; its times are in the stream's time base.
  bool Write(AVPacket* packet);
  // Sends frame (null: the end) to an encoder and writes every packet it
  // gives back into stream; packet is the caller's scratch. finish (may be
  // empty) completes each packet, in the encoder's time base, before it is
  // written.
  bool Encode(AVCodecContext* codec, const AVFrame* frame, AVStream* stream, AVPacket* packet,
              const std::function<void(AVPacket&)>& finish = {});
  // A chapter from startMs to endMs of the output's time, titled title;
  // after the last packet and before Commit.
  bool AddChapter(std::int64_t startMs, std::int64_t endMs, const std::string& title);
  // Writes the trailer, closes the file and renames it to the target.
  bool Commit();

  const std::string& ErrorText() const { return error_; }
  const std::string& TemporaryPath() const { return file_.TemporaryPath(); }

 private:
  bool Fail(const std::string& what, int averror);
  void Discard();

  AVFormatContext* format_ = nullptr;
  std::string target_;
  OutputFile file_;
  bool headerWritten_ = false;
  std::string error_;
};

// libavutil's text for an AVERROR code.
std::string AvErrorText(int averror);

}  // namespace selvo
