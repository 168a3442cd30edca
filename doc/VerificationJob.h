#pragma once
// The background trailer check of an open folder recording: the worker runs
// the check over every image file, in file order, at the lowest priority the
// system gives. It reports as every WorkerJob does: progress(done, total)
// every little while, and finished with the problems once the last file is
// in. The worker reads only what the recording's open built (never a
// record); the verdicts of files 0..done-1 may be read from here on the
// job's thread and taken into the records there, so the two threads never
// share a record. Destroying the job stops the worker and waits for it; the
// recording must outlive the job.
#include <atomic>
#include <cstdint>
#include <vector>

#include "doc/ProblemList.h"
#include "doc/WorkerJob.h"
#include "source/ImageRecord.h"

namespace selvo {

class RecordingFiles;

struct VerificationResult {
  // Files 0..examined-1 have their verdict; all of them unless stopped.
  int examined = 0;
  bool complete = false;
  // The altered images and the time-line breaks; empty unless complete.
  ProblemList problems;
};

class VerificationJob : public WorkerJob {
  Q_OBJECT

 public:
  explicit VerificationJob(const RecordingFiles& files, QObject* parent = nullptr);
  ~VerificationJob() override;

  // Asks the worker to stop and waits for it: after the image in hand, or
  // between two pieces of a large one, so within a piece's read.
  void Stop();

  int Total() const { return static_cast<int>(results_.size()); }
  // Verdicts 0..Done()-1 are final; the rest are not there yet. progress
  // and finished name a count at least as large as those reported before.
  int Done() const { return done_.load(std::memory_order_acquire); }
  // File fileIndex's verdict; only for fileIndex < Done().
  ImageRecord Result(int fileIndex) const;

 signals:
  void finished(const VerificationResult& result);

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

  void Work() override;
  void Announce() override { emit finished(result_); }

  const RecordingFiles& files_;
  std::vector<Examined> results_;
  std::atomic<int> done_{0};
  std::atomic<bool> stop_{false};
  VerificationResult result_;  // written by the worker, read once it has ended
};

}  // namespace selvo
