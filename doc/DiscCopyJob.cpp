#include "doc/DiscCopyJob.h"

#include <QCoreApplication>

#include <chrono>

#include "doc/DocumentPrompts.h"
#include "doc/ProgressEvent.h"
#include "source/RangeCopy.h"

namespace selvo {

DiscCopyJob::~DiscCopyJob() { Stop(); }

bool DiscCopyJob::Run(DocumentPrompts* prompts, const std::string& destination, const std::string& fileTitle,
                      int first, int last) {
  if (!prompts) {
    while (!copy_.Done()) copy_.CopyNext(disc_, orderCheck_, logMode_);
    return true;
  }
  event_.Reset();
  cancel_.store(0);
  progressWindow_.store(nullptr);
  // However the dialog ended, the thread is told to stop and has let go of
  // the disc (and posted its last message) before the dialog goes.
  const WatchedWork copier{[this](QObject*) { thread_ = std::thread(&DiscCopyJob::CopyPaced, this); },
                           [this] { Stop(); }};
  prompts->ShowCopying(destination, fileTitle, first, last, CopyHandshake{&event_, &cancel_, &progressWindow_},
                       copier);
  progressWindow_.store(nullptr);
  return copy_.Done();
}

void DiscCopyJob::CopyPaced() {
  for (;;) {
    while (!event_.Wait(std::chrono::hours(1))) {
    }
    if (cancel_.load() == 1) return;
    copy_.CopyNext(disc_, orderCheck_, logMode_);
    if (QObject* window = progressWindow_.load()) QCoreApplication::postEvent(window, new ProgressEvent(0, 0));
  }
}

void DiscCopyJob::Stop() {
  if (!thread_.joinable()) return;
  cancel_.store(1);
  event_.Set();
  thread_.join();
}

}  // namespace selvo
