#include "source/InfoIndex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "source/ByteOrder.h"
#include "source/DirectoryScanner.h"
#include "source/InfoLayout.h"
#include "source/FileBytes.h"
#include "source/FileDescriptor.h"

namespace selvo {
namespace {

using info::kChannelCountsOffset;
using info::kCountOffset;
using info::kEntryChannelOffset;
using info::kEntrySecondsOffset;
using info::kEntryStampOffset;
using info::kFirstImageOffset;
using info::kLastImageOffset;
using info::kTitlesOffset;

// Several INF files on a case-sensitive file system: take the first by name
// ignoring case, so the choice does not depend on directory order. Whatever
// bears the name counts, so that one which cannot be read is told.
std::string FirstIndexFile(const std::string& infoFolder, std::string& problem) {
  std::string best;
  const bool listed = ScanDirectory(infoFolder, [&](const char* name, EntryType type) {
    if (type != EntryType::kDirectory && HasExtensionIgnoringCase(name, "INF") &&
        (best.empty() || CompareIgnoringCase(name, best) < 0)) {
      best = name;
    }
    return true;
  });
  if (!listed) problem = infoFolder + ": " + std::strerror(errno);
  return best.empty() ? std::string() : JoinPath(infoFolder, best);
}

// Marks an index refused because it counts other entries than the folder
// has files: not unreadable, and told (or not) by whoever compares.
constexpr const char* kRefusedForCount = "refused for its entry count";

bool ReadBytes(int fd, std::uint8_t* into, std::size_t count) {
  errno = 0;
  return ReadFully(fd, into, count);
}

std::string ReadFailure() { return errno != 0 ? std::strerror(errno) : "cut short while it was read"; }

}  // namespace

void InfoIndex::Clear() {
  loaded_ = false;
  header_.fill(0);
  entryCount_ = 0;
  entries_.clear();
  entries_.shrink_to_fit();
  channelList_.fill(kEmptySlot);
  foreignEntries_ = 0;
  firstForeignCamera_ = 0;
}

std::string InfoIndex::FileOf(const std::string& recordingFolder) {
  const std::string infoFolder = FindChildIgnoringCase(recordingFolder, "INFO", EntryType::kDirectory);
  std::string problem;
  return infoFolder.empty() ? std::string() : FirstIndexFile(infoFolder, problem);
}

bool InfoIndex::Load(const std::string& recordingFolder, std::uint64_t expectedEntries) {
  Clear();
  problem_.clear();
  const std::string infoFolder = FindChildIgnoringCase(recordingFolder, "INFO", EntryType::kDirectory);
  if (infoFolder.empty()) return false;
  const std::string file = FirstIndexFile(infoFolder, problem_);
  return !file.empty() && LoadFile(file, expectedEntries);
}

bool InfoIndex::LoadFile(const std::string& path, std::uint64_t expectedEntries) {
  Clear();
  problem_.clear();
  // Non-blocking, so that a FIFO named like the index is refused, not waited on.
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  const std::string why = file.IsOpen() ? ReadFrom(file.Get(), expectedEntries) : FileReadProblem(path);
  if (!why.empty() || !file.IsOpen()) {
    Clear();
    if (!why.empty() && why != kRefusedForCount) problem_ = path + ": " + why;
    return false;
  }
  BuildChannelList();
  loaded_ = true;
  return true;
}

std::string InfoIndex::ReadFrom(int fd, std::uint64_t expectedEntries) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) return std::strerror(errno);
  if (!S_ISREG(status.st_mode)) return NotAFileText(status.st_mode);
  const auto fileBytes = static_cast<std::uint64_t>(status.st_size);
  if (fileBytes < kHeaderBytes) return "cut short: no whole header";
  if (!ReadBytes(fd, header_.data(), kHeaderBytes)) return ReadFailure();
  const std::uint32_t count = HeaderWord(kCountOffset);
  if (expectedEntries != kAnyEntryCount && count != expectedEntries) return kRefusedForCount;
  const std::uint64_t entryBytes = static_cast<std::uint64_t>(count) * kEntryBytes;
  if (entryBytes > fileBytes - kHeaderBytes) return "cut short: fewer entries than it counts";
  // Only the fields read later are kept: 9 of each entry's 16 bytes, at the
  // same offsets, which matters at a million images.
  entries_.resize(static_cast<std::size_t>(count) * kKeptEntryBytes);
  constexpr std::size_t kChunkEntries = 4096;
  std::vector<std::uint8_t> chunk(kChunkEntries * kEntryBytes);
  for (std::size_t done = 0; done < count;) {
    const std::size_t entries = std::min<std::size_t>(kChunkEntries, count - done);
    if (!ReadBytes(fd, chunk.data(), entries * kEntryBytes)) return ReadFailure();
    for (std::size_t k = 0; k < entries; ++k) {
      std::memcpy(entries_.data() + (done + k) * kKeptEntryBytes, chunk.data() + k * kEntryBytes, kKeptEntryBytes);
    }
    done += entries;
  }
  entryCount_ = count;
  return std::string();
}

std::string InfoIndex::ForeignChannelText() const {
  if (foreignEntries_ == 0) return std::string();
  return std::to_string(foreignEntries_) + (foreignEntries_ == 1 ? " entry names a camera" : " entries name cameras") +
         " outside 1..16 (the first: " + std::to_string(firstForeignCamera_) +
         "); those images belong to no camera";
}

void InfoIndex::BuildChannelList() {
  for (std::size_t i = 0; i < entryCount_; ++i) {
    if (EntryChannel(i) >= 0) continue;
    if (foreignEntries_++ == 0) firstForeignCamera_ = Entry(i)[kEntryChannelOffset] + 1;
  }
  std::array<bool, kChannels> seen{};
  int used = 0;
  for (std::size_t i = 0; i < entryCount_ && used < kChannels; ++i) {
    const int channel = EntryChannel(i);
    if (channel < 0 || seen[static_cast<std::size_t>(channel)]) continue;
    seen[static_cast<std::size_t>(channel)] = true;
    channelList_[static_cast<std::size_t>(used++)] = channel;
  }
}

std::uint32_t InfoIndex::HeaderWord(std::size_t offset) const { return ReadLe32(header_.data() + offset); }

std::uint32_t InfoIndex::EntrySeconds(std::size_t i) const { return ReadLe32(Entry(i) + kEntrySecondsOffset); }

std::uint32_t InfoIndex::EntryStamp(std::size_t i) const { return ReadLe32(Entry(i) + kEntryStampOffset); }

int InfoIndex::EntryChannel(std::size_t i) const {
  const int channel = static_cast<std::int8_t>(Entry(i)[kEntryChannelOffset]);
  return IsCameraChannel(channel) ? channel : -1;
}

std::uint32_t InfoIndex::ChannelImageCount(int channel) const {
  return IsCameraChannel(channel) ? HeaderWord(kChannelCountsOffset + 4 * static_cast<std::size_t>(channel)) : 0;
}

std::uint32_t InfoIndex::ChannelFirstImage(int channel) const {
  return IsCameraChannel(channel) ? HeaderWord(kFirstImageOffset + 4 * static_cast<std::size_t>(channel)) : 0;
}

std::uint32_t InfoIndex::ChannelLastImage(int channel) const {
  return IsCameraChannel(channel) ? HeaderWord(kLastImageOffset + 4 * static_cast<std::size_t>(channel)) : 0;
}

std::string InfoIndex::ChannelTitleBytes(int channel) const {
  if (!IsCameraChannel(channel)) return std::string();
  const auto* title = reinterpret_cast<const char*>(header_.data() + kTitlesOffset +
                                                    kTitleBytes * static_cast<std::size_t>(channel));
  std::size_t length = 0;
  while (length < kTitleBytes && title[length] != '\0') ++length;
  return std::string(title, length);
}

}  // namespace selvo
