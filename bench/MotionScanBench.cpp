// Motion search against decoding, measured side by side in one run:
//   the search of every image of a 704 x 480 camera (MotionSearch, every
//   core, files read from the page cache), in images per second, against
//   tjDecompress2 decoding the same frames at full size, from memory, on one
//   core: the decode any search that looks at the pictures would start from;
//   selvo-motion over the folder against selvo-check --decode over the same
//   folder, both as processes: the one other tool here that decodes every
//   image of a recording;
//   selvo-motion's peak memory over the whole folder against a tenth of it,
//   per image: memory must not follow the recording's length.
// Each pair is given in wall time and in processor time (every thread of
// the side summed). The kernel shares the processors between sessions, not
// threads, so on a machine that other sessions keep busy a second thread
// adds no wall-clock speed at all: the processor-time ratio is then the
// figure that tells the work saved, and twice it what two idle cores give
// at most.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchSupport.h"
#include "source/FileBytes.h"
#include "source/motion/MotionSearch.h"
#include "tools/recwriter/MotionFootageWriter.h"

namespace {

constexpr int kImages = 3000;
constexpr selvo::MotionRect kArea{400, 140, 200, 200};

// One camera, a figure crossing the area every 150 images at changing
// speeds, the lights going on halfway: the search does all its work.
selvo::MotionFootageOptions BenchFootage() {
  selvo::MotionFootageOptions options;
  options.imagesPerCamera = kImages;
  selvo::MotionCameraScene scene;
  for (int start = 20, speed = 10; start + 60 < kImages; start += 150, speed = speed % 40 + 10) {
    scene.figures.push_back({{{start, 300, 190}, {start + 420 / speed, 720, 190}}});
  }
  scene.lightsOnAt = kImages / 2;
  options.cameras = {scene};
  return options;
}

std::string MakeFootage(const std::string& folder) {
  if (std::filesystem::exists(folder + "/.complete")) return folder;
  std::filesystem::remove_all(folder);
  selvo::MotionFootageWriter writer(BenchFootage());
  if (!writer.Write(folder)) {
    std::fprintf(stderr, "%s\n", writer.ErrorText().c_str());
    return {};
  }
  std::ofstream(folder + "/.complete") << "written\n";
  return folder;
}

std::vector<std::string> ImagesOf(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.path().extension() == ".jpg") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

using selvo::bench::CpuSeconds;
using selvo::bench::ProcessRun;
using selvo::bench::RunMeasured;

double ProcessCpuSeconds() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return CpuSeconds(usage);
}

// Images per second of work, by the wall clock and by the processor time
// it took.
struct Rate {
  double wall = 0;
  double cpu = 0;
};

Rate RateOf(std::size_t images, const std::function<bool()>& work) {
  const double cpuBefore = ProcessCpuSeconds();
  const double seconds = selvo::bench::SecondsOf(work);
  return Rate{images / seconds, images / (ProcessCpuSeconds() - cpuBefore)};
}

// Full-size decodes on this thread, from memory.
Rate FullDecodeRate(const std::vector<std::vector<std::uint8_t>>& frames) {
  tjhandle handle = tjInitDecompress();
  std::vector<std::uint8_t> pixels(704 * 480 * 3);
  const Rate rate = RateOf(frames.size(), [&] {
    for (const std::vector<std::uint8_t>& frame : frames) {
      int width = 0, height = 0, subsampling = 0, colourspace = 0;
      tjDecompressHeader3(handle, frame.data(), frame.size(), &width, &height, &subsampling, &colourspace);
      pixels.resize(static_cast<std::size_t>(width) * height * 3);
      tjDecompress2(handle, frame.data(), frame.size(), pixels.data(), width, width * 3, height, TJPF_BGR, 0);
      benchmark::DoNotOptimize(pixels.data());
      benchmark::ClobberMemory();
    }
    return true;
  });
  tjDestroy(handle);
  return rate;
}

Rate SearchRate(const std::vector<std::string>& files, int& events) {
  selvo::MotionSettings settings;
  settings.areas = {kArea};
  selvo::MotionSearch search(settings);
  const selvo::MotionPathList list(files);
  selvo::MotionSearchResult result;
  const Rate rate = RateOf(files.size(), [&] {
    result = search.Run(list, 0, list.Count() - 1, nullptr);
    return result.searched == list.Count();
  });
  events = static_cast<int>(result.events.size());
  return rate;
}

}  // namespace

int main(int argc, char** argv) {
  selvo::bench::AnswerHelp(argc, argv, "MotionScanBench\n  the motion search against decoding the same frames");
  const std::string bin = SELVO_BINARY_DIR;
  const std::string folder = MakeFootage(bin + "/bench-data/motion-3k");
  if (folder.empty()) return 1;
  const std::vector<std::string> files = ImagesOf(folder);
  std::vector<std::vector<std::uint8_t>> frames(300);
  for (std::size_t i = 0; i < frames.size(); ++i) selvo::ReadWholeFile(files[i * files.size() / frames.size()], frames[i]);
  std::printf("%zu images of 704 x 480, %u cores\n", files.size(), std::thread::hardware_concurrency());

  // Rounds alternate, so that other load on the machine hits both sides
  // alike; the best round of each is one that ran undisturbed.
  Rate search, decode;
  int events = 0;
  for (int round = 0; round < 5; ++round) {
    const Rate d = FullDecodeRate(frames);
    const Rate m = SearchRate(files, events);
    decode = Rate{std::max(decode.wall, d.wall), std::max(decode.cpu, d.cpu)};
    search = Rate{std::max(search.wall, m.wall), std::max(search.cpu, m.cpu)};
  }
  std::printf("MotionSearch (every core): %.0f images/s, %.0f per processor-second; tjDecompress2 full "
              "size, one core: %.0f images/s, %.0f per processor-second\n",
              search.wall, search.cpu, decode.wall, decode.cpu);
  std::printf("  %d events found\n", events);
  std::printf("  wall-clock ratio %.2f (target >= 4); processor-time ratio %.2f, so at most %.2f on two idle cores\n",
              search.wall / decode.wall, search.cpu / decode.cpu, 2 * search.cpu / decode.cpu);

  const std::string area = selvo::MotionRectText(kArea);
  ProcessRun motion{1e30, 1e30}, check{1e30, 1e30};
  for (int round = 0; round < 3; ++round) {
    const ProcessRun m = RunMeasured({bin + "/selvo-motion", "--area", area, folder});
    const ProcessRun c = RunMeasured({bin + "/selvo-check", "--decode", "--quiet", folder});
    if (!m.ok || !c.ok) {
      std::fprintf(stderr, "selvo-motion or selvo-check --decode failed\n");
      return 1;
    }
    if (m.seconds < motion.seconds) motion = m;
    if (c.seconds < check.seconds) check = c;
    motion.cpuSeconds = std::min(motion.cpuSeconds, m.cpuSeconds);
    check.cpuSeconds = std::min(check.cpuSeconds, c.cpuSeconds);
  }
  std::printf("selvo-motion: %.3f s (%.3f s processor), selvo-check --decode: %.3f s (%.3f s processor) over the same "
              "%zu images\n  selvo-motion %.2f x as fast by the wall clock, %.2f x by processor time (target >= 2)\n",
              motion.seconds, motion.cpuSeconds, check.seconds, check.cpuSeconds, files.size(),
              check.seconds / motion.seconds, check.cpuSeconds / motion.cpuSeconds);

  const std::string tenth = "1-" + std::to_string(files.size() / 10);
  const ProcessRun small = RunMeasured({bin + "/selvo-motion", "--area", area, "--range", tenth, folder});
  const double perImage = (motion.peakKb - small.peakKb) * 1024.0 / (files.size() - files.size() / 10);
  std::printf("selvo-motion peak memory: %ld kB over %zu images, %ld kB over %zu: %.0f bytes per further image\n",
              motion.peakKb, files.size(), small.peakKb, files.size() / 10, perImage);
  return 0;
}
