#pragma once
// The disc copy's thread: writes a range of disc images into a folder, one
// image for every signal of the copy event, paced by "Copying..." (or, without
// prompts, straight through on the caller's thread). The thread has ended,
// and let go of the disc, when Run returns.
#include <atomic>
#include <string>
#include <thread>

#include "doc/AutoResetEvent.h"

class QObject;

namespace selvo {

class CopyRangeJob;
class DocumentPrompts;
class ImageSource;

class DiscCopyRun {
 public:
  DiscCopyRun(CopyRangeJob& job, ImageSource& disc, bool orderCheck, bool logMode)
      : job_(job), disc_(disc), orderCheck_(orderCheck), logMode_(logMode) {}
  // Stops and waits for a thread still running.
  ~DiscCopyRun();
  DiscCopyRun(const DiscCopyRun&) = delete;
  DiscCopyRun& operator=(const DiscCopyRun&) = delete;

  // destination and fileTitle as the save dialog gave them, the range as
  // 1-based image numbers. True when every image of the range was tried.
  bool Run(DocumentPrompts* prompts, const std::string& destination, const std::string& fileTitle, int first,
           int last);

 private:
  void CopyPaced();
  void Stop();

  CopyRangeJob& job_;
  ImageSource& disc_;
  bool orderCheck_;
  bool logMode_;
  AutoResetEvent event_;
  std::atomic<int> cancel_{0};
  std::atomic<QObject*> progressWindow_{nullptr};
  std::thread thread_;
};

}  // namespace selvo
