// OpenRecording of a 100,000-image recording (100 numbered subfolders of
// 1,000 files, an INFO index, time.txt) against listing the same tree in this
// process: opendir/readdir over the folder and its subfolders, every .jpg's
// path kept as a string, then sorted. Indexing a recording should cost no
// more than listing it sorted; the former baseline (`find | sort`) also paid
// for a shell, two processes and a pipe, and so flattered the open. Rounds
// alternate the two, and the median of five counts. Every channel's records
// are built (all four cameras listed), as a check or an all-camera view
// needs them, and the heap the open keeps is reported per image: the names,
// the records, the index and time.txt's stamps together.
#include <dirent.h>
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

// The plain way to list a recording sorted: every .jpg below root (one
// level of subfolders, as the recorder writes them), as full paths.
std::size_t ListSorted(const std::string& root) {
  std::vector<std::string> paths;
  std::vector<std::string> folders = {root};
  for (std::size_t f = 0; f < folders.size(); ++f) {
    DIR* dir = ::opendir(folders[f].c_str());
    if (dir == nullptr) continue;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name[0] == '.') continue;
      if (entry->d_type == DT_DIR) {
        if (f == 0) folders.push_back(root + "/" + name);
      } else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0) {
        paths.push_back(folders[f] + "/" + name);
      }
    }
    ::closedir(dir);
  }
  std::sort(paths.begin(), paths.end());
  return paths.size();
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
  ListSorted(root);  // warm the directory caches for both

  const selvo::MediaKind jpeg{0, 1, 0};
  std::vector<double> opens, listings;
  int count = 0;
  std::size_t listed = 0;
  double bytesPerImage = 0;
  for (int round = 0; round < 5; ++round) {
    auto start = std::chrono::steady_clock::now();
    listed = ListSorted(root);
    listings.push_back(Seconds(start));
    const std::size_t heapBefore = selvo::bench::HeapInUse();
    selvo::FolderImageSource source(jpeg);
    start = std::chrono::steady_clock::now();
    if (!source.OpenRecording(root, false) || !source.SelectChannels(-1, 1, nullptr)) {
      std::fprintf(stderr, "OpenRecording failed\n");
      return 1;
    }
    opens.push_back(Seconds(start));
    count = source.GetCount();
    bytesPerImage = static_cast<double>(selvo::bench::HeapInUse() - heapBefore) / count;
  }
  const double open = selvo::bench::Median(opens), listing = selvo::bench::Median(listings);
  std::printf("OpenRecording 100k (%d records, all channels): %.3f s (best %.3f); listing the %zu files sorted in "
              "this process: %.3f s (best %.3f); medians of 5\n",
              count, open, *std::min_element(opens.begin(), opens.end()), listed, listing,
              *std::min_element(listings.begin(), listings.end()));
  std::printf("OpenRecording 100k heap kept: %.1f bytes per image (target \xE2\x89\xA4 64)\n", bytesPerImage);
  std::printf("OpenRecording 100k vs the sorted listing: ratio %.2f (target \xE2\x89\xA4 1.0)\n", open / listing);
  return 0;
}
