#pragma once
// Writes a whole demo recording into a folder, laid out as the recorder
// exports it: numbered image subfolders, INFO index, time.txt, sound track,
// and optionally a few deliberately altered images.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "tools/recwriter/SoundWriter.h"
#include "tools/recwriter/TrailerWriter.h"

namespace selvo {

struct RecordingOptions {
  std::uint32_t frames = 240;
  int cameras = 4;                        // 1..16; image k belongs to camera k % cameras
  ImageFormat format = ImageFormat::kJpeg;
  bool sound = true;
  SoundFormat soundFormat = SoundFormat::kWav;
  bool infoIndex = true;
  bool subfolders = true;                 // false: every image directly in the folder
  std::uint32_t imagesPerFolder = 1000;
  bool alter = true;                      // altered image, altered time, bare image, edited data
  bool fast = false;                      // encode a few pictures once and repeat them
  std::uint32_t intervalMs = 100;         // stamp distance between consecutive images
  CalendarFields start{2026, 3, 7, 9, 0, 0};
  int width = 704;
  int height = 480;
  int jpegQuality = 80;
  std::vector<std::string> titles;        // UTF-8, one per camera; empty: DefaultTitles
  // Called after every 10,000 images written.
  std::function<void(std::uint32_t written, std::uint32_t total)> progress;
};

struct AlteredFrame {
  std::uint32_t number = 0;  // 1-based, in the order of the sorted image files
  TrailerDamage damage = TrailerDamage::kNone;
  std::int32_t status = 0;   // what the trailer check reports for it
};

class RecordingWriter {
 public:
  static constexpr std::uint32_t kMaxFrames = 10000000;
  static constexpr int kMaxCameras = 16;
  static constexpr int kFastVariants = 8;  // distinct pictures per camera in fast mode

  explicit RecordingWriter(RecordingOptions options);

  // Writes into folder, creating it when missing; files of the same names are
  // replaced. false with ErrorText on invalid options or any write failure.
  bool Write(const std::string& folder);

  const std::string& ErrorText() const { return error_; }
  const std::vector<AlteredFrame>& Altered() const { return altered_; }
  const RecordingOptions& Options() const { return options_; }

  // The image's path relative to the recording folder ("IMG00001/IMG00000001.jpg").
  std::string ImagePath(std::uint32_t index) const;
  std::string SoundPath() const;                 // relative, "SOUND/sound.wav"
  static const char* InfoIndexPath() { return "INFO/DEMO.INF"; }

  std::uint32_t StampOf(std::uint32_t index) const;
  std::uint32_t SecondsOf(std::uint32_t index) const;
  int CameraOf(std::uint32_t index) const;

  // "GATE", "駐車場", "LOBBY", "YARD", then "CAMERA 05".. as UTF-8.
  static std::vector<std::string> DefaultTitles(int cameras);
  // The alterations spread over the recording and over the first cameras.
  static std::vector<AlteredFrame> PlanAlterations(std::uint32_t frames, int cameras);

 private:
  bool CheckOptions();
  bool PrepareTitles();
  bool WriteImages(const std::string& folder);
  bool WriteInfoIndex(const std::string& folder);
  bool WriteTimeList(const std::string& folder);
  bool WriteSound(const std::string& folder);
  bool EncodeFrame(std::uint32_t index, bool showClock, std::uint64_t motion, std::vector<TrailerWriter>& out);
  TrailerDamage DamageOf(std::uint32_t index) const;
  bool Fail(const std::string& text);

  RecordingOptions options_;
  std::vector<std::string> titlesUtf8_;
  std::vector<std::string> titlesShiftJis_;
  std::vector<AlteredFrame> altered_;
  std::uint32_t startSeconds_ = 0;
  std::string error_;
};

}  // namespace selvo
