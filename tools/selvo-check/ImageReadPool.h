#pragma once
// The file work of a check spread over the machine's cores: each image file
// is read once into its thread's buffer, its trailer judged, and, as asked,
// the same bytes hashed and decoded. Answers stay in list order; the caller
// hands over one batch at a time, so memory does not grow with the
// recording.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "source/ImageCodec.h"
#include "source/TrailerParser.h"

namespace selvo {

struct ImageFileJob {
  std::string path;
  ImageCodec codec = ImageCodec::Jpeg;  // picks the trailer parser and the decoder
  ImageFileReading reading;
  int decoded = -1;  // -1 not tried, 0 failed, 1 decoded
  std::string decodeFailure;  // why the decoder gave up
};

// One file's work, on the calling thread.
void RunImageFileJob(ImageFileJob& job, bool hash, bool decode);

class ImageReadPool {
 public:
  ImageReadPool(bool hash, bool decode);
  ~ImageReadPool();
  ImageReadPool(const ImageReadPool&) = delete;
  ImageReadPool& operator=(const ImageReadPool&) = delete;

  // Does every job, the calling thread working too; returns when all are done.
  void RunAll(std::vector<ImageFileJob>& jobs);

 private:
  void WorkerLoop();
  void TakeJobs();

  const bool hash_;
  const bool decode_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  std::vector<ImageFileJob>* jobs_ = nullptr;
  std::atomic<std::size_t> next_{0};
  unsigned round_ = 0;
  int busy_ = 0;
  bool stopping_ = false;
};

}  // namespace selvo
