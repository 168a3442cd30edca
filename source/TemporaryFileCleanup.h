#pragma once
// The temporaries of unfinished outputs, removed when a signal ends the
// process: an interrupted run leaves the earlier good file and nothing
// beside it. SIGKILL cannot be caught; it leaves a temporary, never a cut
// final file.
#include <string>

namespace selvo {

class TemporaryFileCleanup {
 public:
  // Notes path for removal; false when every slot is taken (the file is
  // then still removed on any failure, only not on a signal).
  static bool Watch(const std::string& path);
  static void Forget(const std::string& path);
  // SIGINT, SIGTERM, SIGHUP and SIGQUIT remove the noted temporaries and
  // then end the process as they would have; a signal the program already
  // handles or ignores keeps its owner. SIGXFSZ is ignored so that a write
  // past the file-size limit fails with EFBIG and is cleaned up like any
  // other failed write. Safe to call any number of times.
  static void InstallHandlers();
};

}  // namespace selvo
