#pragma once
// A regular file read forward in bounded pieces, so that judging a file
// costs the same memory whatever its size: the trailer check walks an
// image of a gigabyte (zeros padded in before its stamp are valid) with a
// window of one piece. Every byte read passes once, in order, through the
// hash when one is given, so the hash vouches for exactly the bytes judged.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace selvo {

class Sha256;

class FileWindow {
 public:
  // Bytes before the furthest position asked for that stay readable.
  static constexpr std::size_t kLookBack = 64;
  // Spans asked for by the walks are at least this long, where the file is.
  static constexpr std::size_t kMinSpan = 64;

  // fd: an open regular file of length bytes, read from its start. hash and
  // stop may be null; stop turning true fails the next read.
  FileWindow(int fd, std::size_t length, std::size_t pieceBytes, Sha256* hash, const std::atomic<bool>* stop);

  std::size_t Length() const { return length_; }
  // Points at to the bytes in memory from pos on and returns how many there
  // are: at least min(want, Length() - pos) unless a read failed, then 0.
  // pos may lie at most kLookBack bytes before a position asked for earlier;
  // want is at most the piece size.
  std::size_t Span(std::size_t pos, std::size_t want, const std::uint8_t*& at);
  // The byte at pos (below Length()); 0 when it could not be read.
  std::uint8_t At(std::size_t pos);
  // Reads, and hashes, the rest of the file. false when any read failed,
  // the file ended early or stop was asked for (errno tells which).
  bool Finish();
  bool Failed() const { return failed_; }

 private:
  bool ReadInto(std::size_t count);
  void Fail(int error);

  int fd_;
  std::size_t length_;
  Sha256* hash_;
  const std::atomic<bool>* stop_;
  std::vector<std::uint8_t> buffer_;
  std::size_t base_ = 0;    // file position of buffer_[0]
  std::size_t filled_ = 0;  // bytes of buffer_ holding the file
  bool failed_ = false;
  int error_ = 0;
};

}  // namespace selvo
