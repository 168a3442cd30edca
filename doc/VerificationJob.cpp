#include "doc/VerificationJob.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <exception>

#include "source/FolderImageSource.h"

namespace selvo {

namespace {

// After this many images the thread lets the others have the disk for a
// moment: a play loop reads one image per step and must never queue behind
// a long run of trailer reads.
constexpr int kImagesPerBreath = 16;
constexpr std::chrono::milliseconds kBreath{2};

// The thread gets CPU time only when nothing else wants it, and disk time
// likewise; where the system refuses, it is at least the nicest thread.
void YieldToEveryone() {
  const sched_param idle{};
  if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle) != 0) {
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
  }
#ifdef SYS_ioprio_set
  constexpr int kIoprioWhoProcess = 1;
  constexpr int kIoprioClassIdle = 3;
  constexpr int kIoprioClassShift = 13;
  syscall(SYS_ioprio_set, kIoprioWhoProcess, static_cast<int>(syscall(SYS_gettid)),
          kIoprioClassIdle << kIoprioClassShift);
#endif
}

}  // namespace

VerificationJob::VerificationJob(const FolderImageSource& source)
    : source_(source), results_(static_cast<std::size_t>(source.FileCount())) {
  thread_ = std::thread(&VerificationJob::Run, this);
}

VerificationJob::~VerificationJob() { Stop(); }

VerificationJob::Examined VerificationJob::Pack(const ImageRecord& record) {
  Examined examined;
  examined.recordTime = record.recordTime;
  examined.stampMs = record.stampMs;
  examined.status = static_cast<std::int16_t>(record.status);
  examined.channel = static_cast<std::int16_t>(record.channel);
  return examined;
}

ImageRecord VerificationJob::Result(int fileIndex) const {
  const Examined& examined = results_[static_cast<std::size_t>(fileIndex)];
  ImageRecord record;
  record.recordTime = examined.recordTime;
  record.stampMs = examined.stampMs;
  record.status = examined.status;
  record.channel = examined.channel;
  return record;
}

void VerificationJob::Stop() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
}

void VerificationJob::Run() {
  YieldToEveryone();
  const int total = Total();
  for (int file = 0; file < total && !stop_.load(std::memory_order_relaxed); ++file) {
    // No exception may leave a worker thread: it would end the viewer. An
    // image that could not be examined stays "not examined".
    try {
      results_[static_cast<std::size_t>(file)] = Pack(source_.ExamineFile(file, &stop_));
    } catch (const std::exception&) {
      results_[static_cast<std::size_t>(file)] = Examined{};
    }
    // A large file's walk ends part way when asked to stop; what it left is
    // no result.
    if (stop_.load(std::memory_order_relaxed)) break;
    done_.store(file + 1, std::memory_order_release);
    if ((file + 1) % kImagesPerBreath == 0) std::this_thread::sleep_for(kBreath);
  }
}

}  // namespace selvo
