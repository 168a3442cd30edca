#include "tools/selvo-check/ImageReadPool.h"

#include <algorithm>
#include <system_error>

#include "source/Jp2Decoder.h"
#include "source/JpegDecoder.h"

namespace selvo {

namespace {

// More threads than this only queue on the same disk.
constexpr unsigned kMostThreads = 8;

bool Decodes(const std::uint8_t* bytes, std::size_t length, int kind) {
  if (length == 0) return false;
  std::uint32_t size = 0;
  return (kind == 1 ? DecodeJpegMemory(bytes, length, &size) : DecodeJp2Memory(bytes, length, &size)) != nullptr;
}

bool DecodesFile(const std::string& path, int kind) {
  std::uint32_t size = 0;
  return (kind == 1 ? DecodeJpegFile(path, &size) : DecodeJp2File(path, &size)) != nullptr;
}

}  // namespace

void RunImageFileJob(ImageFileJob& job, bool hash, bool decode) {
  try {
    ImageBytesUser decodeToo;
    if (decode) {
      job.decoded = 0;
      decodeToo = [&job](const std::uint8_t* bytes, std::size_t length) {
        job.decoded = Decodes(bytes, length, job.kind) ? 1 : 0;
      };
    }
    ReadImageFile(job.path, job.kind, hash, job.reading, decodeToo);
    // A file too large to hold for the check is held only by the decoder.
    if (decode && job.reading.read && job.reading.pieces) job.decoded = DecodesFile(job.path, job.kind) ? 1 : 0;
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
