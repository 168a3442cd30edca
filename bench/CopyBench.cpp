// Copying 1,000 records of a disc image into a folder, as Start Copy does,
// against `cp` copying 1,000 files of the same sizes into a folder: reading
// the disc layout and writing each file safely should cost little more than
// copying the bytes. `cp` is a fair baseline because one process copies all
// 1,000 files (its start-up is paid once, not per file)
// and it does the same file work the copy cannot avoid: open, read, create,
// write and close each file, from a warm page cache like the disc image.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "source/DiscImageSource.h"
#include "source/Notifier.h"
#include "source/RangeCopy.h"
#include "tools/recwriter/DiscImageWriter.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 1000;

using selvo::bench::RunProgram;
using selvo::bench::SecondsOf;

// Sizes around those of a recorder's 704 x 480 JPEG frames.
std::size_t RecordSize(int i) { return 18000 + static_cast<std::size_t>((i * 7919) % 9000); }

selvo::DiscRecord MakeRecord(int i) {
  selvo::DiscRecord record;
  const std::size_t size = RecordSize(i);
  record.jpeg.assign(size, static_cast<std::uint8_t>(0x10 + i % 200));
  record.jpeg[0] = 0xFF;
  record.jpeg[1] = 0xD8;
  record.jpeg[size - 2] = 0xFF;
  record.jpeg[size - 1] = 0xD9;
  record.trailer = selvo::DiscImageWriter::StampTrailer(static_cast<std::uint32_t>(i) * 40);
  return record;
}

bool MakeData(const std::string& image, const std::string& files) {
  selvo::DiscImageWriter writer;
  fs::create_directories(files);
  for (int i = 0; i < kRecords; ++i) {
    selvo::DiscRecord record = MakeRecord(i);
    std::ofstream file(files + "/f" + std::to_string(i) + ".jpg", std::ios::binary);
    file.write(reinterpret_cast<const char*>(record.jpeg.data()), static_cast<std::streamsize>(record.jpeg.size()));
    file.write(reinterpret_cast<const char*>(record.trailer.data()),
               static_cast<std::streamsize>(record.trailer.size()));
    if (!file) return false;
    writer.AddRecord(std::move(record));
  }
  std::string error;
  if (!writer.Write(image, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  return true;
}

void EmptyFolder(const std::string& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}

}  // namespace

int main(int argc, char** argv) {
  selvo::bench::AnswerHelp(argc, argv, "CopyBench\n  copying 1,000 records off a disc image against cp of the same files");
  const std::string folder = std::string(SELVO_BINARY_DIR) + "/bench-data/copy";
  const std::string image = folder + "/disc-1000.img";
  const std::string files = folder + "/files";
  const std::string out = folder + "/out";
  if (!fs::exists(image) || !fs::exists(files + "/f999.jpg")) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    if (!MakeData(image, files)) return 1;
  }

  std::vector<std::string> cp = {"cp"};
  for (int i = 0; i < kRecords; ++i) cp.push_back(files + "/f" + std::to_string(i) + ".jpg");
  cp.push_back(out);

  selvo::RecordingNotifier notifier;
  int failed = 0;
  auto copyRange = [&] {
    selvo::DiscImageSource source(notifier, selvo::DiscLog(folder + "/unused.LOG"));
    if (!source.Open(image)) return false;
    selvo::RangeCopy job(1, kRecords, out, "bench-");
    while (!job.Done()) job.CopyNext(source, false, false);
    failed = job.FailedImages();
    return failed == 0;
  };
  auto copyFiles = [&] { return RunProgram(cp); };

  EmptyFolder(out);
  SecondsOf(copyFiles);  // warm the page cache for both
  double bestCopy = 1e9, bestCp = 1e9;
  for (int round = 0; round < 7; ++round) {
    EmptyFolder(out);
    bestCp = std::min(bestCp, SecondsOf(copyFiles));
    EmptyFolder(out);
    bestCopy = std::min(bestCopy, SecondsOf(copyRange));
  }
  fs::remove_all(out);
  std::printf("copy of %d disc records: %.2f ms, cp of %d files: %.2f ms, ratio %.2f (target <= 1.5)\n", kRecords,
              bestCopy * 1e3, kRecords, bestCp * 1e3, bestCopy / bestCp);
  return failed == 0 ? 0 : 1;
}
