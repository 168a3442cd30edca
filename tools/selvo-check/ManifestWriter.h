#pragma once
// The chain-of-custody list: one "HEX  PATH" line per image, in the form
// sha256sum writes and checks, so `sha256sum -c` run in the recording folder
// verifies every image without our program. Lines go out as they come; the
// list's own SHA-256 is kept for the report.
#include <cstdio>
#include <string>

#include "source/Sha256.h"

namespace selvo {

class ManifestWriter {
 public:
  ManifestWriter() = default;
  ~ManifestWriter();
  ManifestWriter(const ManifestWriter&) = delete;
  ManifestWriter& operator=(const ManifestWriter&) = delete;

  // false with errno set when the file cannot be made.
  bool Open(const std::string& file);
  bool IsOpen() const { return file_ != nullptr; }
  // relativePath: the image's path from the recording folder. Without an
  // open file the line is only counted into Digest: the report names the
  // list's hash whether or not it was written.
  void Add(const Sha256Digest& digest, const std::string& relativePath);
  // false (errno set) when any line could not be written.
  bool Close();
  // The SHA-256 of every line added so far.
  Sha256Digest Digest();

  // sha256sum's line: a name holding a backslash, CR or LF is escaped and
  // the line marked with a leading backslash.
  static std::string Line(const Sha256Digest& digest, const std::string& relativePath);

 private:
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  Sha256 written_;
  Sha256Digest digest_{};
  bool finished_ = false;
};

// path as seen from folder: the part after "folder/", or path itself when
// it does not lie below folder.
std::string PathBelow(const std::string& folder, const std::string& path);

}  // namespace selvo
