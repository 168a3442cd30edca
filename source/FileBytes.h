#pragma once
// Reading a whole file into memory without trusting what the path names:
// only regular files are read, and their size is checked before anything is
// allocated.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace selvo {

// Files above this size are refused rather than loaded.
constexpr std::size_t kMaxWholeFileBytes = std::size_t{1} << 30;

// Replaces out with the file's bytes, reusing its storage. false (out
// emptied) when the path is
// not a regular file, cannot be opened or read, is larger than
// kMaxWholeFileBytes, shrinks while being read, or memory runs out. An empty
// regular file is read as zero bytes.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out);

// 0 when path is a regular file whose first bytes can be read, else the
// errno value that stops it (EISDIR for a folder, ENOTBLK for anything else
// that is not a regular file). Tells "could not read" from "read, but wrong".
int FileReadError(const std::string& path);

// Why path cannot be read as an image file, in words for a report ("a
// FIFO, not a file", "a link to nothing", "Permission denied"); empty when
// it is a regular file whose first bytes can be read. Never waits on a FIFO.
std::string FileReadProblem(const std::string& path);

// What a path of this mode (st_mode) is when it is not a regular file ("a
// FIFO, not a file").
const char* NotAFileText(unsigned int mode);

// Reads exactly size bytes from fd, going on after short reads and
// interruptions; false when the file ends first or a read fails.
bool ReadFully(int fd, std::uint8_t* into, std::size_t size);

// Writes every byte to fd, going on after short writes and interruptions.
bool WriteAll(int fd, const void* bytes, std::size_t length);

}  // namespace selvo
