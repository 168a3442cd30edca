#pragma once
// The recorder's trailer check: recompute the check values appended to the
// compressed data and report alteration flags, recording time and stamp.
#include <cstddef>
#include <cstdint>
#include <string>

#include "source/ImageInfo.h"

namespace selvo {

// false: the bytes are not a recorder image of this kind; info may have had
// status reset to 0 but time and stamp keep the caller's values.
bool ParseJpegInfo(const std::uint8_t* bytes, std::size_t length, ImageInfo& info);
bool ParseJp2Info(const std::uint8_t* bytes, std::size_t length, ImageInfo& info);

// Reads the whole file and runs ParseJpegInfo when kind is 1, else
// ParseJp2Info. false when the file cannot be read.
bool ReadImageInfo(const std::string& path, ImageInfo& info, int kind);

}  // namespace selvo
