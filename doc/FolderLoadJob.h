#pragma once
// The open flow's loader: indexes a folder recording on a thread of its own
// while "Searching..." is up (or, without prompts, while the caller waits),
// and answers how it went. The thread has ended, and let go of the source,
// when Run returns.
#include <atomic>
#include <string>
#include <thread>

#include "doc/AutoResetEvent.h"

class QObject;

namespace selvo {

class DocumentPrompts;
class FolderOpenJob;
class ImageSource;

class FolderLoadJob {
 public:
  enum class Result {
    Indexed,    // the source holds a recording
    Empty,      // the folder held no usable recording
    Cancelled   // the user cancelled "Searching..."
  };

  // cancel is the flag the source polls while it indexes; the job clears
  // it before it starts and the dialog's CANCEL sets it.
  explicit FolderLoadJob(std::atomic<int>& cancel) : cancel_(cancel) {}
  // Cancels and waits for a thread still running.
  ~FolderLoadJob();
  FolderLoadJob(const FolderLoadJob&) = delete;
  FolderLoadJob& operator=(const FolderLoadJob&) = delete;

  Result Run(ImageSource& source, const std::string& folder, bool hasSound, DocumentPrompts* prompts);
  // The same wait for an open begun before the document (FolderOpenJob):
  // "Searching..." only while it still runs, its CANCEL passed on to it.
  Result Await(FolderOpenJob& job, DocumentPrompts* prompts);

 private:
  // The thread's body; progressWindow (if any) learns when it is done.
  void Index(ImageSource* source, std::string folder, bool hasSound, QObject* progressWindow);
  void Join();

  std::atomic<int>& cancel_;
  AutoResetEvent ready_;
  std::atomic<bool> indexed_{false};
  std::thread thread_;
};

}  // namespace selvo
