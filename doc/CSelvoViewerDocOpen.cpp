// The document's open flow for a folder recording: the open dialog, the
// probe, the sound track, the loader thread behind "Searching...", and the
// end of every open (folder or disc) that shows what it found. The disc
// branch is in CSelvoViewerDocDisc.cpp.
#include "doc/CSelvoViewerDoc.h"

#include <QString>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "doc/DocumentPrompts.h"
#include "doc/FolderLoadJob.h"
#include "doc/FolderOpenJob.h"
#include "doc/ImageViewLink.h"
#include "doc/MotionSearches.h"
#include "doc/PlaybackSound.h"
#include "doc/SoundTrackPlayback.h"
#include "source/DroppedPath.h"
#include "source/FolderImageSource.h"
#include "source/FolderRecording.h"
#include "source/Notifier.h"
#include "sound/SoundTrack.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"
#include "source/text/StringTable.h"

namespace selvo {

namespace {

// Keeps openBusy set for the length of one open, nested or not.
class BusyScope {
 public:
  explicit BusyScope(int& flag) : flag_(flag), previous_(flag) { flag_ = 1; }
  ~BusyScope() { flag_ = previous_; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  int& flag_;
  int previous_;
};


std::string FormatNotice(int stringId, const std::string& folder, const std::string& reason = {}) {
  const QString text = UiString(stringId);
  const QString path = QString::fromStdString(folder);
  if (reason.empty()) return text.arg(path).toStdString();
  return text.arg(path, QString::fromStdString(reason)).toStdString();
}

// Why the probe found nothing: the folder is missing, is a file, cannot be
// listed, or simply holds no images.
std::string DescribeFolderWithoutRecording(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(folder, error);
  const bool missing = error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory;
  if (error && !missing) return FormatNotice(str::kFolderUnreadableString, folder, error.message());
  if (!fs::exists(status)) return FormatNotice(str::kFolderMissingString, folder);
  if (!fs::is_directory(status)) return FormatNotice(str::kNotAFolderString, folder);
  fs::directory_iterator listing(folder, error);
  if (error) return FormatNotice(str::kFolderUnreadableString, folder, error.message());
  // A first subfolder that cannot be listed hides the images rather than
  // lacking them.
  FolderRecording recording(folder);
  recording.Probe();
  if (!recording.UnlistedFolder().empty()) {
    return FormatNotice(str::kFolderUnreadableString, recording.UnlistedFolder(), std::strerror(recording.UnlistedError()));
  }
  return FormatNotice(str::kNoRecordingString, folder);
}

CSelvoViewerDoc::OpenOutcome OutcomeOfLoad(FolderLoadJob::Result result) {
  switch (result) {
    case FolderLoadJob::Result::Cancelled:
      return CSelvoViewerDoc::OpenOutcome::Cancelled;
    case FolderLoadJob::Result::Empty:
      return CSelvoViewerDoc::OpenOutcome::Empty;
    case FolderLoadJob::Result::Indexed:
      break;
  }
  return CSelvoViewerDoc::OpenOutcome::Opened;
}

// A folder named relative to the working directory (on the command line)
// means nothing to a dialog opened from elsewhere, nor to the next run.
std::string AbsoluteFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path path = fs::absolute(folder, error);
  if (error) return folder;
  path = path.lexically_normal();
  if (path.has_relative_path() && !path.has_filename()) path = path.parent_path();
  return path.string();
}

}  // namespace

CSelvoViewerDoc::OpenOutcome CSelvoViewerDoc::OnFileOpen() {
  BusyScope busy(openBusy_);
  if (!prompts_) return OpenOutcome::NotOpened;
  const RecordingChoice choice = prompts_->ChooseRecording(settings_.lastOpenFolder);
  switch (choice.kind) {
    case RecordingChoice::Kind::Disc:
      return OpenDisc(choice.path);
    case RecordingChoice::Kind::Folder:
      return OpenFolder(choice.path);
    default:
      return OpenOutcome::NotOpened;
  }
}

CSelvoViewerDoc::OpenOutcome CSelvoViewerDoc::OpenFolder(const std::string& folder) {
  BusyScope busy(openBusy_);
  if (!ProbeFolder(folder)) {
    // The recording that was open stays, but the user learns why nothing
    // else happened.
    notifier_.Notify(NoticeKind::Warning, DescribeFolderWithoutRecording(folder));
    return OpenOutcome::NotOpened;
  }
  StopPlaybackForOpen();
  DiscardRecording();
  return LoadFolderRecording(folder);
}

CSelvoViewerDoc::OpenOutcome CSelvoViewerDoc::OpenDroppedPath(const std::string& path) {
  if (openBusy_) return OpenOutcome::NotOpened;
  return OpenFolder(RecordingFolderForDroppedPath(path));
}

bool CSelvoViewerDoc::OpenRecentRecording(const RecordingChoice& recording) {
  // Only a path that is gone counts as missing: a folder that is there
  // without a recording is told by the open flow, and stays listed.
  std::error_code error;
  if (!std::filesystem::exists(recording.path, error) && !error) {
    notifier_.Notify(NoticeKind::Warning, FormatNotice(str::kRecentMissingString, recording.path));
    return false;
  }
  if (recording.kind == RecordingChoice::Kind::Disc)
    OpenDisc(recording.path);
  else
    OpenFolder(recording.path);
  return true;
}

bool CSelvoViewerDoc::ProbeFolder(const std::string& folder) {
  const MediaKind previous = probeFlags_;
  probeFlags_ = MediaKind{};
  FolderRecording recording(folder);
  if (recording.Probe()) probeFlags_ = recording.Kind();
  if (probeFlags_.Any()) return true;
  // Nothing to open: the recording that stays open keeps its own flags.
  probeFlags_ = previous;
  return false;
}

void CSelvoViewerDoc::StopPlaybackForOpen() {
  playback_.SetPlaying(PlaybackState::State::Idle);
  RequestPlaybackStop();
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  GoFirst(true);
}

void CSelvoViewerDoc::DiscardRecording() {
  // A copy range names images of the recording it was set on; on the next
  // one the same numbers are other images.
  copyStart_ = -1;
  copyEnd_ = -1;
  timeLock_.Invalidate();
  StopVerification();
  case_.ForgetRecording();
  motion_->Clear();
  source_.reset();
  playback_.SetSound(nullptr, 0);
  orderCheck_ = 0;
  imageBlock_.reset();
  imageSize_ = 0;
  recordingNotes_.clear();
  // The panes keep copies of the pictures they showed; none of them may
  // outlive the recording while the next one loads.
  if (view_) view_->ResetPanes();
  emit positionDisplayChanged();
}

std::unique_ptr<ImageSource> CSelvoViewerDoc::MakeFolderSource(const MediaKind& kind) {
  if (sourceFactory_) return sourceFactory_(kind, &loaderCancel_);
  return std::make_unique<FolderImageSource>(kind, &loaderCancel_);
}

CSelvoViewerDoc::OpenOutcome CSelvoViewerDoc::LoadFolderRecording(const std::string& folder) {
  sourceKind_ = 0;
  OpenSoundTrack(folder);
  return IndexFolderRecording(folder);
}

CSelvoViewerDoc::OpenOutcome CSelvoViewerDoc::IndexFolderRecording(const std::string& folder) {
  // The windows repaint while "Searching..." is up. Until the loader has let
  // go of the source it builds, every query of theirs finds no recording
  // instead of reading what the loader is still writing.
  std::unique_ptr<ImageSource> loading = MakeFolderSource(probeFlags_);
  if (!loading) {
    FinishEmptyOpen(folder);
    return OpenOutcome::Empty;
  }

  if (prompts_) prompts_->BeginWait();
  const FolderLoadJob::Result result = FolderLoadJob(loaderCancel_).Run(*loading, folder, HasSound() != 0, prompts_);
  if (prompts_) prompts_->EndWait();
  return FinishFolderLoad(folder, OutcomeOfLoad(result), std::move(loading));
}

CSelvoViewerDoc::OpenOutcome CSelvoViewerDoc::OpenFolder(FolderOpenJob& job) {
  BusyScope busy(openBusy_);
  const std::string& folder = job.Folder();
  if (!job.WaitForProbe()) {
    notifier_.Notify(NoticeKind::Warning, DescribeFolderWithoutRecording(folder));
    return OpenOutcome::NotOpened;
  }
  probeFlags_ = job.Kind();
  StopPlaybackForOpen();
  DiscardRecording();
  sourceKind_ = 0;
  OpenSoundTrack(folder);
  // The job laid the images out as its own check of the sound file found.
  // Where the track's open decided otherwise, or a test supplies the
  // sources, the folder is indexed again here.
  if (sourceFactory_ || job.SoundPlayable() != (HasSound() != 0)) {
    job.Cancel();
    return IndexFolderRecording(folder);
  }
  // An index that is done needs neither the wait cursor nor "Searching...".
  const bool waits = prompts_ != nullptr && !job.IsFinished();
  if (waits) prompts_->BeginWait();
  const FolderLoadJob::Result result = FolderLoadJob(loaderCancel_).Await(job, prompts_);
  if (waits) prompts_->EndWait();
  std::unique_ptr<FolderImageSource> images = job.TakeImages();
  if (images) images->SetCancelFlag(&loaderCancel_);
  return FinishFolderLoad(folder, OutcomeOfLoad(result), std::move(images));
}

CSelvoViewerDoc::OpenOutcome CSelvoViewerDoc::FinishFolderLoad(const std::string& folder, OpenOutcome outcome,
                                                               std::unique_ptr<ImageSource> loading) {
  if (outcome == OpenOutcome::Cancelled) {
    FinishCancelledOpen(folder);
    return outcome;
  }
  source_ = std::move(loading);
  if (outcome == OpenOutcome::Empty) {
    FinishEmptyOpen(folder);
    return outcome;
  }
  FinishSuccessfulOpen(folder);
  return OpenOutcome::Opened;
}

void CSelvoViewerDoc::FinishCancelledOpen(const std::string& folder) {
  source_.reset();
  imageBlock_.reset();
  imageSize_ = 0;
  ShowOpenOutcome();
  // The old recording went before the loader started: say so, rather than
  // leave an empty window to explain itself.
  notifier_.Notify(NoticeKind::Information, FormatNotice(str::kOpenCancelledString, folder));
}

void CSelvoViewerDoc::FinishEmptyOpen(const std::string& folder) {
  ShowOpenOutcome();
  notifier_.Notify(NoticeKind::Warning, FormatNotice(str::kNoUsableImagesString, folder));
}

void CSelvoViewerDoc::FinishSuccessfulOpen(const std::string& folder) {
  settings_.lastOpenFolder = AbsoluteFolder(folder);
  NoteIndexProblems();
  GoLast(false);
  GoFirst(true);
  ShowOpenOutcome();
  StartVerification();
  case_.SetRecording(settings_.lastOpenFolder);
  emit recordingOpened(0, QString::fromStdString(settings_.lastOpenFolder));
}

void CSelvoViewerDoc::ShowOpenOutcome() {
  timeLock_.Invalidate();
  if (view_) view_->ResetPanes();
  emit recordingChanged();
  UpdateAllViews();
  emit positionDisplayChanged();
  emit commandStatesChanged();
}

void CSelvoViewerDoc::OpenSoundTrack(const std::string& folder) {
  auto track = std::make_unique<selvo::SoundTrack>(notifier_);
  const int opened = track->Open(folder);
  SetSoundTrack(std::make_unique<SoundTrackPlayback>(std::move(track)), opened);
  // A track that is there and cannot be played leaves the recording silent:
  // the user must learn that from more than an absent sound box.
  FolderRecording recording(folder);
  if (!opened) recording.TrySound();
  if (!recording.SoundProblem().empty()) recordingNotes_.push_back(recording.SoundProblem() + "; played without sound");
}

void CSelvoViewerDoc::NoteIndexProblems() {
  const auto* folder = dynamic_cast<const FolderImageSource*>(source_.get());
  if (folder != nullptr && !folder->Index().Problem().empty()) {
    recordingNotes_.push_back(folder->Index().Problem() + "; shown without cameras and titles");
  }
  if (folder != nullptr && !folder->Index().ForeignChannelText().empty()) {
    recordingNotes_.push_back(folder->Index().ForeignChannelText());
  }
}

}  // namespace selvo
