#include "doc/VerificationJob.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <exception>

#include "source/RecordingFiles.h"

namespace selvo {

namespace {

// After this many images the thread lets the others have the disk for a
// moment: a play loop reads one image per step and must never queue behind
// a long run of trailer reads.
constexpr int kImagesPerBreath = 16;
constexpr std::chrono::milliseconds kBreath{2};

// How often the user-interface thread hears of the check's progress.
constexpr std::chrono::milliseconds kProgressInterval{200};

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

VerificationJob::VerificationJob(const RecordingFiles& files, QObject* parent)
    : WorkerJob(parent), files_(files), results_(static_cast<std::size_t>(files.FileCount())) {}

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
  WaitForWorker();
}

void VerificationJob::Work() {
  YieldToEveryone();
  const int total = Total();
  auto reported = std::chrono::steady_clock::now();
  for (int file = 0; file < total && !stop_.load(std::memory_order_relaxed); ++file) {
    // No exception may leave a worker thread: it would end the viewer. An
    // image that could not be examined stays "not examined".
    try {
      results_[static_cast<std::size_t>(file)] = Pack(files_.ExamineFile(file, &stop_));
    } catch (const std::exception&) {
      results_[static_cast<std::size_t>(file)] = Examined{};
    }
    // A large file's walk ends part way when asked to stop; what it left is
    // no result.
    if (stop_.load(std::memory_order_relaxed)) break;
    done_.store(file + 1, std::memory_order_release);
    const auto now = std::chrono::steady_clock::now();
    if (now - reported >= kProgressInterval) {
      reported = now;
      PostProgress(file + 1, total);
    }
    if ((file + 1) % kImagesPerBreath == 0) std::this_thread::sleep_for(kBreath);
  }
  result_.examined = Done();
  result_.complete = result_.examined == total;
  if (!result_.complete) return;
  // Off the user-interface thread: a million images' time lines take a
  // while to walk.
  try {
    result_.problems =
        ProblemList(total, [this](int fileIndex) { return Result(fileIndex); }, files_.StampDisagreements());
  } catch (const std::exception&) {
    // Without the list the check cannot claim to be complete.
    result_.complete = false;
  }
}

}  // namespace selvo
