#include "doc/WorkerJob.h"

namespace selvo {

WorkerJob::WorkerJob(QObject* parent) : QObject(parent) {}

WorkerJob::~WorkerJob() { WaitForWorker(); }

void WorkerJob::Start() {
  if (running_) return;
  running_ = true;
  worker_ = std::thread([this] {
    Work();
    // The worker's last act. The job's thread joins it before announcing,
    // so the result is complete when anyone reads it.
    QMetaObject::invokeMethod(
        this,
        [this] {
          WaitForWorker();
          running_ = false;
          Announce();
        },
        Qt::QueuedConnection);
  });
}

void WorkerJob::WaitForWorker() {
  if (worker_.joinable()) worker_.join();
}

void WorkerJob::PostProgress(int done, int total) {
  QMetaObject::invokeMethod(this, [this, done, total] { emit progress(done, total); }, Qt::QueuedConnection);
}

}  // namespace selvo
