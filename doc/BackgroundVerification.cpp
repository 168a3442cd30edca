#include "doc/BackgroundVerification.h"

#include <algorithm>

#include "doc/VerificationJob.h"
#include "source/RecordingFiles.h"

namespace selvo {

BackgroundVerification::BackgroundVerification(QObject* parent) : QObject(parent) {}

BackgroundVerification::~BackgroundVerification() { Stop(); }

void BackgroundVerification::Start(RecordingFiles* files) {
  Stop();
  if (files == nullptr || files->FileCount() == 0) return;
  files_ = files;
  job_ = std::make_unique<VerificationJob>(*files);
  connect(job_.get(), &VerificationJob::progress, this, [this](int done, int) { OnProgress(done); });
  connect(job_.get(), &VerificationJob::finished, this, &BackgroundVerification::OnFinished);
  job_->Start();
  emit changed();
}

// Whatever the job had still to say goes with it.
void BackgroundVerification::Stop() {
  const bool had = job_ != nullptr;
  job_.reset();
  files_ = nullptr;
  adopted_ = 0;
  objected_ = 0;
  finished_ = false;
  problems_ = ProblemList();
  if (had) emit changed();
}

bool BackgroundVerification::IsRunning() const { return job_ != nullptr && !finished_; }

int BackgroundVerification::Total() const { return job_ ? job_->Total() : 0; }

int BackgroundVerification::ProblemCount() const {
  return finished_ ? static_cast<int>(problems_.Problems().size()) : objected_;
}

void BackgroundVerification::OnProgress(int done) {
  if (done == adopted_) return;
  AdoptUpTo(done);
  emit changed();
}

void BackgroundVerification::OnFinished(const VerificationResult& result) {
  AdoptUpTo(result.examined);
  if (result.complete) {
    problems_ = result.problems;
    finished_ = true;
    emit finished();
  }
  emit changed();
}

void BackgroundVerification::AdoptUpTo(int done) {
  for (int file = adopted_; file < done; ++file) {
    const ImageRecord examined = job_->Result(file);
    files_->AdoptExamined(file, examined);
    if (IsProblemStatus(examined.status)) ++objected_;
  }
  adopted_ = std::max(adopted_, done);
}

void BackgroundVerification::AdoptIntoRecords() {
  if (!job_) return;
  for (int file = 0; file < adopted_; ++file) files_->AdoptExamined(file, job_->Result(file));
}

std::vector<ProblemMark> BackgroundVerification::Marks() const {
  std::vector<ProblemMark> marks;
  if (!finished_ || problems_.Empty()) return marks;
  for (const RecordingProblem& problem : problems_.Problems()) {
    const int index = files_->IndexOfFile(problem.fileIndex);
    if (index >= 0) marks.push_back(ProblemMark{index, problem.altered, problem.HasAnomaly()});
  }
  // The list holds its files in ascending order, so the marks are too.
  return marks;
}

}  // namespace selvo
