// The document's background verification: starting and stopping the check,
// taking its results into the records, and the problems it leaves behind.
#include <chrono>

#include "doc/CSelvoViewerDoc.h"
#include "doc/VerificationJob.h"
#include "source/FolderImageSource.h"
#include "source/ShiftJis.h"

namespace selvo {

namespace {
// How often the user-interface thread collects what the check has found.
constexpr std::chrono::milliseconds kVerificationPollInterval{200};
}  // namespace

bool CSelvoViewerDoc::IsVerifying() const { return verification_ != nullptr && !verified_; }

int CSelvoViewerDoc::VerificationTotal() const { return verification_ ? verification_->Total() : 0; }

int CSelvoViewerDoc::VerificationProblemCount() const {
  return verified_ ? static_cast<int>(problems_.Problems().size()) : verificationProblems_;
}

void CSelvoViewerDoc::StartVerification() {
  StopVerification();
  auto* folder = dynamic_cast<FolderImageSource*>(source_.get());
  if (folder == nullptr || folder->FileCount() == 0) return;
  verification_ = std::make_unique<VerificationJob>(*folder);
  if (!verificationPoll_.isActive()) {
    verificationPoll_.setInterval(kVerificationPollInterval);
    connect(&verificationPoll_, &QTimer::timeout, this, &CSelvoViewerDoc::TakeVerificationResults,
            Qt::UniqueConnection);
    verificationPoll_.start();
  }
  emit verificationChanged();
}

// Before the source goes: the job's thread reads it.
void CSelvoViewerDoc::StopVerification() {
  verificationPoll_.stop();
  const bool had = verification_ != nullptr;
  if (verification_) verification_->Stop();
  verification_.reset();
  verificationAdopted_ = 0;
  verificationProblems_ = 0;
  verified_ = false;
  problems_ = ProblemList();
  if (had) emit verificationChanged();
}

void CSelvoViewerDoc::TakeVerificationResults() {
  auto* folder = dynamic_cast<FolderImageSource*>(source_.get());
  if (!verification_ || folder == nullptr) return;
  const int done = verification_->Done();
  if (done == verificationAdopted_ && !verification_->IsFinished()) return;
  for (int file = verificationAdopted_; file < done; ++file) {
    const ImageRecord examined = verification_->Result(file);
    folder->AdoptExamined(file, examined);
    if (IsProblemStatus(examined.status)) ++verificationProblems_;
  }
  verificationAdopted_ = done;
  if (verification_->IsFinished()) {
    verificationPoll_.stop();
    problems_ = ProblemList(verification_->Total(), [this](int file) { return verification_->Result(file); },
                            folder->StampDisagreements());
    verified_ = true;
    emit commandStatesChanged();
  }
  emit verificationChanged();
}

// A channel choice rebuilds the list, and its records start unexamined.
void CSelvoViewerDoc::AdoptVerifiedRecords() {
  auto* folder = dynamic_cast<FolderImageSource*>(source_.get());
  if (!verification_ || folder == nullptr) return;
  for (int file = 0; file < verificationAdopted_; ++file) folder->AdoptExamined(file, verification_->Result(file));
}

std::string CSelvoViewerDoc::GetCameraTitle(int channel) const {
  const auto* folder = dynamic_cast<const FolderImageSource*>(source_.get());
  if (folder == nullptr || !InfoIndex::IsCameraChannel(channel)) return {};
  const std::string bytes = folder->Index().ChannelTitleBytes(channel);
  return ShiftJisToUtf8(bytes.data(), bytes.size());
}

std::string CSelvoViewerDoc::GetFilePath(int fileIndex) const {
  const auto* folder = dynamic_cast<const FolderImageSource*>(source_.get());
  return folder ? folder->FilePathAt(fileIndex) : std::string();
}

int CSelvoViewerDoc::GetCurrentFileIndex() const {
  const auto* folder = dynamic_cast<const FolderImageSource*>(source_.get());
  return folder ? folder->FileIndexAt(source_->GetPosition()) : -1;
}

// Every problem among the images of the list, whichever camera the current
// image belongs to: one camera's when one is chosen, every shown camera's in
// a split. So the marks hold still while stepping, and Next Problem walks
// them all in list order.
std::vector<ProblemMark> CSelvoViewerDoc::ProblemMarks() const {
  std::vector<ProblemMark> marks;
  const auto* folder = dynamic_cast<const FolderImageSource*>(source_.get());
  if (!verified_ || folder == nullptr || problems_.Empty()) return marks;
  for (const RecordingProblem& problem : problems_.Problems()) {
    const int index = folder->IndexOfFile(problem.fileIndex);
    if (index >= 0) marks.push_back(ProblemMark{index, problem.altered, problem.HasAnomaly()});
  }
  // The list holds its files in ascending order, so the marks are too.
  return marks;
}

// The list position of the nearest problem in the direction of step (+1 or
// -1); -1 when there is none.
int CSelvoViewerDoc::StepToProblem(int step) const {
  const int position = source_->GetPosition();
  const std::vector<ProblemMark> marks = ProblemMarks();
  if (step > 0) {
    for (const ProblemMark& mark : marks) {
      if (mark.index > position) return mark.index;
    }
  } else {
    for (auto it = marks.rbegin(); it != marks.rend(); ++it) {
      if (it->index < position) return it->index;
    }
  }
  return -1;
}

bool CSelvoViewerDoc::GoToNextProblem() { return JumpToProblem(+1); }
bool CSelvoViewerDoc::GoToPreviousProblem() { return JumpToProblem(-1); }

// A jump during play goes on playing from the problem, as a slider jump does.
bool CSelvoViewerDoc::JumpToProblem(int step) {
  if (!source_ || !verified_) return false;
  const int index = StepToProblem(step);
  if (index < 0) return false;
  PausePlayback();
  ShowImage(index);
  ResumePlayback();
  return true;
}

bool CSelvoViewerDoc::ShowFileImage(int fileIndex) {
  const auto* folder = dynamic_cast<const FolderImageSource*>(source_.get());
  if (folder == nullptr) return false;
  const int index = folder->IndexOfFile(fileIndex);
  if (index < 0) return false;
  ShowImage(index);
  return true;
}

}  // namespace selvo
