#include "tools/recwriter/InfoIndexWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "source/ByteOrder.h"
#include "source/OutputFile.h"

namespace selvo {
namespace {

using info::kChannelCountsOffset;
using info::kCountOffset;
using info::kFirstImageOffset;
using info::kLastImageOffset;
using info::kTitlesOffset;

bool IsChannel(int channel) { return channel >= 0 && channel < InfoIndexWriter::kChannels; }

void EncodeEntry(const InfoEntry& entry, std::uint8_t* p) {
  std::memset(p, 0, InfoIndexWriter::kEntryBytes);
  WriteLe32(p + info::kEntrySecondsOffset, entry.seconds);
  WriteLe32(p + info::kEntryStampOffset, entry.stampMs);
  p[info::kEntryChannelOffset] = static_cast<std::uint8_t>(entry.channel);
}

}  // namespace

void InfoIndexWriter::SetTitle(int channel, const std::string& bytes) {
  if (!IsChannel(channel)) return;
  titles_[channel] = bytes.substr(0, kTitleBytes);
}

void InfoIndexWriter::Add(const InfoEntry& entry) { entries_.push_back(entry); }

std::vector<std::uint8_t> InfoIndexWriter::Header() const {
  std::uint32_t counts[kChannels] = {};
  std::uint32_t first[kChannels] = {};
  std::uint32_t last[kChannels] = {};
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const int channel = entries_[i].channel;
    if (!IsChannel(channel)) continue;
    const auto number = static_cast<std::uint32_t>(i + 1);  // image numbers count from 1
    if (counts[channel]++ == 0) first[channel] = number;
    last[channel] = number;
  }

  std::vector<std::uint8_t> header(kHeaderBytes, 0);
  WriteLe32(&header[kCountOffset], static_cast<std::uint32_t>(entries_.size()));
  for (int c = 0; c < kChannels; ++c) {
    WriteLe32(&header[kChannelCountsOffset + 4 * c], counts[c]);
    std::memcpy(&header[kTitlesOffset + kTitleBytes * c], titles_[c].data(), titles_[c].size());
    WriteLe32(&header[kFirstImageOffset + 4 * c], first[c]);
    WriteLe32(&header[kLastImageOffset + 4 * c], last[c]);
  }
  return header;
}

bool InfoIndexWriter::WriteFile(const std::string& path, std::string& errorText) const {
  OutputFile file;
  file.SkipSync();
  if (!file.Create(path)) {
    errorText = path + ": cannot create: " + file.ErrorText();
    return false;
  }
  const std::vector<std::uint8_t> header = Header();
  bool ok = file.Write(header.data(), header.size());

  // Entries go out in blocks so that a million-image index needs no second copy.
  std::vector<std::uint8_t> block;
  constexpr std::size_t kBlockEntries = 4096;
  for (std::size_t i = 0; ok && i < entries_.size(); i += kBlockEntries) {
    const std::size_t n = std::min(kBlockEntries, entries_.size() - i);
    block.resize(n * kEntryBytes);
    for (std::size_t k = 0; k < n; ++k) EncodeEntry(entries_[i + k], &block[k * kEntryBytes]);
    ok = file.Write(block.data(), block.size());
  }
  if (ok && file.Commit()) return true;
  errorText = path + ": cannot write: " + file.ErrorText();
  return false;
}

}  // namespace selvo
