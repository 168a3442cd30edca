#pragma once
// The recorder's INFO index: a 1024-byte header with per-channel counts,
// camera titles and first/last image numbers, then one 16-byte entry per
// image (recorder seconds, millisecond stamp, channel), little-endian.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "source/InfoLayout.h"

namespace selvo {

class InfoIndex {
 public:
  static constexpr int kChannels = info::kChannels;
  static constexpr int kEmptySlot = -9;
  static constexpr std::size_t kHeaderBytes = info::kHeaderBytes;
  static constexpr std::size_t kEntryBytes = info::kEntryBytes;
  static constexpr std::size_t kTitleBytes = info::kTitleBytes;

  InfoIndex() { Clear(); }

  static bool IsCameraChannel(int channel) { return channel >= 0 && channel < kChannels; }

  static constexpr std::uint64_t kAnyEntryCount = ~std::uint64_t{0};

  // Loads the first file (by name, ignoring case) with extension INF in the
  // subfolder INFO of the recording folder. false leaves the index cleared.
  bool Load(const std::string& recordingFolder, std::uint64_t expectedEntries = kAnyEntryCount);
  // The file Load reads for that folder; empty when there is none.
  static std::string FileOf(const std::string& recordingFolder);
  // Loads one index file. An index whose entry count needs more bytes than
  // the file holds, or is not expectedEntries when that is given, is refused
  // before anything is allocated.
  bool LoadFile(const std::string& path, std::uint64_t expectedEntries = kAnyEntryCount);
  void Clear();

  bool Loaded() const { return loaded_; }
  // Why the last Load or LoadFile found an index it could not read ("INFO/
  // REC.INF: Permission denied", "... cut short"); empty when it loaded,
  // when there was none, or when it was refused for its entry count alone.
  const std::string& Problem() const { return problem_; }
  std::uint32_t EntryCount() const { return entryCount_; }

  // Entry fields; i must be below EntryCount().
  std::uint32_t EntrySeconds(std::size_t i) const;
  std::uint32_t EntryStamp(std::size_t i) const;
  // The entry's camera channel, or -1 when the stored byte is not one of
  // 0..15: such images belong to no channel (no title, never in the channel
  // list, never matched by a channel selection or search; they are kept
  // only when all channels are shown).
  int EntryChannel(std::size_t i) const;

  // Entries whose channel byte names no channel 0..15, and the first such
  // byte as a camera number (byte + 1, the byte read unsigned): the images
  // are kept but belong to no camera, and a report must say why.
  std::uint32_t ForeignChannelEntries() const { return foreignEntries_; }
  int FirstForeignCamera() const { return firstForeignCamera_; }
  // "3 entries name cameras outside 1..16 (the first: 17); ..." or empty.
  std::string ForeignChannelText() const;

  // Header fields per channel; 0 / empty for a channel outside 0..15.
  std::uint32_t ChannelImageCount(int channel) const;
  std::uint32_t ChannelFirstImage(int channel) const;  // counted from 1
  std::uint32_t ChannelLastImage(int channel) const;   // counted from 1
  // Raw title bytes, ending at the first zero byte or after 16 bytes.
  std::string ChannelTitleBytes(int channel) const;

  // Distinct channels of the entries in order of first appearance, padded
  // with kEmptySlot.
  const std::array<int, kChannels>& ChannelList() const { return channelList_; }
  int ChannelSlot(int slot) const { return channelList_[static_cast<std::size_t>(slot)]; }

 private:
  // Why not, or an empty string when the entries were read.
  std::string ReadFrom(int fd, std::uint64_t expectedEntries);
  void BuildChannelList();
  std::uint32_t HeaderWord(std::size_t offset) const;
  static constexpr std::size_t kKeptEntryBytes = 9;  // seconds, stamp, channel
  const std::uint8_t* Entry(std::size_t i) const { return entries_.data() + i * kKeptEntryBytes; }

  bool loaded_ = false;
  std::string problem_;
  std::array<std::uint8_t, kHeaderBytes> header_{};
  std::uint32_t entryCount_ = 0;
  std::vector<std::uint8_t> entries_;
  std::array<int, kChannels> channelList_{};
  std::uint32_t foreignEntries_ = 0;
  int firstForeignCamera_ = 0;
};

}  // namespace selvo
