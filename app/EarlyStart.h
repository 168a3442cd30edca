#pragma once
// What the viewer begins at the top of main, before Qt, on threads of its
// own, so that the second core works while the main thread loads Qt,
// connects to the window system and builds the window: the open of the
// folder named on the command line (FolderOpenJob), and fontconfig's
// reading of its configuration and font caches, which the first text laid
// out would otherwise wait for. Begun after the locale and time zone are
// set, which the threads read and nothing changes afterwards.
#include <memory>
#include <string>
#include <thread>

namespace selvo {

class FolderOpenJob;
class ViewerCommandLineInfo;

class EarlyStart {
 public:
  explicit EarlyStart(const ViewerCommandLineInfo& commandLine);
  // Waits for the font thread; cancels an open nobody took.
  ~EarlyStart();
  EarlyStart(const EarlyStart&) = delete;
  EarlyStart& operator=(const EarlyStart&) = delete;

  // The open begun for path; null when none was, or when it was begun for
  // another word (Qt took that one as an option of its own).
  std::unique_ptr<FolderOpenJob> TakeFolderOpen(const std::string& path);
  // Before the first text is laid out, so that fontconfig is read once and
  // not by two threads at a time.
  void WaitForFonts();

 private:
  std::unique_ptr<FolderOpenJob> folderOpen_;  // the thread's until joined, then the main thread's
  std::thread thread_;                         // reads the fonts, then begins the open; last
};

}  // namespace selvo
