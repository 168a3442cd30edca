// selvo-make-demo: writes a realistic demo recording for the viewer, the
// tests and the benchmarks.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "source/CalendarTime.h"
#include "source/StreamCheck.h"
#include "source/TemporaryFileCleanup.h"
#include "tools/cli/ToolCommandLine.h"
#include "tools/recwriter/RecordingWriter.h"
#include "tools/selvo-make-demo/DiscDemo.h"

namespace {

namespace fs = std::filesystem;

constexpr int kExitWriteFailure = 1;

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
    "  --version       show the version\n"
    "\n"
    "Exit status: 0 written, 1 a file could not be written, 2 usage error.\n";

struct CommandLine {
  std::string out;
  selvo::RecordingOptions options;
  bool force = false;
  bool jp2Implied = false;
  const char* soundDroppedBy = nullptr;  // the option that ruled the sound track out
  selvo::DiscDemoRequest disc;           // the disc form, when disc.file is given
  std::string folderOnly;                // the first option the disc form does not take
  std::string discOnly;                  // the first option only the disc form takes
};

bool ParseCount(const std::string& text, unsigned long min, unsigned long max, unsigned long& value) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoul(text.c_str(), &end, 10);
  return errno == 0 && *end == '\0' && value >= min && value <= max;
}

std::string NeedsNumber(const char* name, unsigned long min, unsigned long max) {
  return std::string("--") + name + " needs a number from " + std::to_string(min) + " to " + std::to_string(max);
}

// The two forms share one option table: the folder form's options, the disc
// form's, and --frames and --cameras, which both take. Which form was asked
// for is known only at the end, so each option notes the form it belongs to.
std::optional<int> Parse(int argc, char** argv, CommandLine& line) {
  selvo::RecordingOptions& o = line.options;
  bool mp3 = false;
  bool framesGiven = false;
  selvo::ToolCommandLine parser("selvo-make-demo", kUsage);
  parser.MoreHelp(selvo::kDiscDemoUsage);
  const auto folderFlag = [&parser, &line](const char* name, std::function<void()> set) {
    parser.Flag(name, [&line, name, set] {
      if (line.folderOnly.empty()) line.folderOnly = std::string("--") + name;
      set();
    });
  };
  parser.Value("frames", [&](const std::string& value) {
    unsigned long number = 0;
    if (!ParseCount(value, 1, selvo::RecordingWriter::kMaxFrames, number)) {
      return NeedsNumber("frames", 1, selvo::RecordingWriter::kMaxFrames);
    }
    o.frames = static_cast<std::uint32_t>(number);
    framesGiven = true;
    return std::string();
  });
  parser.Value("cameras", [&](const std::string& value) {
    unsigned long number = 0;
    if (!ParseCount(value, 1, selvo::RecordingWriter::kMaxCameras, number)) {
      return NeedsNumber("cameras", 1, selvo::RecordingWriter::kMaxCameras);
    }
    o.cameras = line.disc.cameras = static_cast<int>(number);
    return std::string();
  });
  parser.Value("per-folder", [&](const std::string& value) {
    unsigned long number = 0;
    if (line.folderOnly.empty()) line.folderOnly = "--per-folder";
    if (!ParseCount(value, 1, selvo::RecordingWriter::kMaxFrames, number)) {
      return NeedsNumber("per-folder", 1, selvo::RecordingWriter::kMaxFrames);
    }
    o.imagesPerFolder = static_cast<std::uint32_t>(number);
    return std::string();
  });
  folderFlag("jp2", [&o] { o.format = selvo::ImageFormat::kJp2; });
  folderFlag("mp3", [&mp3] { mp3 = true; });
  folderFlag("no-sound", [&o] { o.sound = false; });
  folderFlag("no-info", [&o] { o.infoIndex = false; });
  folderFlag("flat", [&o] { o.subfolders = false; });
  folderFlag("no-alter", [&o] { o.alter = false; });
  folderFlag("fast", [&o] { o.fast = true; });
  folderFlag("force", [&line] { line.force = true; });
  parser.Value("disc", [&line](const std::string& value) {
    line.disc.file = value;
    return value.empty() ? "--disc needs a FILE" : "";
  });
  parser.Flag("damaged", [&line] {
    line.disc.damaged = true;
    if (line.discOnly.empty()) line.discOnly = "--damaged";
  });
  parser.Value("short-by", [&line](const std::string& value) {
    unsigned long number = 0;
    if (line.discOnly.empty()) line.discOnly = "--short-by";
    if (!ParseCount(value, 1, 1UL << 30, number)) return std::string("--short-by needs a number of blocks");
    line.disc.shortBy = static_cast<long>(number);
    return std::string();
  });
  if (const std::optional<int> done = parser.Parse(argc, argv)) return done;
  const std::vector<std::string>& operands = parser.Operands();

  if (!line.disc.file.empty()) {
    if (!line.folderOnly.empty()) return parser.UsageError("the disc form does not take " + line.folderOnly);
    if (!operands.empty()) return parser.UsageError("the disc form does not take OUT: " + operands.front());
    if (framesGiven && o.frames > static_cast<std::uint32_t>(selvo::DiscDemoRequest::kMaxFrames)) {
      return parser.UsageError(NeedsNumber("frames", 1, selvo::DiscDemoRequest::kMaxFrames));
    }
    if (framesGiven) line.disc.frames = static_cast<int>(o.frames);
    return std::nullopt;
  }
  if (!line.discOnly.empty()) return parser.UsageError(line.discOnly + " goes with --disc FILE");
  if (operands.empty()) return parser.UsageError("no OUT folder given");
  if (operands.size() > 1) return parser.UsageError("more than one OUT folder given");
  line.out = operands.front();
  if (mp3) {
    o.soundFormat = selvo::SoundFormat::kMp3;
    line.jp2Implied = o.format != selvo::ImageFormat::kJp2;
    o.format = selvo::ImageFormat::kJp2;
  }
  if (o.sound && (!o.subfolders || o.fast)) {
    o.sound = false;
    line.soundDroppedBy = o.subfolders ? "--fast" : "--flat";
  }
  return std::nullopt;
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
  std::vector<selvo::AlteredFrame> altered = writer.Altered();
  std::sort(altered.begin(), altered.end(),
            [](const selvo::AlteredFrame& a, const selvo::AlteredFrame& b) { return a.number < b.number; });
  for (const selvo::AlteredFrame& a : altered) {
    std::printf("  frame %u: %s (status %d), camera %d, %s\n", a.number, DamageText(a.damage), a.status,
                writer.CameraOf(a.number - 1) + 1, writer.ImagePath(a.number - 1).c_str());
  }
}

}  // namespace

namespace {

// The whole run; main adds the check that its report reached stdout.
int MakeDemo(int argc, char** argv) {
  selvo::FixProcessTimeZone();
  CommandLine line;
  if (const std::optional<int> done = Parse(argc, argv, line)) return *done;
  if (!line.disc.file.empty()) return selvo::WriteDiscDemo(line.disc);
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
