#include "tools/recwriter/InfoIndexWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>

#include "source/OutputFile.h"
#include "source/PathNames.h"
#include "tools/recwriter/Jp2Encoder.h"
#include "tools/recwriter/JpegEncoder.h"
#include "tools/recwriter/RecordingWriter.h"
#include "tools/recwriter/ScenePainter.h"
#include "tools/recwriter/ShiftJisText.h"

namespace selvo {
namespace {

constexpr std::uint32_t kMaxSubfolders = 99999;  // "IMG%05u" must keep sorting byte-wise
constexpr int kSoundRate = 16000;
constexpr std::uint32_t kSoundTailMs = 500;
constexpr std::uint32_t kProgressStep = 10000;
constexpr int kFastJpegQuality = 50;

bool WriteFileBytes(const std::string& path, const void* bytes, std::size_t size, std::string& error) {
  OutputFile file;
  file.SkipSync();
  if (file.Create(path) && file.Write(bytes, size) && file.Commit()) return true;
  error = path + ": cannot write: " + file.ErrorText();
  return false;
}

bool MakeFolder(const std::string& path, std::string& error) {
  std::error_code code;
  std::filesystem::create_directories(path, code);
  if (code) {
    error = path + ": cannot create the folder: " + code.message();
    return false;
  }
  return true;
}

std::int32_t StatusFor(TrailerDamage damage) {
  switch (damage) {
    case TrailerDamage::kAlteredImage: return 1;
    case TrailerDamage::kAlteredTime: return 2;
    case TrailerDamage::kWithoutTime: return 4;
    case TrailerDamage::kNoTrailer: return 7;
    // The time check covers the data sum too: an edited picture fails both.
    case TrailerDamage::kTamperedData: return 3;
    case TrailerDamage::kNone: break;
  }
  return 0;
}

// Each camera beeps at its own pitch, so a listener can tell them apart.
int BeepFrequency(int camera) { return 660 + 40 * camera; }

}  // namespace

RecordingWriter::RecordingWriter(RecordingOptions options) : options_(std::move(options)) {}

std::vector<std::string> RecordingWriter::DefaultTitles(int cameras) {
  std::vector<std::string> titles = {"GATE", "駐車場", "LOBBY", "YARD"};
  for (int c = 5; c <= cameras; ++c) {
    char title[32];
    std::snprintf(title, sizeof title, "CAMERA %02d", c);
    titles.emplace_back(title);
  }
  titles.resize(static_cast<std::size_t>(std::max(cameras, 0)));
  return titles;
}

std::vector<AlteredFrame> RecordingWriter::PlanAlterations(std::uint32_t frames, int cameras) {
  struct Placement {
    std::uint64_t eighths;  // how far into the recording
    std::uint64_t camera;   // 0-based, wrapped to the cameras there are
    TrailerDamage damage;
  };
  // A quarter, a half and three quarters into the recording on cameras 1, 2,
  // 3; and early on camera 1, where the viewer opens, a frame whose
  // compressed data was edited: it decodes, damaged, and must still be marked.
  const Placement placements[] = {{2, 0, TrailerDamage::kAlteredImage},
                                  {4, 1, TrailerDamage::kAlteredTime},
                                  {6, 2, TrailerDamage::kNoTrailer},
                                  {1, 0, TrailerDamage::kTamperedData}};
  const auto cameraCount = static_cast<std::uint64_t>(std::max(cameras, 1));
  std::vector<AlteredFrame> plan;
  for (const Placement& at : placements) {
    const std::uint64_t base = frames * at.eighths / 8;
    const std::uint64_t index = base - base % cameraCount + at.camera % cameraCount;
    if (index >= frames) continue;
    const auto number = static_cast<std::uint32_t>(index + 1);
    bool taken = false;
    for (const AlteredFrame& a : plan) taken = taken || a.number == number;
    if (taken) continue;
    plan.push_back(AlteredFrame{number, at.damage, StatusFor(at.damage)});
  }
  return plan;
}

std::string RecordingWriter::ImagePath(std::uint32_t index) const {
  char name[64];
  const char* extension = options_.format == ImageFormat::kJpeg ? "jpg" : "jp2";
  if (!options_.subfolders) {
    std::snprintf(name, sizeof name, "IMG%08u.%s", index + 1, extension);
  } else {
    std::snprintf(name, sizeof name, "IMG%05u/IMG%08u.%s", index / options_.imagesPerFolder + 1, index + 1,
                  extension);
  }
  return name;
}

std::string RecordingWriter::SoundPath() const {
  return options_.soundFormat == SoundFormat::kWav ? "SOUND/sound.wav" : "SOUND/sound.mp3";
}

std::uint32_t RecordingWriter::StampOf(std::uint32_t index) const { return index * options_.intervalMs; }

std::uint32_t RecordingWriter::SecondsOf(std::uint32_t index) const {
  return startSeconds_ + StampOf(index) / 1000;
}

int RecordingWriter::CameraOf(std::uint32_t index) const {
  return static_cast<int>(index % static_cast<std::uint32_t>(options_.cameras));
}

bool RecordingWriter::Fail(const std::string& text) {
  error_ = text;
  return false;
}

bool RecordingWriter::CheckOptions() {
  const RecordingOptions& o = options_;
  if (o.frames < 1 || o.frames > kMaxFrames) {
    return Fail("the number of frames must lie between 1 and " + std::to_string(kMaxFrames));
  }
  if (o.cameras < 1 || o.cameras > kMaxCameras) return Fail("the number of cameras must lie between 1 and 16");
  if (o.intervalMs < 1 || o.imagesPerFolder < 1 || o.width < 16 || o.height < 16) {
    return Fail("invalid recording layout");
  }
  if (o.subfolders && (o.frames - 1) / o.imagesPerFolder + 1 > kMaxSubfolders) {
    return Fail("too many subfolders: raise the number of images per folder");
  }
  // The viewer ignores images lying next to a sound track, and pairs an MP3
  // track with JPEG 2000 images only: such recordings would not open.
  if (o.sound && !o.subfolders) return Fail("a recording with sound needs its images in subfolders");
  if (o.sound && o.soundFormat == SoundFormat::kMp3 && o.format != ImageFormat::kJp2) {
    return Fail("an MP3 sound track goes with JPEG 2000 images only");
  }
  if (o.sound && o.soundFormat == SoundFormat::kMp3 && !SoundWriter::CanWriteMp3()) {
    return Fail("the installed sound library cannot write MP3 files");
  }
  const std::uint64_t lastStamp = static_cast<std::uint64_t>(o.frames - 1) * o.intervalMs;
  if (lastStamp > 0xFFFFFFFFu - kSoundTailMs - o.intervalMs) return Fail("the recording is too long");

  const CalendarSeconds start = MakeLocalTime(o.start) - RecorderEpoch();
  if (start < 0 || start + static_cast<CalendarSeconds>(lastStamp / 1000) >= kRecorderTimeLimit) {
    return Fail("the recording must lie between 2000-01-01 and 2029-12-23");
  }
  startSeconds_ = static_cast<std::uint32_t>(start);
  return true;
}

bool RecordingWriter::PrepareTitles() {
  titlesUtf8_ = options_.titles.empty() ? DefaultTitles(options_.cameras) : options_.titles;
  titlesUtf8_.resize(static_cast<std::size_t>(options_.cameras));
  titlesShiftJis_.clear();
  for (const std::string& title : titlesUtf8_) {
    std::string bytes;
    if (!Utf8ToShiftJis(title, bytes)) return Fail("camera title \"" + title + "\" has no Shift_JIS form");
    titlesShiftJis_.push_back(bytes);
  }
  return true;
}

bool RecordingWriter::Write(const std::string& folder) {
  error_.clear();
  altered_.clear();
  if (!CheckOptions() || !PrepareTitles()) return false;
  if (options_.alter) altered_ = PlanAlterations(options_.frames, options_.cameras);
  if (!MakeFolder(folder, error_)) return false;
  if (!WriteImages(folder)) return false;
  if (options_.infoIndex && !WriteInfoIndex(folder)) return false;
  if (!WriteTimeList(folder)) return false;
  return !options_.sound || WriteSound(folder);
}

TrailerDamage RecordingWriter::DamageOf(std::uint32_t index) const {
  for (const AlteredFrame& a : altered_) {
    if (a.number == index + 1) return a.damage;
  }
  return TrailerDamage::kNone;
}

bool RecordingWriter::EncodeFrame(std::uint32_t index, bool showClock, std::uint64_t motion,
                                  std::vector<TrailerWriter>& out) {
  const ScenePainter painter(options_.width, options_.height);
  FrameScene scene;
  scene.camera = CameraOf(index);
  scene.frameNumber = motion;
  scene.label = titlesUtf8_[static_cast<std::size_t>(scene.camera)];
  scene.showClock = showClock;
  if (showClock && !BreakDownLocalTime(RecorderEpoch() + SecondsOf(index), scene.clock)) {
    return Fail("cannot break down the recording time");
  }
  std::vector<std::uint8_t> rgb;
  painter.Paint(scene, rgb);
  // A million-image recording is bound by the disc, not the encoder: smaller
  // files are what makes fast mode fast.
  const int quality = options_.fast ? std::min(options_.jpegQuality, kFastJpegQuality) : options_.jpegQuality;
  std::vector<std::uint8_t> encoded = options_.format == ImageFormat::kJpeg
                                          ? EncodeJpeg(rgb.data(), options_.width, options_.height, quality)
                                          : EncodeJp2(rgb.data(), options_.width, options_.height);
  std::optional<TrailerWriter> writer = TrailerWriter::For(options_.format, std::move(encoded));
  if (!writer) return Fail("the image encoder gave no usable image");
  out.push_back(std::move(*writer));
  return true;
}

bool RecordingWriter::WriteImages(const std::string& folder) {
  // Fast mode pictures carry no clock: they are repeated under many times.
  std::vector<TrailerWriter> repeated;
  if (options_.fast) {
    for (int v = 0; v < kFastVariants; ++v) {
      for (int c = 0; c < options_.cameras; ++c) {
        const auto index = static_cast<std::uint32_t>(v * options_.cameras + c);
        if (!EncodeFrame(index, false, index / static_cast<std::uint32_t>(options_.cameras), repeated)) {
          return false;
        }
      }
    }
  }

  std::vector<std::uint8_t> bytes;
  std::vector<TrailerWriter> current;
  for (std::uint32_t index = 0; index < options_.frames; ++index) {
    if (options_.subfolders && index % options_.imagesPerFolder == 0) {
      const std::string path = ImagePath(index);
      if (!MakeFolder(JoinPath(folder, path.substr(0, path.find('/'))), error_)) return false;
    }
    const TrailerWriter* writer = nullptr;
    if (options_.fast) {
      const std::uint32_t cameras = static_cast<std::uint32_t>(options_.cameras);
      writer = &repeated[(index / cameras % kFastVariants) * cameras + index % cameras];
    } else {
      current.clear();
      if (!EncodeFrame(index, true, index / static_cast<std::uint32_t>(options_.cameras), current)) return false;
      writer = &current.front();
    }
    writer->WriteTo(TrailerValues{SecondsOf(index), StampOf(index)}, DamageOf(index), bytes);
    if (!WriteFileBytes(JoinPath(folder, ImagePath(index)), bytes.data(), bytes.size(), error_)) return false;
    if (options_.progress && (index + 1) % kProgressStep == 0) options_.progress(index + 1, options_.frames);
  }
  return true;
}

bool RecordingWriter::WriteInfoIndex(const std::string& folder) {
  InfoIndexWriter index;
  for (int c = 0; c < options_.cameras; ++c) index.SetTitle(c, titlesShiftJis_[static_cast<std::size_t>(c)]);
  index.Reserve(options_.frames);
  // Entries follow the sorted file order, which the zero-padded names make
  // the order of writing; the true time even for an image whose trailer lies.
  for (std::uint32_t i = 0; i < options_.frames; ++i) {
    index.Add(InfoEntry{SecondsOf(i), StampOf(i), static_cast<std::int8_t>(CameraOf(i))});
  }
  const std::string path = JoinPath(folder, InfoIndexPath());
  return MakeFolder(JoinPath(folder, "INFO"), error_) && index.WriteFile(path, error_);
}

bool RecordingWriter::WriteTimeList(const std::string& folder) {
  std::string text;
  for (std::uint32_t i = 0; i < options_.frames; ++i) {
    text += std::to_string(StampOf(i)) + "\r\n";  // the recorder's own line ends
  }
  return WriteFileBytes(JoinPath(folder, "time.txt"), text.data(), text.size(), error_);
}

bool RecordingWriter::WriteSound(const std::string& folder) {
  SoundSpec spec;
  spec.format = options_.soundFormat;
  spec.sampleRate = kSoundRate;
  // The viewer routes an MP3 track's two channels separately; a wave plays as is.
  spec.channels = options_.soundFormat == SoundFormat::kMp3 ? 2 : 1;
  spec.lengthMs = StampOf(options_.frames - 1) + options_.intervalMs + kSoundTailMs;
  spec.beepMs = std::min<std::uint32_t>(30, std::max<std::uint32_t>(options_.intervalMs / 2, 1));
  spec.beeps.reserve(options_.frames);
  // The sound track starts with the first image: its position is stamp - first stamp.
  for (std::uint32_t i = 0; i < options_.frames; ++i) {
    spec.beeps.push_back(Beep{StampOf(i) - StampOf(0), BeepFrequency(CameraOf(i))});
  }
  return MakeFolder(JoinPath(folder, "SOUND"), error_) &&
         SoundWriter::Write(JoinPath(folder, SoundPath()), spec, error_);
}

}  // namespace selvo
