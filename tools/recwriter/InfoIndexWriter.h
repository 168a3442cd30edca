#pragma once
// Builds the INFO index file that lists every image's time, stamp and camera
// channel and every channel's title, in the order of the sorted image files.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "source/InfoLayout.h"

namespace selvo {

struct InfoEntry {
  std::uint32_t seconds = 0;  // recorder seconds since 2000-01-01 00:00:00 local
  std::uint32_t stampMs = 0;
  std::int8_t channel = 0;
};

class InfoIndexWriter {
 public:
  static constexpr int kChannels = info::kChannels;
  static constexpr std::size_t kHeaderBytes = info::kHeaderBytes;
  static constexpr std::size_t kEntryBytes = info::kEntryBytes;
  static constexpr std::size_t kTitleBytes = info::kTitleBytes;

  // The title bytes exactly as the file stores them (Shift_JIS for the
  // recorder); longer ones are cut to 16 bytes. Channels outside 0..15 are
  // ignored.
  void SetTitle(int channel, const std::string& bytes);

  // Entries in the order of the sorted image files. An entry whose channel
  // lies outside 0..15 is stored but counted for no channel.
  void Add(const InfoEntry& entry);
  void Reserve(std::size_t entries) { entries_.reserve(entries); }
  std::size_t Count() const { return entries_.size(); }

  // The 1024-byte header: N, per-channel counts, titles, first and last image.
  std::vector<std::uint8_t> Header() const;

  // false with errorText naming the file and the reason.
  bool WriteFile(const std::string& path, std::string& errorText) const;

 private:
  std::vector<InfoEntry> entries_;
  std::string titles_[kChannels];
};

}  // namespace selvo
