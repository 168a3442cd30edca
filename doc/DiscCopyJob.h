#pragma once
// The disc copy: its thread writes a range of disc images into a folder, one
// image for every signal of the copy event, paced by "Copying..." (or,
// without prompts, straight through on the caller's thread). Run blocks the
// window on purpose; the thread has ended, and let go of the disc, when it
// returns.
#include <atomic>
#include <string>
#include <thread>

#include "doc/AutoResetEvent.h"

class QObject;

namespace selvo {

class DocumentPrompts;
class ImageSource;
class RangeCopy;

class DiscCopyJob {
 public:
  DiscCopyJob(RangeCopy& copy, ImageSource& disc, bool orderCheck, bool logMode)
      : copy_(copy), disc_(disc), orderCheck_(orderCheck), logMode_(logMode) {}
  // Stops and waits for a thread still running.
  ~DiscCopyJob();
  DiscCopyJob(const DiscCopyJob&) = delete;
  DiscCopyJob& operator=(const DiscCopyJob&) = delete;

  // destination and fileTitle as the save dialog gave them, the range as
  // 1-based image numbers. True when every image of the range was tried.
  bool Run(DocumentPrompts* prompts, const std::string& destination, const std::string& fileTitle, int first,
           int last);

 private:
  void CopyPaced();
  void Stop();

  RangeCopy& copy_;
  ImageSource& disc_;
  bool orderCheck_;
  bool logMode_;
  AutoResetEvent event_;
  std::atomic<int> cancel_{0};
  std::atomic<QObject*> progressWindow_{nullptr};
  std::thread thread_;
};

}  // namespace selvo
