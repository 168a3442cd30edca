#pragma once
// Every file the tools and the viewer write is written whole or not at all:
// into a temporary beside the final name, each write and the close checked,
// synced to the disk, then renamed over the final name. A failure, a
// destroyed unfinished output or a signal that can be caught removes the
// temporary and leaves an earlier file of that name as it was. The rename
// replaces a directory entry and never follows a link at the final name.
#include <cstddef>
#include <cstdint>
#include <string>

#include "source/BackgroundSync.h"
#include "source/FileDescriptor.h"

namespace selvo {

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Makes the temporary in target's folder; false with Error when it
  // cannot be made.
  bool Create(const std::string& target);
  bool IsOpen() const { return file_.IsOpen(); }
  // Appends; once one write has failed every later one fails too, and the
  // first cause is the one kept.
  bool Write(const void* data, std::size_t size);
  bool Write(const std::string& text) { return Write(text.data(), text.size()); }
  // Syncs, closes and renames over the target; on failure the temporary is
  // removed and Error says why.
  bool Commit();
  // Drops the temporary; the target is left as it was.
  void Discard();
  // For bulk material its writer can make again (a demo recording's
  // thousands of images): Commit does not wait for the disk.
  void SkipSync() { synced_ = false; }

  // For a writer with a descriptor of its own (a muxer): how many bytes it
  // has written so far. Like Write, this syncs them every few megabytes on
  // another thread while the writer goes on, so that Commit's sync is left
  // only the last stretch.
  void Written(std::int64_t fileBytes);

  // For a writer that needs the descriptor itself (a PDF painter, a muxer):
  // its writes must be checked by that writer and reported with Fail.
  int Descriptor() const { return file_.Get(); }
  const std::string& TemporaryPath() const { return temporary_; }
  const std::string& Target() const { return target_; }
  // Records a failure found outside Write (errno value).
  void Fail(int error);

  // errno of the first failure; 0 when none.
  int Error() const { return error_; }
  // The cause in words, "No space left on device".
  std::string ErrorText() const;

  // The temporary's name: short, so that a final name of up to the file
  // system's limit (255 bytes) still has a temporary beside it.
  static std::string TemporaryPattern(const std::string& target);

 private:
  bool Flush();

  FileDescriptor file_;
  std::string target_;
  std::string temporary_;
  std::string buffer_;
  int error_ = 0;
  bool synced_ = true;
  std::int64_t reachedFile_ = 0;     // bytes Write has handed to the file
  std::int64_t syncAsked_ = 0;       // file size when the last background sync was asked for
  BackgroundSync backgroundSync_;
};

}  // namespace selvo
