#pragma once
// The background trailer check of an open folder recording: one thread runs
// the check over every image file, in file order, at the lowest priority the
// system gives, and publishes each result as it lands. The thread reads only
// what the source's open built (never a record), and the user-interface
// thread takes the results from here into the records itself, so the two
// never share a record. The thread has ended when Stop returns or the job is
// destroyed; the source must outlive it.
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "source/ImageRecord.h"

namespace selvo {

class FolderImageSource;

class VerificationJob {
 public:
  // Starts the thread at once.
  explicit VerificationJob(const FolderImageSource& source);
  ~VerificationJob();
  VerificationJob(const VerificationJob&) = delete;
  VerificationJob& operator=(const VerificationJob&) = delete;

  // Asks the thread to stop and waits for it: after the image in hand, or
  // between two pieces of a large one, so within a piece's read.
  void Stop();

  int Total() const { return static_cast<int>(results_.size()); }
  // Results 0..Done()-1 are final and may be read; the rest are not there yet.
  int Done() const { return done_.load(std::memory_order_acquire); }
  bool IsFinished() const { return Done() == Total(); }
  // File fileIndex's result; only for fileIndex < Done().
  ImageRecord Result(int fileIndex) const;

 private:
  // What the check learns of one file, in 16 bytes rather than a whole
  // record's 24: the job keeps one per image for as long as the recording
  // is open, and a million-image recording should not pay twice for it.
  struct Examined {
    CalendarSeconds recordTime = 0;
    std::uint32_t stampMs = 0;
    std::int16_t status = -1;
    std::int16_t channel = -1;
  };
  static Examined Pack(const ImageRecord& record);

  void Run();

  const FolderImageSource& source_;
  std::vector<Examined> results_;
  std::atomic<int> done_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace selvo
