// Video export against its baselines, in one run:
// - the lossless export of 2,000 704 x 480 JPEG images to .mkv against
//   reading the same files to /dev/null in one process (the fair baseline:
//   the export cannot avoid opening and reading each file), against `cat`
//   of the files to /dev/null, one process for all, and against reading
//   them into one file in one process, which pays the write the export
//   cannot avoid either; target <= 1.5 x the in-process read;
// - the shareable export (.mp4, H.264 on one thread) of 30 s of a 704 x 480
//   camera at 10 images a second, as the ratio of encoding time to the
//   recording's duration; target < 1, faster than real time.
// Measured in one run on the two-core development machine under other load
// (Release): lossless 54-75 ms, 2.3-3.5 x the in-process read to /dev/null
// (the gap is the 24 MB the export must write, which the baseline throws
// away), 0.64-0.77 x `cat` to /dev/null, 0.85-1.1 x reading into one file;
// shareable 7.1-9.0 s for 30 s of recording, 0.24-0.30 of real time.
#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "export/FolderExportInput.h"
#include "export/render/PaneFramePainter.h"
#include "export/VideoExport.h"
#include "source/CalendarTime.h"
#include "source/FileBytes.h"
#include "tools/recwriter/RecordingWriter.h"

namespace {

namespace fs = std::filesystem;
using selvo::bench::RunProgram;
using selvo::bench::SecondsOf;

constexpr std::uint32_t kLosslessImages = 2000;
constexpr std::uint32_t kShareableImages = 300;
constexpr std::uint32_t kShareableIntervalMs = 100;

bool MakeRecording(const std::string& folder, std::uint32_t frames, bool fast) {
  if (fs::exists(folder + "/time.txt")) return true;
  selvo::RecordingOptions options;
  options.frames = frames;
  options.cameras = 1;
  options.alter = false;
  options.fast = fast;
  options.sound = !fast;
  options.intervalMs = kShareableIntervalMs;
  selvo::RecordingWriter writer(options);
  if (!writer.Write(folder)) {
    std::fprintf(stderr, "%s\n", writer.ErrorText().c_str());
    return false;
  }
  return true;
}

std::vector<std::string> ImageFiles(const std::string& folder, std::uint32_t frames) {
  selvo::RecordingOptions options;
  options.frames = frames;
  options.cameras = 1;
  selvo::RecordingWriter writer(options);
  std::vector<std::string> files;
  for (std::uint32_t i = 0; i < frames; ++i) files.push_back(folder + "/" + writer.ImagePath(i));
  return files;
}

bool ReadAllInto(const std::vector<std::string>& files, const char* target) {
  const int null = open(target, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::uint8_t> bytes;
  bool ok = null >= 0;
  for (const std::string& file : files) {
    ok = ok && selvo::ReadWholeFile(file, bytes) && selvo::WriteAll(null, bytes.data(), bytes.size());
  }
  if (null >= 0) close(null);
  return ok;
}

bool Export(const std::string& folder, const std::string& out, selvo::VideoKind kind) {
  selvo::FolderExportInput input;
  if (!input.Open(folder, {})) return false;
  selvo::VideoExportOptions options;
  options.kind = kind;
  options.threads = 1;
  selvo::VideoExport run(input, options);
  selvo::PaneOverlayStyle style;
  style.cameraTitleShown = true;
  run.SetPainter(selvo::MakePaneFramePainter(style));
  const bool done = run.Run(out) == selvo::ExportOutcome::kExported;
  if (!done) std::fprintf(stderr, "%s\n", run.ErrorText().c_str());
  return done;
}

}  // namespace

int main(int argc, char** argv) {
  selvo::bench::AnswerHelp(argc, argv, "ExportBench\n  the lossless and MP4 exports against reading their images");
  selvo::FixProcessTimeZone();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const std::string data = std::string(SELVO_BINARY_DIR) + "/bench-data/export";
  const std::string lossless = data + "/lossless";
  const std::string shareable = data + "/shareable";
  fs::create_directories(data);
  if (!MakeRecording(lossless, kLosslessImages, true) || !MakeRecording(shareable, kShareableImages, false)) return 1;

  const std::vector<std::string> files = ImageFiles(lossless, kLosslessImages);
  std::vector<std::string> cat = {"sh", "-c", "exec cat \"$@\" >/dev/null", "cat"};
  cat.insert(cat.end(), files.begin(), files.end());
  const std::string mkv = data + "/out.mkv";
  const std::string joined = data + "/joined.bin";
  ReadAllInto(files, "/dev/null");  // warm the page cache for all
  double bestRead = 1e9, bestCat = 1e9, bestJoin = 1e9, bestExport = 1e9;
  for (int round = 0; round < 5; ++round) {
    bestRead = std::min(bestRead, SecondsOf([&] { return ReadAllInto(files, "/dev/null"); }));
    bestJoin = std::min(bestJoin, SecondsOf([&] { return ReadAllInto(files, joined.c_str()); }));
    bestCat = std::min(bestCat, SecondsOf([&] { return RunProgram(cat); }));
    bestExport = std::min(bestExport, SecondsOf([&] { return Export(lossless, mkv, selvo::VideoKind::kLossless); }));
  }
  std::printf("lossless export of %u images: %.1f ms; read to /dev/null in-process %.1f ms (ratio %.2f, target <= 1.5); "
              "cat to /dev/null %.1f ms (ratio %.2f); read into one file in-process %.1f ms (ratio %.2f)\n",
              kLosslessImages, bestExport * 1e3, bestRead * 1e3, bestExport / bestRead, bestCat * 1e3,
              bestExport / bestCat, bestJoin * 1e3, bestExport / bestJoin);

  const std::string mp4 = data + "/out.mp4";
  const double seconds = SecondsOf([&] { return Export(shareable, mp4, selvo::VideoKind::kShareable); });
  const double duration = kShareableImages * kShareableIntervalMs / 1000.0;
  std::printf("shareable export of %.0f s of 704 x 480 at %u images a second on one thread: %.2f s, "
              "ratio to the recording's duration %.2f (target < 1)\n",
              duration, 1000 / kShareableIntervalMs, seconds, seconds / duration);
  fs::remove(mkv);
  fs::remove(joined);
  fs::remove(mp4);
  return 0;
}
