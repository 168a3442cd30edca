#pragma once
// One camera's motion search as a WorkerJob: the worker runs MotionSearch
// over a copy of the image paths, keeping every image's activity so that the
// sensitivity can be moved afterwards without reading the images again. It
// reports progress(done, total) while it reads and finished(result) once,
// after the worker has ended; a stopped search finishes with what it found.
#include <atomic>
#include <string>
#include <vector>

#include "doc/WorkerJob.h"
#include "source/motion/MotionSearch.h"

namespace selvo {

class MotionSearchJob : public WorkerJob {
  Q_OBJECT

 public:
  MotionSearchJob(MotionSettings settings, std::vector<std::string> paths, QObject* parent = nullptr);
  ~MotionSearchJob() override;

  // Asks the worker to stop between two images; finished still follows.
  void Stop() { stop_.store(true); }

 signals:
  void finished(const selvo::MotionSearchResult& result);

 private:
  void Work() override;
  void Announce() override { emit finished(result_); }

  MotionSettings settings_;
  MotionPathList images_;
  std::atomic<bool> stop_{false};
  MotionSearchResult result_;  // written by the worker, read once it has ended
};

}  // namespace selvo
