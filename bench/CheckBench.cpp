// selvo-check without --decode over a 10,000-image recording, against a plain
// one-process reader that opens, reads whole and closes the same files in
// the same order. That reader is the fair baseline: it does exactly the file
// work a check cannot avoid and nothing more, where the former baseline
// (`find | xargs cat`) also paid for starting processes and piping every
// byte. Its file list is made before timing; the check lists the folders
// itself, as part of its cost. Rounds alternate the two sides, and the
// median of five rounds counts, so that neither a lucky round nor one
// that other programs slowed decides; processor time (user and system, every
// thread) is reported beside wall time, since the check spreads its reads
// over the cores and wall time alone hides what that costs.
//
// Also reported: selvo-check's peak memory per image, at 100,000 and at
// 1,000,000 images: its peak resident size over such a recording less that
// over the same layout with one image, divided by the images added. Those
// recordings are our own tree layout (1,000 images a subfolder, an INFO
// index over four cameras, time.txt), every image a hard link to one real
// picture, so a million images cost directory entries, not a million files.
// And selvo-check --hash --manifest against sha256sum of the same 10,000
// files, both writing the same list, which is the plain way an investigator
// would hash an export without us. For context, the same reader is also run
// as a process of its own that lists the folders itself (this program with
// --read-folder), which pays what selvo-check pays besides reading:
// starting, and finding the files.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/IndexedTree.h"

namespace {

namespace fs = std::filesystem;
using selvo::bench::CpuSeconds;
using selvo::bench::Median;
using selvo::bench::ProcessRun;

constexpr int kRounds = 5;

// 1: the demo's altered frames.
ProcessRun RunMeasured(std::vector<std::string> arguments) {
  return selvo::bench::RunMeasured(std::move(arguments), 1);
}

bool MakeDemo(const std::string& bin, const std::string& demo, int frames) {
  if (fs::exists(demo + "/.complete")) return true;
  fs::remove_all(demo);
  const std::string make =
      bin + "/selvo-make-demo " + demo + " --frames " + std::to_string(frames) + " --fast --no-alter > /dev/null";
  if (std::system(make.c_str()) != 0) return false;
  std::FILE* mark = std::fopen((demo + "/.complete").c_str(), "w");
  if (mark) std::fclose(mark);
  return mark != nullptr;
}

std::vector<std::string> ImagesInOrder(const std::string& demo) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(demo)) {
    if (entry.path().extension() == ".jpg") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// A tree of images hard links to sample; ext4 takes 65,000 links a file, so
// a fresh copy of the sample takes the next ones.
bool MakeLinkedTree(const std::string& root, int images, const std::string& sample) {
  if (fs::exists(root + "/.complete")) return true;
  fs::remove_all(root);
  const std::string copies = root + "-samples";
  fs::remove_all(copies);
  fs::create_directories(copies);
  std::string linked = copies + "/0.jpg";
  int made = 0;
  std::error_code error;
  if (!fs::copy_file(sample, linked, error)) return false;
  return selvo::bench::WriteIndexedTree(root, images, [&](const std::string& path) {
    if (::link(linked.c_str(), path.c_str()) == 0) return true;
    if (errno != EMLINK) return false;
    linked = copies + "/" + std::to_string(++made) + ".jpg";
    return fs::copy_file(sample, linked, error) && ::link(linked.c_str(), path.c_str()) == 0;
  });
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

// Wall and processor seconds of each round of one side.
struct Rounds {
  std::vector<double> wall;
  std::vector<double> cpu;
  void Add(double seconds, double cpuSeconds) {
    wall.push_back(seconds);
    cpu.push_back(cpuSeconds);
  }
};

// Bytes of peak resident size per image that images - 1 more images cost.
double BytesPerImage(const std::string& checker, const std::string& one, const std::string& many, int images) {
  const ProcessRun base = RunMeasured({checker, "--quiet", one});
  const ProcessRun large = RunMeasured({checker, "--quiet", many});
  if (!base.ok || !large.ok) return -1;
  return (large.peakKb - base.peakKb) * 1024.0 / (images - 1);
}

}  // namespace

// --read-folder DIR: the plain reader as a process of its own.
int ReadFolder(const std::string& folder) {
  return PlainRead(ImagesInOrder(folder)).seconds > 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  selvo::bench::AnswerHelp(argc, argv,
                           "CheckBench [SELVO_CHECK...]\n"
                           "  selvo-check against a plain reader of the same files, its memory per image at\n"
                           "  100,000 and 1,000,000 images, and --hash against sha256sum. Each SELVO_CHECK\n"
                           "  named (an earlier build, say) is measured in the same rounds; by default the\n"
                           "  selvo-check of this build.");
  if (argc == 3 && std::string(argv[1]) == "--read-folder") return ReadFolder(argv[2]);
  const std::string bin = SELVO_BINARY_DIR;
  const std::string self = bin + "/bench/CheckBench";
  std::vector<std::string> checkers(argv + 1, argv + argc);
  if (checkers.empty()) checkers.push_back(bin + "/selvo-check");
  const std::string data = bin + "/bench-data";
  const std::string demo = data + "/check-10k";
  if (!MakeDemo(bin, demo, 10000)) {
    std::fprintf(stderr, "could not make the benchmark recording\n");
    return 1;
  }
  const std::vector<std::string> files = ImagesInOrder(demo);
  const std::string one = data + "/linked-1", hundredThousand = data + "/linked-100k", million = data + "/linked-1m";
  if (files.empty() || !MakeLinkedTree(one, 1, files[0]) || !MakeLinkedTree(hundredThousand, 100000, files[0]) ||
      !MakeLinkedTree(million, 1000000, files[0])) {
    std::fprintf(stderr, "could not make the linked recordings\n");
    return 1;
  }

  PlainRead(files);  // warm the page cache for all
  Rounds plain, process;
  std::vector<Rounds> checks(checkers.size());
  for (int round = 0; round < kRounds; ++round) {
    const PlainRun read = PlainRead(files);
    plain.Add(read.seconds, read.cpuSeconds);
    const ProcessRun reader = RunMeasured({self, "--read-folder", demo});
    if (reader.ok) process.Add(reader.seconds, reader.cpuSeconds);
    for (std::size_t c = 0; c < checkers.size(); ++c) {
      const ProcessRun run = RunMeasured({checkers[c], "--quiet", demo});
      if (!run.ok) {
        std::fprintf(stderr, "%s failed\n", checkers[c].c_str());
        return 1;
      }
      checks[c].Add(run.seconds, run.cpuSeconds);
    }
  }
  const double plainWall = Median(plain.wall), plainCpu = Median(plain.cpu);
  std::printf("%zu images, median of %d rounds; the plain one-process reader: %.3f s, processor time %.3f s\n",
              files.size(), kRounds, plainWall, plainCpu);
  std::printf("the plain reader as a process listing the folders itself: %.3f s, processor time %.3f s\n",
              Median(process.wall), Median(process.cpu));
  for (std::size_t c = 0; c < checkers.size(); ++c) {
    const double wall = Median(checks[c].wall), cpu = Median(checks[c].cpu);
    std::printf("%s: %.3f s, ratio %.2f (target <= 1.1); processor time %.3f s, ratio %.2f; against the reader "
                "as a process %.2f\n",
                checkers[c].c_str(), wall, wall / plainWall, cpu, cpu / plainCpu, wall / Median(process.wall));
  }

  for (const std::string& checker : checkers) {
    std::printf("%s peak memory per image: %.1f bytes at 100,000 images, %.1f at 1,000,000 (target <= 64)\n",
                checker.c_str(), BytesPerImage(checker, one, hundredThousand, 100000),
                BytesPerImage(checker, one, million, 1000000));
  }

  std::vector<std::string> sha256sum = {"sha256sum"};
  sha256sum.insert(sha256sum.end(), files.begin(), files.end());
  const std::string manifest = data + "/check-10k.sha256";
  Rounds sums, hash;
  for (int round = 0; round < 3; ++round) {
    const ProcessRun sumsRun = RunMeasured(sha256sum);
    const ProcessRun hashRun = RunMeasured({checkers.back(), "--quiet", "--hash", "--manifest", manifest, demo});
    if (sumsRun.ok) sums.Add(sumsRun.seconds, sumsRun.cpuSeconds);
    if (hashRun.ok) hash.Add(hashRun.seconds, hashRun.cpuSeconds);
  }
  if (sums.wall.size() == 3 && hash.wall.size() == 3) {
    std::printf("selvo-check --hash --manifest %zu images: %.3f s, sha256sum: %.3f s, ratio %.2f (target <= 1.2)\n",
                files.size(), Median(hash.wall), Median(sums.wall), Median(hash.wall) / Median(sums.wall));
  } else {
    std::printf("selvo-check --hash --manifest: not measured (this selvo-check or sha256sum failed)\n");
  }
  return 0;
}
