#pragma once
// The recorder's trailer check: recompute the check values appended to the
// compressed data and report alteration flags, recording time and stamp.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "source/ImageCodec.h"
#include "source/ImageInfo.h"
#include "source/Sha256.h"

namespace selvo {

// false: the bytes are not a recorder image of this kind; info may have had
// status reset to 0 but time and stamp keep the caller's values.
bool ParseJpegInfo(const std::uint8_t* bytes, std::size_t length, ImageInfo& info);
bool ParseJp2Info(const std::uint8_t* bytes, std::size_t length, ImageInfo& info);
// The parser of codec.
bool ParseImageInfo(const std::uint8_t* bytes, std::size_t length, ImageCodec codec, ImageInfo& info);

// Reads the whole file and runs the parser of codec. false when the file
// cannot be read, is not a regular file or stop (may be null) turned true
// while it was read.
bool ReadImageInfo(const std::string& path, ImageInfo& info, ImageCodec codec, const std::atomic<bool>* stop = nullptr);

// What one read of an image file gave.
struct ImageFileReading {
  bool read = false;  // the whole file was read
  bool pieces = false;  // it was walked in pieces, never held whole
  int error = 0;  // the errno value that stopped the read, when it failed
  bool parsed = false;  // a parser recognised it
  ImageInfo info;  // the parser's report; time and stamp keep what the caller put there unless it writes them
  Sha256Digest sha256{};  // of exactly the bytes parsed; zero unless asked for
};

// Gives every byte of a read file to whoever needs them besides the trailer
// check (a decoder), before the buffer is reused.
using ImageBytesUser = std::function<void(const std::uint8_t* bytes, std::size_t length)>;

// Reads the file once and checks its trailer as ReadImageInfo does; with
// hash, the same bytes are hashed, so what the hash vouches for is what was
// judged. Only regular files are read, and never a FIFO waited on. A file
// of up to 16 MiB is read whole into this thread's buffer and given to
// alsoUse; a larger one is walked in pieces of 1 MiB, so memory stays flat
// (alsoUse is then not called and reading.pieces says so), and a stop
// request (stop may be null) ends the walk between two pieces, the file
// then counting as unread.
void ReadImageFile(const std::string& path, ImageCodec codec, bool hash, ImageFileReading& reading,
                   const ImageBytesUser& alsoUse = {}, const std::atomic<bool>* stop = nullptr);

// The walk in pieces of pieceBytes over the open regular file fd of size
// bytes, from its start: the same verdict, stamp and hash as the image
// parsed in memory.
void ReadImageFileInPieces(int fd, std::size_t size, ImageCodec codec, bool hash, ImageFileReading& reading,
                           std::size_t pieceBytes, const std::atomic<bool>* stop = nullptr);

}  // namespace selvo
