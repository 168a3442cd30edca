// selvo-make-demo: writes a realistic demo recording for the viewer, the
// tests and the benchmarks.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "source/StreamCheck.h"
#include "source/TemporaryFileCleanup.h"
#include "tools/recwriter/RecordingWriter.h"
#include "tools/selvo-make-demo/DiscDemo.h"

namespace {

namespace fs = std::filesystem;

constexpr int kExitWriteFailure = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage: selvo-make-demo OUT [options]\n"
    "Writes a demo recording into the folder OUT: camera images with recorder\n"
    "trailers in numbered subfolders (IMG00001, ...), an INFO index, time.txt,\n"
    "SOUND/sound.wav with a beep on every image, and four deliberately altered\n"
    "images (changed quantisation table, changed time, no trailer, one byte of\n"
    "the compressed data changed), which are listed.\n"
    "\n"
    "  --frames N      number of images (default 240, at most 10000000)\n"
    "  --cameras N     number of cameras, 1..16 (default 4)\n"
    "  --per-folder N  images per numbered subfolder (default 1000)\n"
    "  --jp2           JPEG 2000 images instead of JPEG\n"
    "  --mp3           SOUND/sound.mp3 instead of sound.wav; implies --jp2, the\n"
    "                  only images the viewer pairs with an MP3 track\n"
    "  --no-sound      no sound track\n"
    "  --no-info       no INFO index\n"
    "  --flat          images directly in OUT, no subfolders; implies --no-sound,\n"
    "                  since the viewer ignores such images next to a sound track\n"
    "  --no-alter      no altered images\n"
    "  --fast          for very large recordings: encode a few pictures once and\n"
    "                  repeat them with fresh trailers; the pictures carry no\n"
    "                  burned-in clock; implies --no-sound\n"
    "  --force         write into a non-empty OUT, replacing an earlier demo\n"
    "                  recording there (other files are left alone)\n"
    "  --help          show this help\n"
    "\n"
    "Exit status: 0 written, 1 a file could not be written, 2 usage error.\n";

struct CommandLine {
  std::string out;
  selvo::RecordingOptions options;
  bool force = false;
  bool help = false;
  bool jp2Implied = false;
  const char* soundDroppedBy = nullptr;  // the option that ruled the sound track out
  std::string error;
};

bool ParseCount(const char* text, unsigned long max, std::uint32_t& value) {
  if (text == nullptr || *text < '0' || *text > '9') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(text, &end, 10);
  if (errno != 0 || *end != '\0' || parsed > max) return false;
  value = static_cast<std::uint32_t>(parsed);
  return true;
}

bool ParseNumberOption(const std::string& name, const char* text, unsigned long min, unsigned long max,
                       std::uint32_t& value, std::string& error) {
  if (!ParseCount(text, max, value) || value < min) {
    error = name + " needs a number from " + std::to_string(min) + " to " + std::to_string(max);
    return false;
  }
  return true;
}

CommandLine Parse(int argc, char** argv) {
  CommandLine line;
  selvo::RecordingOptions& o = line.options;
  bool mp3 = false;
  for (int i = 1; i < argc && line.error.empty(); ++i) {
    const std::string arg = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    std::uint32_t number = 0;
    if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg == "--frames") {
      if (ParseNumberOption(arg, next, 1, selvo::RecordingWriter::kMaxFrames, o.frames, line.error)) ++i;
    } else if (arg == "--cameras") {
      if (ParseNumberOption(arg, next, 1, selvo::RecordingWriter::kMaxCameras, number, line.error)) {
        o.cameras = static_cast<int>(number);
        ++i;
      }
    } else if (arg == "--per-folder") {
      if (ParseNumberOption(arg, next, 1, selvo::RecordingWriter::kMaxFrames, o.imagesPerFolder, line.error)) ++i;
    } else if (arg == "--jp2") {
      o.format = selvo::ImageFormat::kJp2;
    } else if (arg == "--mp3") {
      mp3 = true;
    } else if (arg == "--no-sound") {
      o.sound = false;
    } else if (arg == "--no-info") {
      o.infoIndex = false;
    } else if (arg == "--flat") {
      o.subfolders = false;
    } else if (arg == "--no-alter") {
      o.alter = false;
    } else if (arg == "--fast") {
      o.fast = true;
    } else if (arg == "--force") {
      line.force = true;
    } else if (!arg.empty() && arg[0] == '-') {
      line.error = "unknown option " + arg;
    } else if (line.out.empty()) {
      line.out = arg;
    } else {
      line.error = "more than one OUT folder given";
    }
  }
  if (mp3) {
    o.soundFormat = selvo::SoundFormat::kMp3;
    line.jp2Implied = o.format != selvo::ImageFormat::kJp2;
    o.format = selvo::ImageFormat::kJp2;
  }
  if (o.sound && (!o.subfolders || o.fast)) {
    o.sound = false;
    line.soundDroppedBy = o.subfolders ? "--fast" : "--flat";
  }
  if (line.error.empty() && !line.help && line.out.empty()) line.error = "no OUT folder given";
  return line;
}

// Whether a name belongs to a recording this tool writes.
bool IsDemoEntry(const std::string& name) {
  return name.rfind("IMG", 0) == 0 || name == "INFO" || name == "SOUND" || name == "time.txt" ||
         name == "sound.wav" || name == "sound.mp3";
}

// Refuses a non-empty OUT unless forced; when forced, removes an earlier demo
// recording so that no stale image changes the file count the INFO index must
// match. Anything else in OUT is kept and named.
bool PrepareOut(const std::string& out, bool force) {
  std::error_code code;
  const fs::file_status status = fs::status(out, code);
  if (code && code != std::errc::no_such_file_or_directory) {
    std::fprintf(stderr, "selvo-make-demo: %s: %s\n", out.c_str(), code.message().c_str());
    return false;
  }
  if (!fs::exists(status)) return true;
  if (!fs::is_directory(status)) {
    std::fprintf(stderr, "selvo-make-demo: %s exists and is not a folder\n", out.c_str());
    return false;
  }
  std::vector<fs::path> entries;
  for (fs::directory_iterator it(out, code), end; !code && it != end; it.increment(code)) {
    entries.push_back(it->path());
  }
  if (code) {
    std::fprintf(stderr, "selvo-make-demo: %s: cannot list the folder: %s\n", out.c_str(), code.message().c_str());
    return false;
  }
  if (entries.empty()) return true;
  if (!force) {
    std::fprintf(stderr, "selvo-make-demo: %s is not empty; use --force to write into it\n", out.c_str());
    return false;
  }
  for (const fs::path& entry : entries) {
    const std::string name = entry.filename().string();
    if (!IsDemoEntry(name)) {
      std::fprintf(stderr, "selvo-make-demo: keeping %s, which is not part of a demo recording\n",
                   entry.c_str());
      continue;
    }
    fs::remove_all(entry, code);
    if (code) {
      std::fprintf(stderr, "selvo-make-demo: %s: cannot remove: %s\n", entry.c_str(), code.message().c_str());
      return false;
    }
  }
  return true;
}

const char* DamageText(selvo::TrailerDamage damage) {
  switch (damage) {
    case selvo::TrailerDamage::kAlteredImage: return "image data altered";
    case selvo::TrailerDamage::kTamperedData: return "a byte of the compressed data changed";
    case selvo::TrailerDamage::kAlteredTime: return "time altered";
    case selvo::TrailerDamage::kNoTrailer: return "no recorder trailer";
    case selvo::TrailerDamage::kWithoutTime: return "trailer without time";
    case selvo::TrailerDamage::kNone: break;
  }
  return "unaltered";
}

void PrintSummary(const CommandLine& line, const selvo::RecordingWriter& writer) {
  const selvo::RecordingOptions& o = writer.Options();
  std::printf("selvo-make-demo: wrote %u %s images from %d camera%s to %s\n", o.frames,
              o.format == selvo::ImageFormat::kJpeg ? "JPEG" : "JPEG 2000", o.cameras, o.cameras == 1 ? "" : "s",
              line.out.c_str());
  if (o.subfolders) {
    std::printf("  images in IMG00001 .. IMG%05u, %u per folder\n", (o.frames - 1) / o.imagesPerFolder + 1,
                o.imagesPerFolder);
  }
  if (o.infoIndex) std::printf("  INFO index %s\n", selvo::RecordingWriter::InfoIndexPath());
  std::printf("  time.txt\n");
  if (o.sound) std::printf("  sound track %s\n", writer.SoundPath().c_str());
  if (line.jp2Implied) std::printf("  (--mp3 implies --jp2)\n");
  if (line.soundDroppedBy != nullptr) std::printf("  (no sound track: %s implies --no-sound)\n", line.soundDroppedBy);
  if (writer.Altered().empty()) {
    std::printf("altered frames: none\n");
    return;
  }
  std::printf("altered frames (numbers from 1, in file order):\n");
  for (const selvo::AlteredFrame& a : writer.Altered()) {
    std::printf("  frame %u: %s (status %d), camera %d, %s\n", a.number, DamageText(a.damage), a.status,
                writer.CameraOf(a.number - 1) + 1, writer.ImagePath(a.number - 1).c_str());
  }
}

}  // namespace

namespace {

// The whole run; main adds the check that its report reached stdout.
int MakeDemo(int argc, char** argv) {
  selvo::FixProcessTimeZone();
  if (selvo::IsDiscDemoCommand(argc, argv)) return selvo::RunDiscDemo(argc, argv);
  CommandLine line = Parse(argc, argv);
  if (line.help) {
    std::fputs(kUsage, stdout);
    std::fputs(selvo::kDiscDemoUsage, stdout);
    return 0;
  }
  if (!line.error.empty()) {
    std::fprintf(stderr, "selvo-make-demo: %s\n%s", line.error.c_str(), kUsage);
    return kExitUsage;
  }
  if (!PrepareOut(line.out, line.force)) return kExitWriteFailure;

  // A progress line only for a person watching, and only once it is worth it.
  static bool progressShown = false;
  if (isatty(STDERR_FILENO)) {
    line.options.progress = [](std::uint32_t written, std::uint32_t total) {
      std::fprintf(stderr, "\r%u / %u images", written, total);
      progressShown = true;
    };
  }
  selvo::RecordingWriter writer(line.options);
  const bool written = writer.Write(line.out);
  if (progressShown) std::fputc('\n', stderr);
  if (!written) {
    std::fprintf(stderr, "selvo-make-demo: %s\n", writer.ErrorText().c_str());
    return kExitWriteFailure;
  }
  PrintSummary(line, writer);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!selvo::OpenClosedStandardStreams()) {
    std::fprintf(stderr, "selvo-make-demo: standard output is closed; nothing could be reported\n");
    return kExitWriteFailure;
  }
  selvo::TemporaryFileCleanup::InstallHandlers();
  return selvo::FinishStandardOutput("selvo-make-demo", MakeDemo(argc, argv), kExitWriteFailure);
}
