#pragma once
// The open of a folder recording begun before there is a document to take
// it: the folder named on the command line is probed and indexed on a
// thread of the job's own from the start of main, while Qt starts and the
// window is built, and the document then takes what it found
// (CSelvoViewerDoc::OpenFolder(FolderOpenJob&)) as if its own loader had
// found it. The job runs only the steps of the open that need neither the
// window nor the document: the media probe, the check of the sound file
// (which decides how the recorder laid the images out) and the index. What
// the user is told of a folder that cannot be opened, the document still
// works out and says itself, once the window is up.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "source/FolderRecording.h"
#include "source/MediaKind.h"

class QObject;

namespace selvo {

class FolderOpenJob {
 public:
  // Starts the thread. beforeIndex (tests) runs on it between the probe
  // and the index.
  explicit FolderOpenJob(std::string folder, std::function<void()> beforeIndex = {});
  // Cancels and waits for a thread still running.
  ~FolderOpenJob();
  FolderOpenJob(const FolderOpenJob&) = delete;
  FolderOpenJob& operator=(const FolderOpenJob&) = delete;

  // The folder as it was named.
  const std::string& Folder() const { return folder_; }

  // Waits until the probe and the sound file's check are done; false when
  // the probe found no recorder images (the document then says why).
  bool WaitForProbe();
  // After WaitForProbe answered true: the probe's flags, and whether the
  // sound file plays (the images were indexed as laid out with sound).
  const MediaKind& Kind() const { return kind_; }
  bool SoundPlayable() const { return soundPlayable_; }

  // The thread has ended, with the index or without.
  bool IsFinished() const;
  // Waits at most limit for the thread to end; true when it has.
  bool WaitFor(std::chrono::milliseconds limit);
  void Wait();
  // Asks the index to stop; it then finds no images.
  void Cancel() { cancel_.store(1); }
  // A ProgressEvent (done) goes to window when the thread ends, at once if
  // it has: the "Searching..." dialog that waits for it. The window must
  // outlive the thread (Wait before it goes).
  void PostWhenFinished(QObject* window);

  // Once finished: the images were indexed; and the source that holds
  // them, for the document to keep (null when the probe found none).
  bool Indexed() const;
  std::unique_ptr<FolderImageSource> TakeImages();

 private:
  void Run();
  void EndProbe(bool found);

  const std::string folder_;
  const std::function<void()> beforeIndex_;
  FolderRecording recording_;     // the thread's until finished_, then the owner's
  std::atomic<int> cancel_{0};    // set by any thread, polled by the index
  MediaKind kind_;                // written by the thread before probed_
  bool soundPlayable_ = false;    // written by the thread before probed_
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool probed_ = false;           // under mutex_
  bool probeFound_ = false;       // under mutex_
  bool finished_ = false;         // under mutex_
  bool indexed_ = false;          // under mutex_
  QObject* finishedWindow_ = nullptr;  // under mutex_
  std::thread thread_;            // started last, when every member is ready
};

}  // namespace selvo
