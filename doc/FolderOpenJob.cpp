#include "doc/FolderOpenJob.h"

#include <QCoreApplication>

#include <exception>
#include <utility>

#include "doc/ProgressEvent.h"
#include "source/FolderImageSource.h"
#include "source/StartupTrace.h"

namespace selvo {

FolderOpenJob::FolderOpenJob(std::string folder, std::function<void()> beforeIndex)
    : folder_(std::move(folder)),
      beforeIndex_(std::move(beforeIndex)),
      recording_(folder_),
      thread_(&FolderOpenJob::Run, this) {}

FolderOpenJob::~FolderOpenJob() {
  Cancel();
  if (thread_.joinable()) thread_.join();
}

void FolderOpenJob::Run() {
  // No exception may leave a worker thread: it would end the viewer. One
  // that does is an open that found nothing, as the document's own loader
  // takes it.
  bool found = false;
  try {
    found = recording_.Probe();
    if (found) recording_.TrySound();
  } catch (const std::exception&) {
    found = false;
  }
  kind_ = found ? recording_.Kind() : MediaKind{};
  soundPlayable_ = found && recording_.SoundPlayable();
  EndProbe(found);

  if (found && beforeIndex_) beforeIndex_();
  bool indexed = false;
  try {
    indexed = found && recording_.IndexImages(&cancel_);
  } catch (const std::exception&) {
    indexed = false;
  }
  TraceStartup("folder indexed on a thread of its own");
  const std::lock_guard<std::mutex> lock(mutex_);
  finished_ = true;
  indexed_ = indexed;
  if (finishedWindow_ != nullptr) QCoreApplication::postEvent(finishedWindow_, new ProgressEvent(0, 1));
  changed_.notify_all();
}

void FolderOpenJob::EndProbe(bool found) {
  const std::lock_guard<std::mutex> lock(mutex_);
  probed_ = true;
  probeFound_ = found;
  changed_.notify_all();
}

bool FolderOpenJob::WaitForProbe() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return probed_; });
  return probeFound_;
}

bool FolderOpenJob::IsFinished() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return finished_;
}

bool FolderOpenJob::WaitFor(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, limit, [this] { return finished_; });
}

void FolderOpenJob::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return finished_; });
}

void FolderOpenJob::PostWhenFinished(QObject* window) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (finished_)
    QCoreApplication::postEvent(window, new ProgressEvent(0, 1));
  else
    finishedWindow_ = window;
}

bool FolderOpenJob::Indexed() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return indexed_;
}

std::unique_ptr<FolderImageSource> FolderOpenJob::TakeImages() {
  Wait();
  return recording_.HasImages() ? recording_.TakeImages() : nullptr;
}

}  // namespace selvo
