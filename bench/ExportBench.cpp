// Video export against its baselines, in one run:
// - the lossless export of 2,000 704 x 480 JPEG images to .mkv against
//   reading them into one file in one process, which pays the reads and
//   the write the export cannot avoid (the fair baseline; target <= 1.5 x);
//   also against reading them to /dev/null in one process, `cat` of them to
//   /dev/null, and reading them into one file synced once at the end, as
//   the export's own file must be before it counts as written;
// - the shareable export (.mp4, H.264) of 400 704 x 480 pictures against
//   FFmpeg's own command doing the same work on the same files,
//     ffmpeg -f image2 -i %05d.jpg -vf scale=704:528 -c:v libx264
//            -preset veryfast -crf 23 -pix_fmt yuv420p out.mp4
//   rounds alternating, medians compared; target <= 1.0 x. Both outputs are
//   then measured against the source frames by FFmpeg's psnr and ssim
//   filters: the source scaled to 704 x 528 by Lanczos (a scaler neither
//   export uses), both sides in limited-range 4:2:0, over the rows above
//   the time text that only ours draws; target: ours at least FFmpeg's.
// Figures (Release, the busy two-core development machine) are in the
// README's Benchmarks.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "export/FolderExportInput.h"
#include "export/render/PaneFrameOverlays.h"
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
constexpr std::uint32_t kShareableImages = 400;
constexpr int kShareableRounds = 5;
constexpr int kFrameWidth = 704;
constexpr int kFrameHeight = 528;
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

// synced: made to last as every output of ours is, with one fsync at the end.
bool ReadAllInto(const std::vector<std::string>& files, const char* target, bool synced = false) {
  const int null = open(target, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::uint8_t> bytes;
  bool ok = null >= 0;
  for (const std::string& file : files) {
    ok = ok && selvo::ReadWholeFile(file, bytes) && selvo::WriteAll(null, bytes.data(), bytes.size());
  }
  if (synced) ok = ok && fsync(null) == 0;
  if (null >= 0) close(null);
  return ok;
}

bool Export(const std::string& folder, const std::string& out, selvo::VideoKind kind) {
  selvo::FolderExportInput input;
  if (!input.Open(folder, {})) return false;
  selvo::VideoExportOptions options;
  options.kind = kind;
  // FFmpeg's command carries no sound and lets x264 choose its threads.
  options.sound = false;
  selvo::VideoExport run(input, options);
  selvo::PaneOverlayStyle style;
  style.cameraTitleShown = true;
  run.SetPainter(selvo::MakePaneFramePainter(style));
  run.SetOverlays(selvo::MakePaneFrameOverlays(style));
  const bool done = run.Run(out) == selvo::ExportOutcome::kExported;
  if (!done) std::fprintf(stderr, "%s\n", run.ErrorText().c_str());
  return done;
}

// The pictures under names FFmpeg's image2 pattern reads.
std::string FlatPictures(const std::string& data, const std::vector<std::string>& files) {
  const std::string flat = data + "/flat";
  fs::create_directories(flat);
  for (std::size_t i = 0; i < files.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/%05zu.jpg", i + 1);
    // A link left by an earlier run may point at pictures made since, or at
    // none (exists() follows it): made anew each time.
    fs::remove(flat + name);
    fs::create_symlink(files[i], flat + name);
  }
  return flat + "/%05d.jpg";
}

selvo::bench::ProcessRun FfmpegExport(const std::string& pattern, const std::string& out) {
  return selvo::bench::RunMeasured({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "image2", "-i", pattern,
                                    "-vf", "scale=704:528", "-c:v", "libx264", "-preset", "veryfast", "-crf", "23",
                                    "-pix_fmt", "yuv420p", out});
}

// Processor time of this process, every thread, so far.
double OwnCpuSeconds() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return selvo::bench::CpuSeconds(usage);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Likeness {
  double psnr = 0;  // dB, all planes
  double ssim = 0;  // all planes
};

// The number after key on the last line that holds it.
double NumberAfter(const std::string& text, const std::string& key) {
  const std::size_t at = text.rfind(key);
  return at == std::string::npos ? 0 : std::atof(text.c_str() + at + key.size());
}

// The video against the source pictures, frame by frame in order (the
// MP4's times are the recording's, the pictures' FFmpeg's own), above the
// band where our time text lies.
Likeness MeasureAgainstSource(const std::string& video, const std::string& pattern) {
  const int rows = (kFrameHeight - 2 * (kFrameHeight / 18)) & ~15;
  const std::string crop = ",crop=" + std::to_string(kFrameWidth) + ":" + std::to_string(rows) + ":0:0";
  const std::string graph = "[0:v]format=yuv420p,settb=1/25,setpts=N" + crop +
                            ",split[a1][a2];[1:v]scale=704:528:flags=lanczos+accurate_rnd+full_chroma_int,"
                            "format=yuv420p,settb=1/25,setpts=N" + crop +
                            ",split[b1][b2];[a1][b1]psnr;[a2][b2]ssim";
  const std::string command = "ffmpeg -nostdin -hide_banner -i '" + video + "' -f image2 -i '" + pattern +
                              "' -lavfi '" + graph + "' -f null - 2>&1";
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
    pclose(pipe);
  }
  Likeness likeness;
  likeness.psnr = NumberAfter(text, "average:");
  likeness.ssim = NumberAfter(text, "All:");
  if (likeness.psnr == 0 || likeness.ssim == 0) {
    std::fprintf(stderr, "cannot measure %s:\n%s\n", video.c_str(), text.c_str());
  }
  return likeness;
}

void CompareWithFfmpeg(const std::string& data, const std::string& folder) {
  const std::string pattern = FlatPictures(data, ImageFiles(folder, kShareableImages));
  const std::string ours = data + "/ours.mp4";
  const std::string theirs = data + "/ffmpeg.mp4";
  std::vector<double> oursSeconds, theirSeconds, oursCpu, theirCpu;
  for (int round = 0; round < kShareableRounds; ++round) {
    const double cpuBefore = OwnCpuSeconds();
    oursSeconds.push_back(SecondsOf([&] { return Export(folder, ours, selvo::VideoKind::kShareable); }));
    oursCpu.push_back(OwnCpuSeconds() - cpuBefore);
    const selvo::bench::ProcessRun run = FfmpegExport(pattern, theirs);
    if (!run.ok) std::fprintf(stderr, "FFmpeg's command failed\n");
    theirSeconds.push_back(run.seconds);
    theirCpu.push_back(run.cpuSeconds);
  }
  const double oursMedian = Median(oursSeconds);
  const double theirMedian = Median(theirSeconds);
  const Likeness oursLike = MeasureAgainstSource(ours, pattern);
  const Likeness theirLike = MeasureAgainstSource(theirs, pattern);
  std::printf("shareable export of %u 704 x 480 pictures to 704 x 528: ours %.2f s, FFmpeg's command %.2f s "
              "(medians of %d alternating rounds; ratio %.2f, target <= 1.0)\n",
              kShareableImages, oursMedian, theirMedian, kShareableRounds, oursMedian / theirMedian);
  std::printf("  processor time, every thread: ours %.2f s, FFmpeg's %.2f s (ratio %.2f)\n", Median(oursCpu),
              Median(theirCpu), Median(oursCpu) / Median(theirCpu));
  std::printf("  against the source: ours PSNR %.2f dB SSIM %.4f, %.0f kB; FFmpeg's PSNR %.2f dB SSIM %.4f, %.0f kB "
              "(target: ours at least FFmpeg's)\n",
              oursLike.psnr, oursLike.ssim, fs::file_size(ours) / 1e3, theirLike.psnr, theirLike.ssim,
              fs::file_size(theirs) / 1e3);
  fs::remove(ours);
  fs::remove(theirs);
}

}  // namespace

int main(int argc, char** argv) {
  selvo::bench::AnswerHelp(argc, argv,
                           "ExportBench [--lossless-only]\n  the lossless and MP4 exports against reading their images");
  const bool losslessOnly = argc > 1 && std::string(argv[1]) == "--lossless-only";
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
  double bestRead = 1e9, bestCat = 1e9, bestJoin = 1e9, bestSyncedJoin = 1e9, bestExport = 1e9;
  for (int round = 0; round < 5; ++round) {
    bestRead = std::min(bestRead, SecondsOf([&] { return ReadAllInto(files, "/dev/null"); }));
    bestJoin = std::min(bestJoin, SecondsOf([&] { return ReadAllInto(files, joined.c_str()); }));
    bestSyncedJoin = std::min(bestSyncedJoin, SecondsOf([&] { return ReadAllInto(files, joined.c_str(), true); }));
    bestCat = std::min(bestCat, SecondsOf([&] { return RunProgram(cat); }));
    bestExport = std::min(bestExport, SecondsOf([&] { return Export(lossless, mkv, selvo::VideoKind::kLossless); }));
  }
  std::printf("lossless export of %u images: %.1f ms; read into one file in-process %.1f ms (ratio %.2f, target <= 1.5); "
              "read to /dev/null in-process %.1f ms (ratio %.2f); cat to /dev/null %.1f ms (ratio %.2f)\n",
              kLosslessImages, bestExport * 1e3, bestJoin * 1e3, bestExport / bestJoin, bestRead * 1e3,
              bestExport / bestRead, bestCat * 1e3, bestExport / bestCat);
  std::printf("  the export syncs its file before it counts as written; read into one file and synced: %.1f ms (ratio %.2f)\n",
              bestSyncedJoin * 1e3, bestExport / bestSyncedJoin);

  fs::remove(mkv);
  fs::remove(joined);
  if (losslessOnly) return 0;
  CompareWithFfmpeg(data, shareable);
  return 0;
}
