#pragma once
// Which recording a folder holds, told by its content and not by its path,
// so that a byte-identical copy on another disc finds its bookmarks and a
// recording with a file changed, added or removed is told apart.
//
// The identity is taken on every open of exports of a million images, so it
// reads no more than the open itself has to: the listing with every file's
// size, the small index files whole (the open reads them anyway) and a fixed
// handful of images whole. README.md ("Recording identity") gives the exact
// bytes hashed and what each kind of change is found by; FullOf hashes every
// byte for when that is not enough.
#include <atomic>
#include <cstdint>
#include <string>

#include "case/CaseResult.h"

namespace selvo {

struct RecordingIdentity {
  // Identity version and the SHA-256 of what it covers: "1:" + 64 hex digits.
  std::string quick;
  std::int64_t files = 0;
  std::int64_t bytes = 0;
  // The folder with links and dots resolved, as it is recorded in the case.
  std::string folder;

  // The quick identity of the recording in folder. Fails with a message when
  // the folder or anything below it cannot be listed, or a file hashed
  // cannot be read.
  static CaseResult<RecordingIdentity> Of(const std::string& folder);

  // The full identity: the SHA-256 of the sha256sum list of every regular
  // file below folder, in byte order of their relative paths. The same as
  //   cd FOLDER && find . -type f -printf '%P\0' | LC_ALL=C sort -z |
  //     xargs -0 sha256sum | sha256sum
  // Reads every byte; cancel (when given) set stops it with a failure.
  static CaseResult<std::string> FullOf(const std::string& folder, const std::atomic<bool>* cancel = nullptr);

 private:
  static CaseResult<RecordingIdentity> QuickOf(const std::string& folder);
  static CaseResult<std::string> WholeOf(const std::string& folder, const std::atomic<bool>* cancel);
};

// The SHA-256 (hex) of every byte of a regular file, read without following
// a link; fails with a message when it cannot be read or is cancelled.
CaseResult<std::string> FileSha256(const std::string& path, const std::atomic<bool>* cancel = nullptr);

}  // namespace selvo
