// The document's side of the background verification: the check
// (BackgroundVerification) starts with a folder recording and stops before
// it closes; the document answers for it and walks from problem to problem.
#include "doc/CSelvoViewerDoc.h"
#include "source/FolderImageSource.h"
#include "source/RecordingFiles.h"
#include "source/ShiftJis.h"

namespace selvo {

bool CSelvoViewerDoc::IsVerifying() const { return verification_.IsRunning(); }

int CSelvoViewerDoc::VerificationTotal() const { return verification_.Total(); }

int CSelvoViewerDoc::VerificationProblemCount() const { return verification_.ProblemCount(); }

void CSelvoViewerDoc::StartVerification() {
  verificationPending_ = verificationHeld_;
  if (!verificationHeld_) verification_.Start(Files());
}

// Before the source goes: the check's thread reads it.
void CSelvoViewerDoc::StopVerification() {
  verificationPending_ = false;
  verification_.Stop();
}

void CSelvoViewerDoc::HoldVerification(bool hold) {
  verificationHeld_ = hold;
  if (!hold && verificationPending_) StartVerification();
}

// A channel choice rebuilds the list, and its records start unexamined.
void CSelvoViewerDoc::AdoptVerifiedRecords() { verification_.AdoptIntoRecords(); }

RecordingFiles* CSelvoViewerDoc::Files() const { return source_ ? source_->Files() : nullptr; }

std::string CSelvoViewerDoc::GetCameraTitle(int channel) const {
  const auto* folder = dynamic_cast<const FolderImageSource*>(source_.get());
  if (folder == nullptr || !InfoIndex::IsCameraChannel(channel)) return {};
  const std::string bytes = folder->Index().ChannelTitleBytes(channel);
  return ShiftJisToUtf8(bytes.data(), bytes.size());
}

std::string CSelvoViewerDoc::GetFilePath(int fileIndex) const {
  const RecordingFiles* files = Files();
  return files ? files->FilePathAt(fileIndex) : std::string();
}

int CSelvoViewerDoc::GetCurrentFileIndex() const {
  const RecordingFiles* files = Files();
  return files ? files->FileIndexAt(source_->GetPosition()) : -1;
}

// Every problem among the images of the list, whichever camera the current
// image belongs to: one camera's when one is chosen, every shown camera's in
// a split. So the marks hold still while stepping, and Next Problem walks
// them all in list order.
std::vector<ProblemMark> CSelvoViewerDoc::ProblemMarks() const { return verification_.Marks(); }

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
  if (!source_ || !IsVerified()) return false;
  const int index = StepToProblem(step);
  if (index < 0) return false;
  PausePlayback();
  ShowImage(index);
  ResumePlayback();
  return true;
}

int CSelvoViewerDoc::GetFileIndexAt(int index) const {
  const RecordingFiles* files = Files();
  return files ? files->FileIndexAt(index) : -1;
}

int CSelvoViewerDoc::ListIndexOfFile(int fileIndex) const {
  const RecordingFiles* files = Files();
  return files ? files->IndexOfFile(fileIndex) : -1;
}

int CSelvoViewerDoc::GetChannelAt(int index) const { return source_ ? source_->GetChannelAt(index) : -1; }

bool CSelvoViewerDoc::ShowFileImage(int fileIndex) {
  const RecordingFiles* files = Files();
  if (files == nullptr) return false;
  const int index = files->IndexOfFile(fileIndex);
  if (index < 0) return false;
  ShowImage(index);
  return true;
}

}  // namespace selvo
