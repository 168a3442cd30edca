#pragma once
// The shareable export's JPEG pictures decoded and scaled on a thread of
// their own while the encoder works on the ones before: in order, never
// more than a few ahead, so memory stays flat however long the recording.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "export/JpegFrameScaler.h"

namespace selvo {

using SharedBytes = std::shared_ptr<const std::vector<std::uint8_t>>;

class PlanarDecodeThread {
 public:
  static constexpr std::size_t kAhead = 4;

  PlanarDecodeThread(int width, int height, const FrameOverlays& layout);
  ~PlanarDecodeThread();
  PlanarDecodeThread(const PlanarDecodeThread&) = delete;
  PlanarDecodeThread& operator=(const PlanarDecodeThread&) = delete;

  // Queues a picture; waits while kAhead pictures are queued and not taken.
  void Push(SharedBytes bytes);
  // The oldest queued picture's frame, waiting for it; null when the
  // scaler does not take that picture.
  AvFramePtr Take();
  // A frame taken and encoded, for the thread to fill again.
  void Recycle(AvFramePtr frame);

 private:
  struct Job {
    SharedBytes bytes;
    AvFramePtr frame;
    bool done = false;
  };
  void Work();

  JpegFrameScaler scaler_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;  // in the order pushed; the worker takes the first not done
  std::vector<AvFramePtr> spare_;
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace selvo
