#pragma once
// The chain-of-custody list: one "HEX  PATH" line per image, in the form
// sha256sum writes and checks, so `sha256sum -c` run in the recording folder
// verifies every image without our program. The list takes the final name
// only once it is whole; its own SHA-256 is kept for the report.
#include <string>

#include "source/OutputFile.h"
#include "source/Sha256.h"

namespace selvo {

class ManifestWriter {
 public:
  ManifestWriter() = default;
  ManifestWriter(const ManifestWriter&) = delete;
  ManifestWriter& operator=(const ManifestWriter&) = delete;

  // false with errno set when the file cannot be made.
  bool Open(const std::string& file);
  bool IsOpen() const { return output_.IsOpen(); }
  // relativePath: the image's path from the recording folder. Without an
  // open file the line is only counted into Digest: the report names the
  // list's hash whether or not it was written.
  void Add(const Sha256Digest& digest, const std::string& relativePath);
  // Puts the whole list in place of the file name; false (errno set, the
  // name left as it was) when any of it could not be written.
  bool Close();
  // The SHA-256 of every line added so far.
  Sha256Digest Digest();

  // sha256sum's line: a name holding a backslash, CR or LF is escaped and
  // the line marked with a leading backslash.
  static std::string Line(const Sha256Digest& digest, const std::string& relativePath);

 private:
  OutputFile output_;
  Sha256 written_;
  Sha256Digest digest_{};
  bool finished_ = false;
};

// path as seen from folder: the part after "folder/", or path itself when
// it does not lie below folder.
std::string PathBelow(const std::string& folder, const std::string& path);

}  // namespace selvo
