// selvo-check without --decode over a 10,000-image recording, against a plain
// one-process reader that opens, reads whole and closes the same files in
// the same order. That reader is the fair baseline: it does exactly the file
// work a check cannot avoid and nothing more, where the former baseline
// (`find | xargs cat`) also paid for starting processes and piping every
// byte. Its file list is made before timing; the check lists the folders
// itself, as part of its cost. Also reported: selvo-check's peak memory per
// image, from its peak resident size on a 100,000-image recording less that
// on a 100-image one; and selvo-check --hash --manifest against sha256sum of
// the same 10,000 files, both writing the same list, which is the plain way
// an investigator would hash an export without us. For context, the same
// reader is also run as a process of its own that lists the folders itself
// (this program with --read-folder), which pays what selvo-check pays
// besides reading: starting, and finding the files.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"

namespace {

using selvo::bench::CpuSeconds;
using selvo::bench::ProcessRun;

// 1: the demo's altered frames.
ProcessRun RunMeasured(std::vector<std::string> arguments) {
  return selvo::bench::RunMeasured(std::move(arguments), 1);
}

bool MakeDemo(const std::string& bin, const std::string& demo, int frames) {
  if (std::filesystem::exists(demo + "/.complete")) return true;
  std::filesystem::remove_all(demo);
  const std::string make =
      bin + "/selvo-make-demo " + demo + " --frames " + std::to_string(frames) + " --fast --no-alter > /dev/null";
  if (std::system(make.c_str()) != 0) return false;
  std::FILE* mark = std::fopen((demo + "/.complete").c_str(), "w");
  if (mark) std::fclose(mark);
  return mark != nullptr;
}

std::vector<std::string> ImagesInOrder(const std::string& demo) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(demo)) {
    if (entry.path().extension() == ".jpg") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

struct PlainRun {
  double seconds = 0;
  double cpuSeconds = 0;
};

PlainRun PlainRead(const std::vector<std::string>& files) {
  std::vector<char> buffer(1 << 20);
  struct rusage before {};
  getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  std::size_t total = 0;
  for (const std::string& file : files) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    ssize_t got;
    while ((got = ::read(fd, buffer.data(), buffer.size())) > 0) total += static_cast<std::size_t>(got);
    ::close(fd);
  }
  PlainRun run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  struct rusage after {};
  getrusage(RUSAGE_SELF, &after);
  run.cpuSeconds = CpuSeconds(after) - CpuSeconds(before);
  if (total == 0) std::fprintf(stderr, "the plain reader read nothing\n");
  return run;
}

}  // namespace

// --read-folder DIR: the plain reader as a process of its own.
int ReadFolder(const std::string& folder) {
  return PlainRead(ImagesInOrder(folder)).seconds > 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--read-folder") return ReadFolder(argv[2]);
  const std::string bin = SELVO_BINARY_DIR;
  // An optional first argument names another selvo-check to time, e.g. an
  // earlier build kept for comparison.
  const std::string self = bin + "/bench/CheckBench";
  const std::string checker = argc > 1 ? argv[1] : bin + "/selvo-check";
  const std::string demo = bin + "/bench-data/check-10k";
  const std::string small = bin + "/bench-data/check-100";
  const std::string large = bin + "/bench-data/check-100k";
  if (!MakeDemo(bin, demo, 10000) || !MakeDemo(bin, small, 100) || !MakeDemo(bin, large, 100000)) {
    std::fprintf(stderr, "could not make the benchmark recordings\n");
    return 1;
  }
  const std::vector<std::string> files = ImagesInOrder(demo);
  PlainRead(files);  // warm the page cache for both
  double bestCheck = 1e9, bestPlain = 1e9, checkCpu = 1e9, plainCpu = 1e9, bestProcess = 1e9;
  for (int round = 0; round < 5; ++round) {
    const PlainRun plain = PlainRead(files);
    bestPlain = std::min(bestPlain, plain.seconds);
    plainCpu = std::min(plainCpu, plain.cpuSeconds);
    const ProcessRun process = RunMeasured({self, "--read-folder", demo});
    if (process.ok) bestProcess = std::min(bestProcess, process.seconds);
    const ProcessRun run = RunMeasured({checker, "--quiet", demo});
    if (!run.ok) {
      std::fprintf(stderr, "selvo-check failed\n");
      return 1;
    }
    bestCheck = std::min(bestCheck, run.seconds);
    checkCpu = std::min(checkCpu, run.cpuSeconds);
  }
  // Wall time is the figure; processor time, summed over the check's
  // threads, tells what the wall time cannot on a machine shared with others.
  std::printf("selvo-check %zu images: %.3f s, plain one-process reader: %.3f s, ratio %.2f (target <= 1.1); "
              "processor time %.3f s against %.3f s\n",
              files.size(), bestCheck, bestPlain, bestCheck / bestPlain, checkCpu, plainCpu);
  std::printf("the plain reader as a process listing the folders itself: %.3f s, selvo-check against it %.2f\n",
              bestProcess, bestCheck / bestProcess);
  std::vector<std::string> sha256sum = {"sha256sum"};
  sha256sum.insert(sha256sum.end(), files.begin(), files.end());
  const std::string manifest = bin + "/bench-data/check-10k.sha256";
  double bestHash = 1e9, bestSums = 1e9;
  for (int round = 0; round < 3; ++round) {
    const ProcessRun sums = RunMeasured(sha256sum);
    const ProcessRun hash = RunMeasured({checker, "--quiet", "--hash", "--manifest", manifest, demo});
    bestSums = std::min(bestSums, sums.ok ? sums.seconds : 1e9);
    bestHash = std::min(bestHash, hash.ok ? hash.seconds : 1e9);
  }
  if (bestHash < 1e9 && bestSums < 1e9) {
    std::printf("selvo-check --hash --manifest %zu images: %.3f s, sha256sum: %.3f s, ratio %.2f (target <= 1.2)\n",
                files.size(), bestHash, bestSums, bestHash / bestSums);
  } else {
    std::printf("selvo-check --hash --manifest: not measured (this selvo-check or sha256sum failed)\n");
  }
  const ProcessRun smallRun = RunMeasured({checker, "--quiet", small});
  const ProcessRun largeRun = RunMeasured({checker, "--quiet", large});
  const long peakKb = largeRun.peakKb;
  const double bytesPerImage = (peakKb - smallRun.peakKb) * 1024.0 / (100000.0 - 100);
  std::printf("selvo-check 100k images peak memory: %ld kB, %.0f bytes per image (target <= 64)\n", peakKb,
              bytesPerImage);
  return 0;
}
