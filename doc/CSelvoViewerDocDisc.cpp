// The document's recorder-disc operations: the disc branch of the open flow
// and the copy of an image range into a folder (its thread in DiscCopyJob).
#include "doc/CSelvoViewerDoc.h"

#include <filesystem>

#include "doc/DiscCopyJob.h"
#include "doc/DocumentPrompts.h"
#include "doc/ImageViewLink.h"
#include "source/DiscImageSource.h"
#include "source/DiscLog.h"
#include "source/DiscStillSource.h"
#include "source/PathNames.h"
#include "source/text/StringIds.h"
#include "source/text/StringTable.h"

namespace selvo {

// ------------------------------------------------------------------ disc open

CSelvoViewerDoc::OpenOutcome CSelvoViewerDoc::OpenDisc(const std::string& path) {
  const int wasBusy = openBusy_;
  openBusy_ = 1;
  StopPlaybackForOpen();
  DiscardRecording();
  sourceKind_ = 1;
  auto disc = std::make_unique<DiscImageSource>(discNotifier_, DiscLog(), discDeviceFactory_);
  DiscImageSource& opened = *disc;
  source_ = std::move(disc);
  // A drive can take half a minute to spin up and index its tag area; what
  // it has to say waits until the wait cursor is gone.
  discNotifier_.HoldAll();
  if (prompts_) prompts_->BeginWait();
  const bool indexed = opened.Open(path);
  if (indexed) GoFirst(false);
  if (prompts_) prompts_->EndWait();
  discNotifier_.ShowHeld();
  openBusy_ = wasBusy;
  if (!indexed) {
    // The source has told the user why; the empty disc stays until the
    // next open.
    ShowOpenOutcome();
    return OpenOutcome::Empty;
  }
  Refresh();
  ShowOpenOutcome();
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  emit recordingOpened(1, QString::fromStdString(error ? path : absolute.lexically_normal().string()));
  return OpenOutcome::Opened;
}

// ----------------------------------------------------------------- copy range

void CSelvoViewerDoc::SetCopyStart() {
  if (!source_) return;
  copyStart_ = GetPosition() + 1;
}

void CSelvoViewerDoc::SetCopyEnd() {
  if (!source_) return;
  copyEnd_ = GetPosition() + 1;
}

std::string CSelvoViewerDoc::DefaultCopyName() const {
  return source_ ? RangeCopy::DefaultPrefix(GetCurrentTime(), settings_.dateFormat) : std::string();
}

CSelvoViewerDoc::CopyOutcome CSelvoViewerDoc::CopyRange() {
  if (!source_ || !IsCopyRangeValid() || copyBusy_ || IsPlaying()) return CopyOutcome::NotStarted;
  const std::string defaultName = DefaultCopyName();
  AllowClose(false);
  const std::string chosenPath = prompts_ ? prompts_->ChooseCopyDestination(defaultName, settings_.lastSaveFolder) : std::string();
  if (chosenPath.empty()) {
    AllowClose(true);
    return CopyOutcome::NotStarted;
  }
  return CopyRangeTo(chosenPath);
}

CSelvoViewerDoc::CopyOutcome CSelvoViewerDoc::CopyRangeTo(const std::string& chosenPath) {
  if (!source_ || !IsCopyRangeValid() || copyBusy_ || IsPlaying()) return CopyOutcome::NotStarted;
  copyBusy_ = 1;
  AllowClose(false);
  copyPrefix_ = WithoutExtension(FileNameOf(chosenPath));
  settings_.lastSaveFolder = chosenPath;
  copyFolder_ = FolderOf(chosenPath);
  rangeCopy_ = std::make_unique<RangeCopy>(copyStart_, copyEnd_, copyFolder_, copyPrefix_);
  const int shownPosition = GetPosition();
  // The copy thread moves the disc's cursor; until it has ended the view and
  // the panel read a still of what was shown, never the disc itself.
  std::unique_ptr<ImageSource> disc = std::move(source_);
  source_ = std::make_unique<DiscStillSource>(*disc);
  const bool copied = DiscCopyJob(*rangeCopy_, *disc, orderCheck_ != 0, logMode_)
                          .Run(prompts_, chosenPath, copyPrefix_, copyStart_, copyEnd_);
  source_ = std::move(disc);
  const CopyOutcome outcome = copied ? CopyOutcome::Copied : CopyOutcome::Cancelled;
  discNotifier_.ShowHeld();
  if (rangeCopy_->HasFailures() && prompts_) prompts_->ShowCopyFailures(*rangeCopy_);
  TellCopyOutcome(outcome, chosenPath);
  FinishCopy(outcome == CopyOutcome::Copied ? copyEnd_ - 1 : shownPosition);
  return outcome;
}

void CSelvoViewerDoc::TellCopyOutcome(CopyOutcome outcome, const std::string& chosenPath) {
  const std::string written = std::to_string(rangeCopy_->WrittenImages());
  const std::string total = std::to_string(rangeCopy_->ImageCount());
  if (outcome == CopyOutcome::Copied) {
    notifier_.Notify(NoticeKind::Information,
                     FillTableText(LoadString(str::kCopyFinishedText), {written, total, FolderOf(chosenPath)}));
  } else {
    notifier_.Notify(NoticeKind::Information, FillTableText(LoadString(str::kCopyCancelledText), {written, total}));
  }
}

void CSelvoViewerDoc::FinishCopy(int showIndex) {
  copyStart_ = -1;
  copyEnd_ = -1;
  AllowClose(true);
  emit recordingChanged();
  if (source_) {
    source_->Seek(showIndex);
    ReadCurrentImage(ImageSource::kReadDecode, {}, orderCheck_ != 0);
  }
  copyBusy_ = 0;
  UpdateAllViews();
  emit positionDisplayChanged();
  emit commandStatesChanged();
}

}  // namespace selvo
