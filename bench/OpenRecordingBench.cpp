// OpenRecording of a 100,000-image recording (100 numbered subfolders of
// 1,000 files, an INFO index, time.txt) against `find | sort` over the same
// tree: indexing a recording should cost no more than listing it sorted.
// Every channel's records are built (all four cameras listed), as a check or
// an all-camera view needs them, and the heap the open keeps is reported per
// image: the names, the records, the index and time.txt's stamps together.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/IndexedTree.h"
#include "source/FolderImageSource.h"

namespace {

constexpr int kImages = 100000;

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double SecondsOf(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  if (std::system(command.c_str()) == -1) std::perror("system");
  return Seconds(start);
}

bool TouchFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  if (fd < 0) return false;
  const char byte = 'x';
  const bool ok = ::write(fd, &byte, 1) == 1;
  ::close(fd);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  selvo::bench::AnswerHelp(argc, argv, "OpenRecordingBench\n  opening a 100,000-image recording against listing it sorted in one process");
  const std::string root = std::string(SELVO_BINARY_DIR) + "/bench-data/open-100k";
  if (!std::filesystem::exists(root + "/.complete") && !selvo::bench::WriteIndexedTree(root, kImages, TouchFile)) {
    std::fprintf(stderr, "could not make the benchmark recording\n");
    return 1;
  }
  const std::string findSort = "find " + root + " -name '*.jpg' | sort > /dev/null";
  SecondsOf(findSort);  // warm the directory caches for both

  const selvo::MediaKind jpeg{0, 1, 0};
  double bestOpen = 1e9, bestFind = 1e9;
  int count = 0;
  double bytesPerImage = 0;
  for (int round = 0; round < 5; ++round) {
    bestFind = std::min(bestFind, SecondsOf(findSort));
    const std::size_t heapBefore = selvo::bench::HeapInUse();
    selvo::FolderImageSource source(jpeg);
    const auto start = std::chrono::steady_clock::now();
    if (!source.OpenRecording(root, false) || !source.SelectChannels(-1, 1, nullptr)) {
      std::fprintf(stderr, "OpenRecording failed\n");
      return 1;
    }
    bestOpen = std::min(bestOpen, Seconds(start));
    count = source.GetCount();
    bytesPerImage = static_cast<double>(selvo::bench::HeapInUse() - heapBefore) / count;
  }
  std::printf("OpenRecording 100k (%d records, all channels): %.3f s, find|sort: %.3f s\n", count, bestOpen,
              bestFind);
  std::printf("OpenRecording 100k heap kept: %.1f bytes per image (target \xE2\x89\xA4 64)\n", bytesPerImage);
  std::printf("OpenRecording 100k vs find|sort: ratio %.2f (target \xE2\x89\xA4 1.0)\n", bestOpen / bestFind);
  return 0;
}
