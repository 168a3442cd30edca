#pragma once
// A recording tree as the recorder exports it, at any size: numbered
// subfolders of 1,000 images, an INFO index over four cameras and time.txt.
// What each image file holds is the caller's: an empty stand-in where only
// the listing counts, a link to one real picture where it is shown.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "source/ByteOrder.h"

namespace selvo::bench {

constexpr int kTreeFilesPerSubfolder = 1000;
constexpr int kTreeChannels = 4;

inline std::vector<std::uint8_t> TreeIndexBytes(int images) {
  std::vector<std::uint8_t> bytes(1024 + 16 * static_cast<std::size_t>(images), 0);
  WriteLe32(bytes.data(), static_cast<std::uint32_t>(images));
  for (int channel = 0; channel < kTreeChannels; ++channel) {
    WriteLe32(bytes.data() + 16 + 4 * channel, static_cast<std::uint32_t>(images / kTreeChannels));
    WriteLe32(bytes.data() + 464 + 4 * channel, static_cast<std::uint32_t>(channel + 1));
    WriteLe32(bytes.data() + 528 + 4 * channel, static_cast<std::uint32_t>(images - kTreeChannels + channel + 1));
  }
  for (int i = 0; i < images; ++i) {
    std::uint8_t* entry = bytes.data() + 1024 + 16 * static_cast<std::size_t>(i);
    WriteLe32(entry, 100000000u + static_cast<std::uint32_t>(i / 10));
    WriteLe32(entry + 4, 40u * static_cast<std::uint32_t>(i));
    entry[8] = static_cast<std::uint8_t>(i % kTreeChannels);
  }
  return bytes;
}

// Writes the tree into root (emptied first) and marks it complete, so that a
// later run can take it as it is.
inline bool WriteIndexedTree(const std::string& root, int images,
                             const std::function<bool(const std::string& path)>& makeImage) {
  namespace fs = std::filesystem;
  fs::remove_all(root);
  char name[64];
  const int subfolders = (images + kTreeFilesPerSubfolder - 1) / kTreeFilesPerSubfolder;
  for (int folder = 1; folder <= subfolders; ++folder) {
    std::snprintf(name, sizeof name, "/IMG%05d", folder);
    const std::string subfolder = root + name;
    fs::create_directories(subfolder);
    const int first = (folder - 1) * kTreeFilesPerSubfolder;
    for (int file = first; file < std::min(images, first + kTreeFilesPerSubfolder); ++file) {
      std::snprintf(name, sizeof name, "/%08d.jpg", file + 1);
      if (!makeImage(subfolder + name)) return false;
    }
  }
  fs::create_directories(root + "/INFO");
  const std::vector<std::uint8_t> index = TreeIndexBytes(images);
  std::ofstream(root + "/INFO/REC.INF", std::ios::binary)
      .write(reinterpret_cast<const char*>(index.data()), static_cast<std::streamsize>(index.size()));
  std::ofstream times(root + "/time.txt");
  for (int i = 0; i < images; ++i) times << 40 * i << "\r\n";
  return static_cast<bool>(std::ofstream(root + "/.complete"));
}

}  // namespace selvo::bench
