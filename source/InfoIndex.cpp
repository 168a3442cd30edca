#include "source/InfoIndex.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "source/ByteOrder.h"
#include "source/DirectoryScanner.h"
#include "source/InfoLayout.h"
#include "source/StdioFile.h"

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
// ignoring case, so the choice does not depend on directory order.
std::string FirstIndexFile(const std::string& infoFolder) {
  std::string best;
  ScanDirectory(infoFolder, [&](const char* name, EntryType type) {
    if (type == EntryType::kFile && HasExtensionIgnoringCase(name, "INF") &&
        (best.empty() || CompareIgnoringCase(name, best) < 0)) {
      best = name;
    }
    return true;
  });
  return best.empty() ? std::string() : JoinPath(infoFolder, best);
}

std::uint64_t FileSize(std::FILE* file) {
  struct stat info {};
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
  return static_cast<std::uint64_t>(info.st_size);
}

}  // namespace

void InfoIndex::Clear() {
  loaded_ = false;
  header_.fill(0);
  entryCount_ = 0;
  entries_.clear();
  entries_.shrink_to_fit();
  channelList_.fill(kEmptySlot);
}

std::string InfoIndex::FileOf(const std::string& recordingFolder) {
  const std::string infoFolder = FindChildIgnoringCase(recordingFolder, "INFO", EntryType::kDirectory);
  return infoFolder.empty() ? std::string() : FirstIndexFile(infoFolder);
}

bool InfoIndex::Load(const std::string& recordingFolder, std::uint64_t expectedEntries) {
  Clear();
  const std::string file = FileOf(recordingFolder);
  return !file.empty() && LoadFile(file, expectedEntries);
}

bool InfoIndex::LoadFile(const std::string& path, std::uint64_t expectedEntries) {
  Clear();
  const StdioFile file(path, "rb");
  if (!file.IsOpen()) return false;
  const bool ok = ReadFrom(file.Get(), expectedEntries);
  if (!ok) {
    Clear();
    return false;
  }
  BuildChannelList();
  loaded_ = true;
  return true;
}

bool InfoIndex::ReadFrom(std::FILE* file, std::uint64_t expectedEntries) {
  const std::uint64_t fileBytes = FileSize(file);
  if (fileBytes < kHeaderBytes) return false;
  if (std::fread(header_.data(), 1, kHeaderBytes, file) != kHeaderBytes) return false;
  const std::uint32_t count = HeaderWord(kCountOffset);
  if (expectedEntries != kAnyEntryCount && count != expectedEntries) return false;
  const std::uint64_t entryBytes = static_cast<std::uint64_t>(count) * kEntryBytes;
  if (entryBytes > fileBytes - kHeaderBytes) return false;
  // Only the fields read later are kept: 9 of each entry's 16 bytes, at the
  // same offsets, which matters at a million images.
  entries_.resize(static_cast<std::size_t>(count) * kKeptEntryBytes);
  constexpr std::size_t kChunkEntries = 4096;
  std::vector<std::uint8_t> chunk(kChunkEntries * kEntryBytes);
  for (std::size_t done = 0; done < count;) {
    const std::size_t entries = std::min<std::size_t>(kChunkEntries, count - done);
    if (std::fread(chunk.data(), kEntryBytes, entries, file) != entries) return false;
    for (std::size_t k = 0; k < entries; ++k) {
      std::memcpy(entries_.data() + (done + k) * kKeptEntryBytes, chunk.data() + k * kEntryBytes, kKeptEntryBytes);
    }
    done += entries;
  }
  entryCount_ = count;
  return true;
}

void InfoIndex::BuildChannelList() {
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
