#include "source/settings/SettingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "source/FileDescriptor.h"

namespace selvo {

namespace {

constexpr char kTitleMain[] =
    "SelvoViewer2\n\nSelvoVie\n\n\nSelvoViewer2.Document\nSelvoVie Document";
constexpr char kTitlePendra[] =
    "Pendra Viewer\n\nSelvoVie\n\n\nPendra Viewer.Document\nSelvoVie Document";

constexpr std::array<VariantInfo, kVariantCount> kVariants = {{
    {0, 128, kTitleMain, 100, 57664, 64470, 64472},
    {1, 129, kTitlePendra, 101, 32774, 64471, 64473},
    {2, 179, kTitleMain, 178, 32774, 64474, 64475},
}};

struct Candidate {
  const char* fileName;
  int variant;
  std::size_t length;
};

constexpr std::array<Candidate, 2> kCandidates = {{
    {"Viewer2.ini", 0, 5},
    {"Viewer.ini", 1, 4},
}};

constexpr int kFallbackVariant = 2;
constexpr std::size_t kMarkerCapacity = 5;

// The markers are kept scrambled so that they do not stand in the program
// as plain bytes; each is unscrambled only for the comparison.
struct ScrambledMarker {
  std::array<std::uint8_t, kMarkerCapacity> bytes;
  std::size_t length;
};

constexpr std::array<ScrambledMarker, kVariantCount> kScrambledMarkers = {{
    {{0xF9, 0xF3, 0xE2, 0x74, 0x0A}, 5},
    {{0xB4, 0x34, 0x17, 0x55, 0x00}, 4},
    {{0x65, 0x3E, 0x82, 0x1F, 0x3B}, 5},
}};

std::uint8_t KeyByte(int variant, std::size_t index) {
  return static_cast<std::uint8_t>(0xA7 + 0x3D * index + 0x59 * static_cast<std::size_t>(variant));
}

// Compares the file's bytes with the first bytes of a variant's marker.
bool MatchesMarker(const std::vector<std::uint8_t>& content, int variant) {
  const ScrambledMarker& marker = kScrambledMarkers[static_cast<std::size_t>(variant)];
  if (content.size() > marker.length) return false;
  std::uint8_t difference = 0;
  for (std::size_t i = 0; i < content.size(); ++i) {
    difference |= static_cast<std::uint8_t>(content[i] ^ marker.bytes[i] ^ KeyByte(variant, i));
  }
  return difference == 0;
}

// Reads at most one byte more than expected, so a longer file is caught
// without reading it whole. False when it cannot be read or is no regular
// file: a FIFO in its place must neither block the start nor count.
bool ReadSmallFile(const std::filesystem::path& path, std::size_t expected,
                   std::vector<std::uint8_t>& content) {
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.IsOpen()) return false;
  struct stat status {};
  bool ok = ::fstat(file.Get(), &status) == 0 && S_ISREG(status.st_mode);
  content.assign(expected + 1, 0);
  std::size_t got = 0;
  while (ok && got < content.size()) {
    const ssize_t part = ::read(file.Get(), content.data() + got, content.size() - got);
    if (part < 0 && errno == EINTR) continue;
    if (part < 0) ok = false;
    if (part <= 0) break;
    got += static_cast<std::size_t>(part);
  }
  content.resize(got);
  return ok;
}

int VariantOfCandidate(const std::filesystem::path& path, const Candidate& candidate) {
  std::vector<std::uint8_t> content;
  if (!ReadSmallFile(path, candidate.length, content)) return kNoVariant;
  if (content.size() != candidate.length) return kNoVariant;
  if (MatchesMarker(content, candidate.variant)) return candidate.variant;
  if (MatchesMarker(content, kFallbackVariant)) return kFallbackVariant;
  return kNoVariant;
}

bool HoldsSettingFile(const std::string& directory) {
  return std::any_of(kCandidates.begin(), kCandidates.end(), [&](const Candidate& candidate) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(directory) / candidate.fileName, error);
  });
}

}  // namespace

const VariantInfo& VariantFor(int variant) {
  if (variant < 0 || variant >= kVariantCount) return kVariants[0];
  return kVariants[static_cast<std::size_t>(variant)];
}

int DetectVariant(const std::string& directory) {
  for (const Candidate& candidate : kCandidates) {
    std::filesystem::path path = std::filesystem::path(directory) / candidate.fileName;
    std::error_code error;
    // Present but unreadable still decides: the next candidate is not tried.
    if (std::filesystem::exists(path, error)) return VariantOfCandidate(path, candidate);
  }
  return kNoVariant;
}

std::vector<std::string> SettingFileDirectories(const std::string& currentDirectory,
                                                const std::string& programDirectory,
                                                const std::vector<std::string>& dataDirectories) {
  std::vector<std::string> candidates{currentDirectory, programDirectory};
  if (!programDirectory.empty()) {
    const std::filesystem::path beside = std::filesystem::path(programDirectory) / ".." / "share" / "selvo-viewer";
    candidates.push_back(beside.lexically_normal().string());
  }
  candidates.insert(candidates.end(), dataDirectories.begin(), dataDirectories.end());
  std::vector<std::string> directories;
  for (const std::string& candidate : candidates) {
    if (candidate.empty()) continue;
    if (std::find(directories.begin(), directories.end(), candidate) != directories.end()) continue;
    directories.push_back(candidate);
  }
  return directories;
}

int FindVariant(const std::vector<std::string>& directories) {
  for (const std::string& directory : directories) {
    if (HoldsSettingFile(directory)) return DetectVariant(directory);
  }
  return kNoVariant;
}

}  // namespace selvo
