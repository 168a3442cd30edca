#include "export/PlanarDecodeThread.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace selvo {

PlanarDecodeThread::PlanarDecodeThread(int width, int height, const FrameOverlays& layout)
    : scaler_(width, height, layout), worker_([this] { Work(); }) {}

PlanarDecodeThread::~PlanarDecodeThread() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void PlanarDecodeThread::Push(SharedBytes bytes) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return jobs_.size() < kAhead; });
  jobs_.push_back(Job{std::move(bytes), nullptr, false});
  changed_.notify_all();
}

AvFramePtr PlanarDecodeThread::Take() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !jobs_.empty() && jobs_.front().done; });
  AvFramePtr frame = std::move(jobs_.front().frame);
  jobs_.pop_front();
  changed_.notify_all();
  return frame;
}

void PlanarDecodeThread::Recycle(AvFramePtr frame) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (frame != nullptr && spare_.size() < kAhead) spare_.push_back(std::move(frame));
}

void PlanarDecodeThread::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    Job* job = nullptr;
    changed_.wait(lock, [&] {
      if (stopping_) return true;
      for (Job& queued : jobs_) {
        if (!queued.done) {
          job = &queued;
          return true;
        }
      }
      return false;
    });
    if (job == nullptr) return;
    // A deque keeps its elements where they are while others are added at
    // the back; the front is taken only once done.
    const SharedBytes bytes = job->bytes;
    AvFramePtr reuse;
    if (!spare_.empty()) {
      reuse = std::move(spare_.back());
      spare_.pop_back();
    }
    lock.unlock();
    AvFramePtr frame = scaler_.Scale(bytes->data(), bytes->size(), std::move(reuse));
    lock.lock();
    job->frame = std::move(frame);
    job->done = true;
    changed_.notify_all();
  }
}

}  // namespace selvo
