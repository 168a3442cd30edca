#include "doc/MotionSearchJob.h"

#include <functional>

namespace selvo {

namespace {

// Progress only: the events are regrouped from the kept activity at the end,
// so the worker has nothing else to hand over while it runs.
class ProgressPoster : public MotionSearchObserver {
 public:
  explicit ProgressPoster(std::function<void(int, int)> post) : post_(std::move(post)) {}
  void OnProgress(int done, int total) override { post_(done, total); }

 private:
  std::function<void(int, int)> post_;
};

}  // namespace

MotionSearchJob::MotionSearchJob(MotionSettings settings, std::vector<std::string> paths, QObject* parent)
    : WorkerJob(parent), settings_(std::move(settings)), images_(std::move(paths)) {}

MotionSearchJob::~MotionSearchJob() {
  Stop();
  WaitForWorker();
}

void MotionSearchJob::Work() {
  if (images_.Count() == 0) return;
  MotionSearch search(settings_);
  search.KeepActivity(true);
  ProgressPoster poster([this](int done, int total) { PostProgress(done, total); });
  result_ = search.Run(images_, 0, images_.Count() - 1, &poster, &stop_);
}

}  // namespace selvo
