#include "doc/FolderLoadJob.h"

#include <QCoreApplication>

#include <chrono>
#include <exception>

#include "doc/DocumentPrompts.h"
#include "doc/FolderOpenJob.h"
#include "doc/ProgressEvent.h"
#include "source/ImageSource.h"

namespace selvo {

namespace {
// The loader starts anyway when the dialog has not come up by then.
constexpr std::chrono::milliseconds kLoaderStartWait{5000};
}  // namespace

FolderLoadJob::~FolderLoadJob() {
  if (!thread_.joinable()) return;
  cancel_.store(1);
  ready_.Set();
  thread_.join();
}

FolderLoadJob::Result FolderLoadJob::Run(ImageSource& source, const std::string& folder, bool hasSound,
                                         DocumentPrompts* prompts) {
  cancel_.store(0);
  indexed_.store(false);
  ready_.Reset();
  const WatchedWork loader{
      [&](QObject* progressWindow) {
        thread_ = std::thread(&FolderLoadJob::Index, this, &source, folder, hasSound, progressWindow);
      },
      [this] { Join(); }};
  if (prompts) {
    prompts->ShowSearching(cancel_, ready_, loader);
  } else {
    ready_.Set();
    loader.start(nullptr);
    loader.join();
  }
  if (cancel_.load() == 1) return Result::Cancelled;
  return indexed_.load() ? Result::Indexed : Result::Empty;
}

FolderLoadJob::Result FolderLoadJob::Await(FolderOpenJob& job, DocumentPrompts* prompts) {
  cancel_.store(0);
  if (prompts != nullptr && !job.IsFinished()) {
    ready_.Reset();
    const WatchedWork waiter{[&job](QObject* progressWindow) { job.PostWhenFinished(progressWindow); },
                             [this, &job] {
                               if (cancel_.load() == 1) job.Cancel();
                               job.Wait();
                             }};
    prompts->ShowSearching(cancel_, ready_, waiter);
  }
  job.Wait();
  if (cancel_.load() == 1) return Result::Cancelled;
  return job.Indexed() ? Result::Indexed : Result::Empty;
}

void FolderLoadJob::Index(ImageSource* source, std::string folder, bool hasSound, QObject* progressWindow) {
  ready_.Wait(kLoaderStartWait);
  // No exception may leave a worker thread: it would end the viewer.
  try {
    indexed_.store(source->OpenRecording(folder, hasSound));
  } catch (const std::exception&) {
    indexed_.store(false);
  }
  if (progressWindow) QCoreApplication::postEvent(progressWindow, new ProgressEvent(0, 1));
}

void FolderLoadJob::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace selvo
