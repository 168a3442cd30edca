#pragma once
// The recorder's INFO index layout: fixed numbers shared by the index reader
// and the recording writer, so that reader and writer cannot drift apart.
#include <cstddef>

namespace selvo::info {

constexpr int kChannels = 16;

// Header: 1024 bytes, every word little-endian; per-channel tables hold one
// 32-bit word (or one title) per channel, channel 0 first.
constexpr std::size_t kHeaderBytes = 1024;
constexpr std::size_t kCountOffset = 0;
constexpr std::size_t kChannelCountsOffset = 16;
constexpr std::size_t kTitlesOffset = 208;
constexpr std::size_t kTitleBytes = 16;
// Image numbers count from 1 in the order of the sorted image files.
constexpr std::size_t kFirstImageOffset = 464;
constexpr std::size_t kLastImageOffset = 528;

// Entries: 16 bytes each after the header, one per image.
constexpr std::size_t kEntryBytes = 16;
constexpr std::size_t kEntrySecondsOffset = 0;
constexpr std::size_t kEntryStampOffset = 4;
constexpr std::size_t kEntryChannelOffset = 8;

}  // namespace selvo::info
