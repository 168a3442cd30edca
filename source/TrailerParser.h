#pragma once
// The recorder's trailer check: recompute the check values appended to the
// compressed data and report alteration flags, recording time and stamp.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "source/ImageInfo.h"
#include "source/Sha256.h"

namespace selvo {

// false: the bytes are not a recorder image of this kind; info may have had
// status reset to 0 but time and stamp keep the caller's values.
bool ParseJpegInfo(const std::uint8_t* bytes, std::size_t length, ImageInfo& info);
bool ParseJp2Info(const std::uint8_t* bytes, std::size_t length, ImageInfo& info);

// Reads the whole file and runs ParseJpegInfo when kind is 1, else
// ParseJp2Info. false when the file cannot be read.
bool ReadImageInfo(const std::string& path, ImageInfo& info, int kind);

// What one read of an image file gave.
struct ImageFileReading {
  bool read = false;  // the whole file was read
  bool parsed = false;  // a parser recognised it
  ImageInfo info;  // the parser's report; time and stamp keep what the caller put there unless it writes them
  Sha256Digest sha256{};  // of exactly the bytes parsed; zero unless asked for
};

// Gives every byte of a read file to whoever needs them besides the trailer
// check (a decoder), before the buffer is reused.
using ImageBytesUser = std::function<void(const std::uint8_t* bytes, std::size_t length)>;

// Reads the file once into this thread's buffer and checks its trailer as
// ReadImageInfo does; with hash, the same bytes are hashed, so what the hash
// vouches for is what was judged.
void ReadImageFile(const std::string& path, int kind, bool hash, ImageFileReading& reading,
                   const ImageBytesUser& alsoUse = {});

}  // namespace selvo
