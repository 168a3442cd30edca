#include "tools/selvo-check/ImageReadPool.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "source/ImageDecoder.h"

namespace selvo {

namespace {

// More threads than this only queue on the same disk.
constexpr unsigned kMostThreads = 8;

void TakeDecodeResult(ImageFileJob& job, DecodeResult result) {
  job.decoded = result.block ? 1 : 0;
  job.decodeFailure = std::move(result.failure);
}

}  // namespace

void RunImageFileJob(ImageFileJob& job, bool hash, bool decode) {
  try {
    ImageBytesUser decodeToo;
    if (decode) {
      job.decoded = 0;
      decodeToo = [&job](const std::uint8_t* bytes, std::size_t length) {
        TakeDecodeResult(job, DecodeImageMemory(bytes, length, job.codec));
      };
    }
    ReadImageFile(job.path, job.codec, hash, job.reading, decodeToo);
    // A file too large to hold for the check is held only by the decoder.
    if (decode && job.reading.read && job.reading.pieces) TakeDecodeResult(job, DecodeImageFile(job.path, job.codec));
  } catch (const std::exception&) {
    // Out of memory for one file: that file is unread, the check goes on.
    job.reading.read = false;
    job.reading.parsed = false;
    if (decode) job.decoded = 0;
  }
}

ImageReadPool::ImageReadPool(bool hash, bool decode) : hash_(hash), decode_(decode) {
  const unsigned cores = std::max(1u, std::min(std::thread::hardware_concurrency(), kMostThreads));
  try {
    for (unsigned i = 1; i < cores; ++i) workers_.emplace_back([this] { WorkerLoop(); });
  } catch (const std::system_error&) {
    // Fewer threads only make the check slower; the calling thread works too.
  }
}

ImageReadPool::~ImageReadPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void ImageReadPool::RunAll(std::vector<ImageFileJob>& jobs) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_ = &jobs;
    next_ = 0;
    busy_ = static_cast<int>(workers_.size());
    ++round_;
  }
  wake_.notify_all();
  TakeJobs();
  std::unique_lock<std::mutex> lock(mutex_);
  finished_.wait(lock, [this] { return busy_ == 0; });
  jobs_ = nullptr;
}

void ImageReadPool::WorkerLoop() {
  unsigned seen = 0;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || round_ != seen; });
      if (stopping_) return;
      seen = round_;
    }
    TakeJobs();
    std::lock_guard<std::mutex> lock(mutex_);
    if (--busy_ == 0) finished_.notify_one();
  }
}

void ImageReadPool::TakeJobs() {
  std::vector<ImageFileJob>& jobs = *jobs_;
  for (std::size_t i = next_++; i < jobs.size(); i = next_++) RunImageFileJob(jobs[i], hash_, decode_);
}

}  // namespace selvo
