// OpenRecording of a 100,000-image recording (100 numbered subfolders of
// 1,000 files, an INFO index, time.txt) against `find | sort` over the same
// tree: indexing a recording should cost no more than listing it sorted.
// Every channel's records are built (all four cameras listed), as a check or
// an all-camera view needs them, and the heap the open keeps is reported per
// image: the names, the records, the index and time.txt's stamps together.
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "source/ByteOrder.h"
#include "source/FolderImageSource.h"

namespace {

constexpr int kSubfolders = 100;
constexpr int kFilesPerSubfolder = 1000;
constexpr int kImages = kSubfolders * kFilesPerSubfolder;
constexpr int kChannels = 4;

std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

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

std::vector<std::uint8_t> IndexBytes() {
  std::vector<std::uint8_t> bytes(1024 + 16 * static_cast<std::size_t>(kImages), 0);
  selvo::WriteLe32(bytes.data(), kImages);
  for (int channel = 0; channel < kChannels; ++channel) {
    selvo::WriteLe32(bytes.data() + 16 + 4 * channel, kImages / kChannels);
    selvo::WriteLe32(bytes.data() + 464 + 4 * channel, static_cast<std::uint32_t>(channel + 1));
    selvo::WriteLe32(bytes.data() + 528 + 4 * channel, static_cast<std::uint32_t>(kImages - kChannels + channel + 1));
  }
  for (int i = 0; i < kImages; ++i) {
    std::uint8_t* entry = bytes.data() + 1024 + 16 * static_cast<std::size_t>(i);
    selvo::WriteLe32(entry, 100000000u + static_cast<std::uint32_t>(i / 10));
    selvo::WriteLe32(entry + 4, 40u * static_cast<std::uint32_t>(i));
    entry[8] = static_cast<std::uint8_t>(i % kChannels);
  }
  return bytes;
}

bool MakeRecording(const std::string& root) {
  namespace fs = std::filesystem;
  fs::remove_all(root);
  char name[64];
  for (int folder = 1; folder <= kSubfolders; ++folder) {
    std::snprintf(name, sizeof name, "/IMG%05d", folder);
    const std::string subfolder = root + name;
    fs::create_directories(subfolder);
    for (int file = 0; file < kFilesPerSubfolder; ++file) {
      std::snprintf(name, sizeof name, "/%08d.jpg", (folder - 1) * kFilesPerSubfolder + file + 1);
      if (!TouchFile(subfolder + name)) return false;
    }
  }
  fs::create_directories(root + "/INFO");
  const std::vector<std::uint8_t> index = IndexBytes();
  std::ofstream(root + "/INFO/REC.INF", std::ios::binary)
      .write(reinterpret_cast<const char*>(index.data()), static_cast<std::streamsize>(index.size()));
  std::ofstream times(root + "/time.txt");
  for (int i = 0; i < kImages; ++i) times << 40 * i << "\r\n";
  return TouchFile(root + "/.complete");
}

}  // namespace

int main() {
  const std::string root = std::string(SELVO_BINARY_DIR) + "/bench-data/open-100k";
  if (!std::filesystem::exists(root + "/.complete") && !MakeRecording(root)) {
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
    const std::size_t heapBefore = HeapInUse();
    selvo::FolderImageSource source(jpeg);
    const auto start = std::chrono::steady_clock::now();
    if (!source.OpenRecording(root, false) || !source.SelectChannels(-1, 1, nullptr)) {
      std::fprintf(stderr, "OpenRecording failed\n");
      return 1;
    }
    bestOpen = std::min(bestOpen, Seconds(start));
    count = source.GetCount();
    bytesPerImage = static_cast<double>(HeapInUse() - heapBefore) / count;
  }
  std::printf("OpenRecording 100k (%d records, all channels): %.3f s, find|sort: %.3f s\n", count, bestOpen,
              bestFind);
  std::printf("OpenRecording 100k heap kept: %.1f bytes per image (target \xE2\x89\xA4 64)\n", bytesPerImage);
  std::printf("OpenRecording 100k vs find|sort: ratio %.2f (target \xE2\x89\xA4 1.0)\n", bestOpen / bestFind);
  return 0;
}
