#include "doc/CSelvoViewerDoc.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <exception>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <limits>
#include <thread>

#include "doc/DocumentPrompts.h"
#include "doc/FolderLoadJob.h"
#include "doc/ImageViewLink.h"
#include "doc/PlaySpeed.h"
#include "doc/PlaybackClock.h"
#include "doc/PlaybackControls.h"
#include "doc/PlaybackEngine.h"
#include "doc/PlaybackSound.h"
#include "doc/SoundModePacing.h"
#include "doc/SoundTrackPlayback.h"
#include "source/DroppedPath.h"
#include "doc/VerificationJob.h"
#include "source/FolderImageSource.h"
#include "source/SoundFile.h"
#include "source/MediaProbe.h"
#include "source/Notifier.h"
#include "source/StampStep.h"
#include "source/settings/AppSettings.h"
#include "source/sound/SoundTrack.h"
#include "source/text/StringIds.h"
#include "source/text/TimeText.h"
#include "source/text/UiText.h"


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
  MediaProbe probe(folder);
  probe.Probe();
  if (!probe.UnlistedFolder().empty()) {
    return FormatNotice(str::kFolderUnreadableString, probe.UnlistedFolder(), std::strerror(probe.UnlistedError()));
  }
  return FormatNotice(str::kNoRecordingString, folder);
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

CSelvoViewerDoc::CSelvoViewerDoc(const DocumentOptions& options, Notifier& notifier, QObject* parent)
    : QObject(parent),
      notifier_(notifier),
      probeFlags_(options.probeFlags),
      variant_(options.variant),
      checkMode_(options.checkMode),
      logMode_(options.logMode),
      persistSettings_(options.persistSettings) {
  LoadSettings();
}

CSelvoViewerDoc::~CSelvoViewerDoc() {
  StopVerification();
  imageBlock_.reset();
  source_.reset();
  playback_.SetSound(nullptr, 0);
  SaveSettings();
}

void CSelvoViewerDoc::AttachImageView(ImageViewLink* view) { view_ = view; }

// ------------------------------------------------------------------ settings

void CSelvoViewerDoc::LoadSettings() {
  if (!persistSettings_) return;
  DisplaySettings settings;
  selvo::LoadSettings(variant_, settings);
  dateFormat_ = settings.dateFormat;
  dateDelimiter_ = settings.dateDelimiter;
  timePosition_ = settings.timePosition;
  lastOpenFolder_ = settings.lastOpenFolder;
  lastSaveFolder_ = settings.lastSaveFolder;
  windowGeometry_ = settings.windowGeometry;
  verificationMarks_ = settings.verificationMarks != 0;
}

void CSelvoViewerDoc::SaveSettings() const {
  if (!persistSettings_) return;
  DisplaySettings settings;
  settings.dateFormat = dateFormat_;
  settings.dateDelimiter = dateDelimiter_;
  settings.timePosition = timePosition_;
  settings.lastOpenFolder = lastOpenFolder_;
  settings.lastSaveFolder = lastSaveFolder_;
  settings.windowGeometry = windowGeometry_;
  settings.verificationMarks = verificationMarks_ ? 1 : 0;
  selvo::SaveSettings(variant_, settings);
}

bool CSelvoViewerDoc::SetDateDisplay(int dateFormat, int dateDelimiter) {
  if (dateFormat == dateFormat_ && dateDelimiter == dateDelimiter_) return false;
  dateFormat_ = dateFormat;
  dateDelimiter_ = dateDelimiter;
  if (source_) {
    UpdateAllViews();
    emit positionDisplayChanged();
  }
  return true;
}

void CSelvoViewerDoc::SetTimePosition(int position) {
  if (position < 0 || position > 3) return;
  timePosition_ = position;
  if (view_) view_->RedrawImageView();
  emit commandStatesChanged();
}

void CSelvoViewerDoc::SetCameraTitleShown(bool shown) {
  cameraTitleShown_ = shown ? 1 : 0;
  if (view_) view_->UpdateImageView();
  emit commandStatesChanged();
}

// ------------------------------------------------------------------ commands

bool CSelvoViewerDoc::UpdateCommand(int id, CommandState& state) const {
  const int paneCount = view_ ? view_->GetPaneCount() : 1;
  const bool channelled = source_ && HasChannel(-1);
  switch (id) {
    case cmd::kFileOpen:
      state.enabled = true;
      return true;
    case cmd::kFileSaveImage:
      state.enabled = imageBlock_ && source_ && paneCount == 1;
      return true;
    case cmd::kFilePrint:
      state.enabled = imageBlock_ && paneCount == 1;
      return true;
    case cmd::kCameraTitle:
      state.enabled = channelled;
      state.checkable = true;
      state.checked = channelled && cameraTitleShown_;
      return true;
    case cmd::kSplit1:
    case cmd::kSplit4:
    case cmd::kSplit9:
    case cmd::kSplit16: {
      const int sides = id - cmd::kSplit1 + 1;
      state.enabled = channelled;
      state.checkable = true;
      state.checked = source_ && paneCount == sides * sides;
      return true;
    }
    case cmd::kLockCamerasToTime:
      state.enabled = channelled;
      state.checkable = true;
      state.checked = lockedToTime_;
      return true;
    case cmd::kTimeRightDown:
    case cmd::kTimeRightUp:
    case cmd::kTimeLeftUp:
    case cmd::kTimeLeftDown:
      state.enabled = true;
      state.checkable = true;
      state.checked = id == cmd::kTimeRightDown + timePosition_;
      return true;
    case cmd::kNextProblem:
    case cmd::kPreviousProblem:
      state.enabled = verified_ && !problems_.Empty();
      return true;
    case cmd::kVerificationMarks:
      // The check shows what is drawn; with the "check" switch the marks
      // are drawn whatever was chosen, and the choice waits for a run
      // without it.
      state.enabled = !checkMode_;
      state.checkable = true;
      state.checked = AreProblemMarksShown();
      return true;
    case cmd::kVerificationSummary:
      state.enabled = verified_;
      return true;
    default:
      return false;
  }
}

bool CSelvoViewerDoc::OnCommand(int id) {
  switch (id) {
    case cmd::kFileOpen:
      OnFileOpen();
      break;
    case cmd::kFileSaveImage:
      if (view_) view_->SaveImage();
      break;
    case cmd::kFilePrint:
      // Posted, so that the menu has closed before the print dialog opens.
      QTimer::singleShot(0, this, [this] {
        if (view_) view_->PrintImage();
      });
      break;
    case cmd::kCameraTitle:
      SetCameraTitleShown(!cameraTitleShown_);
      break;
    case cmd::kSplit1:
    case cmd::kSplit4:
    case cmd::kSplit9:
    case cmd::kSplit16:
      RunSplitCommand(id);
      break;
    case cmd::kTimeRightDown:
    case cmd::kTimeRightUp:
    case cmd::kTimeLeftUp:
    case cmd::kTimeLeftDown:
      SetTimePosition(id - cmd::kTimeRightDown);
      break;
    case cmd::kNextProblem:
      GoToNextProblem();
      break;
    case cmd::kPreviousProblem:
      GoToPreviousProblem();
      break;
    case cmd::kVerificationMarks:
      if (!checkMode_) SetVerificationMarksOn(!verificationMarks_);
      break;
    default:
      return false;
  }
  emit commandStatesChanged();
  return true;
}

void CSelvoViewerDoc::RunSplitCommand(int id) {
  if (!view_) return;
  const int sides = id - cmd::kSplit1 + 1;
  if (view_->GetPaneCount() == sides * sides) return;
  switch (sides) {
    case 1: view_->SetSplit1(); break;
    case 2: view_->SetSplit4(); break;
    case 3: view_->SetSplit9(); break;
    default: view_->SetSplit16(); break;
  }
}

// ------------------------------------------------------ panes locked in time

void CSelvoViewerDoc::SetLockedToTime(bool locked) {
  if (lockedToTime_ == locked) return;
  lockedToTime_ = locked;
  UpdateAllViews();
  emit commandStatesChanged();
}

LockedImage CSelvoViewerDoc::NearestImageOf(int channel) {
  if (!source_ || openBusy_ || copyBusy_) return {};
  return timeLock_.Nearest(*source_, channel, source_->GetPosition());
}

DibPtr CSelvoViewerDoc::DecodeImageAt(int index) {
  if (!source_ || openBusy_ || copyBusy_ || index < 0 || index >= source_->GetCount()) return nullptr;
  const int here = source_->GetPosition();
  if (!source_->SetPosition(index)) return nullptr;
  std::uint32_t size = 0;
  // No order check: the image is looked at, not played.
  ReadOutcome outcome = source_->ReadImage(size, ImageSource::kReadDecode, SaveTarget{}, false, logMode_);
  source_->SetPosition(here);
  return std::move(outcome.block);
}

std::string CSelvoViewerDoc::GetChannelTitleAt(int index) const {
  return source_ ? source_->GetChannelTitle(index) : std::string();
}

// ----------------------------------------------------------------- open flow

CSelvoViewerDoc::OpenOutcome CSelvoViewerDoc::OnFileOpen() {
  BusyScope busy(openBusy_);
  if (!prompts_) return OpenOutcome::NotOpened;
  const RecordingChoice choice = prompts_->ChooseRecording(lastOpenFolder_);
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

bool CSelvoViewerDoc::ProbeFolder(const std::string& folder) {
  const MediaKind previous = probeFlags_;
  probeFlags_ = MediaKind{};
  MediaProbe probe(folder);
  if (probe.Probe()) probeFlags_ = probe.Kind();
  if (probeFlags_.Any()) return true;
  // Nothing to open: the recording that stays open keeps its own flags.
  probeFlags_ = previous;
  return false;
}

void CSelvoViewerDoc::StopPlaybackForOpen() {
  playback_.SetPlaying(PlaybackEngine::State::Idle);
  RequestPlaybackStop();
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  GoFirst(true);
}

void CSelvoViewerDoc::DiscardRecording() {
  // A copy range names images of the recording it was set on; on the next
  // one the same numbers are other images.
  copyStart_ = -1;
  copyEnd_ = -1;
  emit copyRangeChanged();
  timeLock_.Invalidate();
  StopVerification();
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
  if (result == FolderLoadJob::Result::Cancelled) {
    FinishCancelledOpen(folder);
    return OpenOutcome::Cancelled;
  }
  source_ = std::move(loading);
  if (result == FolderLoadJob::Result::Empty) {
    FinishEmptyOpen(folder);
    return OpenOutcome::Empty;
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
  lastOpenFolder_ = AbsoluteFolder(folder);
  NoteIndexProblems();
  if (controls_) controls_->SetPositionRange(GetCount());
  GoLast(false);
  GoFirst(true);
  ShowOpenOutcome();
  StartVerification();
}

void CSelvoViewerDoc::ShowOpenOutcome() {
  timeLock_.Invalidate();
  if (view_) view_->ResetPanes();
  emit recordingChanged();
  UpdateAllViews();
  emit positionDisplayChanged();
  emit commandStatesChanged();
}

void CSelvoViewerDoc::UpdateAllViews() {
  if (view_) view_->UpdateImageView();
}

void CSelvoViewerDoc::AllowClose(bool allowed) { emit closeAllowedChanged(allowed); }

// --------------------------------------------------------- position commands

bool CSelvoViewerDoc::ReadCurrentImage(int mode, const SaveTarget& target, bool orderCheckArgument) {
  if (!source_) return false;
  if (mode == ImageSource::kReadDecode) {
    imageBlock_.reset();
    imageSize_ = 0;
  }
  std::uint32_t size = 0;
  ReadOutcome outcome = source_->ReadImage(size, mode, target, orderCheckArgument, logMode_);
  if (mode == ImageSource::kReadDecode) {
    imageBlock_ = std::move(outcome.block);
    imageSize_ = imageBlock_ ? size : 0;
    return imageBlock_ != nullptr;
  }
  return static_cast<bool>(outcome);
}

void CSelvoViewerDoc::Refresh() {
  if (view_) view_->RedrawImageView();
  emit positionDisplayChanged();
  emit commandStatesChanged();
}

bool CSelvoViewerDoc::GoNext(bool refresh) {
  if (!source_ || source_->GetPosition() + 1 >= source_->GetCount()) return false;
  if (!source_->Forward(1)) return false;
  ReadCurrentImage(ImageSource::kReadDecode, {}, orderCheck_ != 0);
  if (refresh) Refresh();
  return true;
}

bool CSelvoViewerDoc::GoPrevious(bool refresh) {
  if (!source_ || source_->GetPosition() <= 0) return false;
  if (!source_->Backward(1)) return false;
  ReadCurrentImage(ImageSource::kReadDecode, {}, orderCheck_ != 0);
  if (refresh) Refresh();
  return true;
}

bool CSelvoViewerDoc::GoFirst(bool refresh) {
  if (!source_ || source_->GetCount() <= 0) return false;
  if (!source_->First()) return false;
  ReadCurrentImage(ImageSource::kReadDecode, {}, orderCheck_ != 0);
  if (PlaybackSound* sound = playback_.Sound()) sound->SeekToStart();
  if (refresh) Refresh();
  return true;
}

bool CSelvoViewerDoc::GoLast(bool refresh) {
  if (!source_) return false;
  if (!source_->Last()) return false;
  ReadCurrentImage(ImageSource::kReadDecode, {}, orderCheck_ != 0);
  if (PlaybackSound* sound = playback_.Sound()) sound->SeekToEnd();
  if (refresh) Refresh();
  return true;
}

// A disc's SetPosition does nothing: its cursor moves only by loading the
// record header there, which Seek does.
void CSelvoViewerDoc::PlaceCursor(int index) {
  if (sourceKind_ == 1)
    source_->Seek(index);
  else
    source_->SetPosition(index);
}

bool CSelvoViewerDoc::SetImage(int index) {
  if (!source_) return false;
  PlaceCursor(index);
  return ReadCurrentImage(ImageSource::kReadDecode, {}, orderCheck_ != 0);
}

bool CSelvoViewerDoc::ShowImage(int index) {
  if (!source_) return false;
  PlaceCursor(index);
  const bool read = ReadCurrentImage(ImageSource::kReadDecode, {}, orderCheck_ != 0);
  Refresh();
  return read;
}

bool CSelvoViewerDoc::SelectChannel(int channel, int paneCount, const int* paneChannels) {
  int channels[16];
  for (int i = 0; i < 16; ++i) channels[i] = paneChannels ? paneChannels[i] : -9;
  return SelectChannel(channel, paneCount, channels);
}

bool CSelvoViewerDoc::SelectChannel(int channel, int paneCount, int* paneChannels) {
  if (!source_) return false;
  PausePlayback();
  const int key = source_->GetInfoIndex(-1);
  int fallback[16];
  std::fill(std::begin(fallback), std::end(fallback), -9);
  int* channels = paneChannels ? paneChannels : fallback;
  if (!source_->SelectChannels(channel, paneCount, channels)) {
    AbandonPause();
    return false;
  }
  timeLock_.Invalidate();
  AdoptVerifiedRecords();
  if (controls_) controls_->SetPositionRange(source_->GetCount());
  GoFirst(false);
  GoLast(false);
  int index = key;
  if (paneCount == 1) {
    if (channel != -1) index = source_->RecordForInfoIndex(source_->FindChannelForward(channel, key));
  } else {
    int first = -9;
    for (int i = 0; i < 16; ++i) {
      if (channels[i] != -9) {
        first = channels[i];
        break;
      }
    }
    const int info = IsPlayingReverse() ? source_->FindChannelBackward(first, key) : source_->FindChannelForward(first, key);
    index = source_->RecordForInfoIndex(info);
  }
  SetImage(index);
  if (controls_) controls_->SetPositionSlider(index + 1);
  Refresh();
  ResumePlayback();
  return true;
}

// ------------------------------------------------------------------- queries

DibPtr CSelvoViewerDoc::CopyImageBlock() const {
  if (!imageBlock_ || imageSize_ == 0) return nullptr;
  return imageBlock_->Clone();
}

int CSelvoViewerDoc::GetPosition() const { return source_ ? source_->GetPosition() : 0; }
int CSelvoViewerDoc::GetCount() const { return source_ ? source_->GetCount() : 0; }
int CSelvoViewerDoc::GetCurrentStatus() const { return source_ ? source_->GetStatus() : -1; }
int CSelvoViewerDoc::GetStatusAt(int index) const { return source_ ? source_->GetStatusAt(index) : -1; }
CalendarSeconds CSelvoViewerDoc::GetCurrentTime() const { return source_ ? source_->GetTime() : 0; }
int CSelvoViewerDoc::GetCurrentChannel() const { return source_ ? source_->GetChannel() : 0; }
int CSelvoViewerDoc::GetFirstChannel() const { return source_ ? source_->FirstChannel() : -1; }
bool CSelvoViewerDoc::HasChannel(int channel) const { return source_ && source_->HasChannel(channel); }

int CSelvoViewerDoc::GetChannelImageCount(int channel) const {
  const auto* folder = dynamic_cast<const FolderImageSource*>(source_.get());
  if (folder == nullptr || !HasChannel(channel) || !InfoIndex::IsCameraChannel(channel)) return 0;
  return static_cast<int>(std::min<std::uint32_t>(folder->Index().ChannelImageCount(channel), 0x7FFFFFFF));
}
bool CSelvoViewerDoc::IsCameraTitleShown() const { return HasChannel(-1) && cameraTitleShown_; }

std::string CSelvoViewerDoc::GetCurrentChannelTitle() const {
  return source_ ? source_->GetChannelTitle(source_->GetPosition()) : std::string();
}

std::string CSelvoViewerDoc::GetCurrentPath() const {
  if (!source_ || sourceKind_ == 1) return {};
  if (auto* folderSource = dynamic_cast<FolderImageSource*>(source_.get()))
    return folderSource->GetPathAt(folderSource->GetPosition());
  return {};
}

std::string CSelvoViewerDoc::FormatImageTime(CalendarSeconds time) const {
  return selvo::FormatImageTime(time, dateFormat_, dateDelimiter_);
}

CalendarSeconds CSelvoViewerDoc::GetTimeAt(int index) const { return source_ ? source_->GetTimeAt(index) : 0; }

std::uint32_t CSelvoViewerDoc::GetStampAt(int index) const { return source_ ? source_->GetStampAt(index) : 0; }

std::string CSelvoViewerDoc::GetTimeTextAt(int index) const {
  return source_ ? FormatImageTime(source_->GetTimeAt(index)) : std::string();
}

std::string CSelvoViewerDoc::GetCurrentTimeText() const {
  return source_ ? GetTimeTextAt(source_->GetPosition()) : std::string();
}

std::string CSelvoViewerDoc::GetChannelLabel() const { return ChannelLabel(source_ ? source_->GetChannel() : 0); }

// ------------------------------------------------------------------ playback

namespace {

// Milliseconds from the first image's stamp to another's, by the core's
// rule: a wrap of the clock is time going on, a stamp out of order is
// negative and makes its image due at once instead of in 49 days.
std::int64_t StampOffset(ImageSource& source, int index, std::uint32_t firstStamp) {
  return StampStepMs(firstStamp, source.GetStampAt(index));
}

// IndexForStamp takes a stamp offset; time before the first image is 0.
int IndexForOffset(ImageSource& source, std::int64_t offsetMs) {
  const std::int64_t clamped = std::clamp<std::int64_t>(offsetMs, 0, std::numeric_limits<std::uint32_t>::max());
  return source.IndexForStamp(static_cast<std::uint32_t>(clamped));
}

// The image to be on screen when the sound has played offsetMs: the last
// one stamped at or before it, -1 before the first. IndexForStamp names
// the image after that one and answers 0 as well when none comes after.
int IndexHeardAt(ImageSource& source, std::int64_t offsetMs, std::uint32_t firstStamp) {
  const int count = source.GetCount();
  if (count == 0) return -1;
  const int next = IndexForOffset(source, offsetMs);
  if (next == 0 && StampOffset(source, count - 1, firstStamp) <= offsetMs) return count - 1;
  return next - 1;
}

}  // namespace

void CSelvoViewerDoc::SetPlaybackClock(PlaybackClock* clock) { playback_.SetClock(clock); }

void CSelvoViewerDoc::OpenSoundTrack(const std::string& folder) {
  auto track = std::make_unique<selvo::SoundTrack>(notifier_);
  const int opened = track->Open(folder);
  SetSoundTrack(std::make_unique<SoundTrackPlayback>(std::move(track)), opened);
  // A track that is there and cannot be played leaves the recording silent:
  // the user must learn that from more than an absent sound box.
  bool playable = false;
  const std::string problem = opened ? std::string() : SoundFileProblem(folder, playable);
  if (!problem.empty()) recordingNotes_.push_back(problem + "; played without sound");
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

void CSelvoViewerDoc::SetSoundTrack(std::unique_ptr<PlaybackSound> sound, int hasSound) {
  playback_.SetSound(std::move(sound), hasSound);
  orderCheck_ = playback_.HasSound();
}

int CSelvoViewerDoc::SpeedPosition() const { return controls_ ? controls_->SpeedPosition() : kInitialSpeed; }

bool CSelvoViewerDoc::ChooseSoundMode() const {
  const bool onePane = !view_ || view_->GetPaneCount() == 1;
  return controls_ && controls_->IsSoundWanted(IsTwoChannelSound()) && HasSound() && playback_.Sound() && onePane;
}

bool CSelvoViewerDoc::StepFailedOnDrive(bool stepped) {
  if (stepped || !source_ || !source_->IsDriveNotReady()) return false;
  playback_.SetStopRequested(true);
  return true;
}

void CSelvoViewerDoc::ShowPlayedStep() {
  if (view_) view_->RedrawImageView();
  emit positionDisplayChanged();
}

void CSelvoViewerDoc::FinishLoop(bool resumePending, bool updateCopyButton) {
  // A loop that ended for a pause leaves the controls in their playing
  // state until the posted restart comes.
  if (resumePending) return;
  AllowClose(true);
  if (!controls_) return;
  if (updateCopyButton) controls_->UpdateStartCopyButton();
  controls_->RestoreIdleEnabling(HasSound() != 0);
  emit commandStatesChanged();
}

bool CSelvoViewerDoc::PlayForward() {
  if (!source_) return false;
  playback_.SetPlaying(PlaybackEngine::State::Forward);
  AllowClose(false);
  emit commandStatesChanged();
  PlaybackClock& clock = playback_.Clock();

  const std::int64_t began = clock.NowMs();
  const bool soundMode = ChooseSoundMode();
  // The sound track starts with the recording's first image, which need not
  // be in a list of one camera's images.
  const std::uint32_t firstStamp = source_->RecordingStartStamp();
  // The loop touches only the track it started, even if an open run from
  // inside the loop has replaced it.
  PlaybackSound* const sound = soundMode ? playback_.Sound() : nullptr;
  if (controls_) controls_->ShowForwardPlayMode(soundMode);
  int step = soundMode ? 1 : SkipCountForSpeed(SpeedPosition());

  std::int64_t now = clock.NowMs();
  std::int64_t dueTime = now;
  const int start = source_->GetPosition();
  SoundModePacing pacing(began, soundMode ? StampOffset(*source_, start, firstStamp) : 0);
  if (start + step < source_->GetCount()) {
    if (soundMode) {
      const std::int64_t offset = StampOffset(*source_, start, firstStamp);
      const std::int64_t length = sound->GetLength();
      const bool started = length > offset && sound->Play(offset, controls_->GetChannelMask());
      now = clock.NowMs();
      pacing.SoundStarted(started, length, sound->GetPosition());
      dueTime = pacing.ReadTime(StampOffset(*source_, start + step, firstStamp));
    } else {
      dueTime = began + FrameIntervalForSpeed(SpeedPosition());
    }
  }
  // The position of the track this loop started; once another has taken
  // its place, nothing is heard of it.
  const auto soundPosition = [&] {
    if (sound == playback_.Sound()) return sound->GetPosition();
    pacing.SoundStarted(false, 0, 0);
    return std::int64_t{0};
  };

  bool firstPass = true;
  while (source_ && source_->GetPosition() + 1 < source_->GetCount()) {
    clock.HandlePendingEvents();
    if (IsStopRequested() || !source_) break;
    if (!firstPass) now = clock.NowMs();
    firstPass = false;
    if (dueTime > now) {
      clock.WaitForEventsUntil(dueTime);
      continue;
    }
    // After a late wake-up or a slow read, the picture read is the one the
    // sound (or, without it, the clock) has reached; those whose time
    // passed meanwhile are skipped rather than flashed by.
    if (soundMode) {
      const int next = source_->GetPosition() + 1;
      if (next < source_->GetCount() && now > pacing.ShowTime(StampOffset(*source_, next, firstStamp))) {
        const std::int64_t reached = pacing.ReachedOffset(now, soundPosition());
        step = std::max(1, IndexHeardAt(*source_, reached, firstStamp) - source_->GetPosition());
      }
    }
    const int target = source_->GetPosition() + step;
    if (target >= source_->GetCount()) break;
    const std::int64_t readStart = clock.NowMs();
    const bool stepped =
        source_->Forward(step) && ReadCurrentImage(ImageSource::kReadDecode, {}, soundMode);
    StepFailedOnDrive(stepped);
    if (soundMode) {
      pacing.NoteReadCost(clock.NowMs() - readStart);
      const std::int64_t offset = StampOffset(*source_, target, firstStamp);
      // Read ahead of its stamp, the picture waits for it; a stop or a new
      // position that comes meanwhile ends the loop with the picture shown.
      const std::int64_t showAt = pacing.ShowTime(offset);
      while (source_ && !IsStopRequested() && clock.NowMs() < showAt) clock.WaitForEventsUntil(showAt);
      if (!source_) break;
      if (!IsStopRequested()) pacing.FollowSound(offset, soundPosition());
    }
    ShowPlayedStep();
    if (IsStopRequested()) break;
    if (soundMode) {
      step = 1;
      if (target + 1 >= source_->GetCount()) break;
      dueTime = pacing.ReadTime(StampOffset(*source_, target + 1, firstStamp));
    } else {
      // Measured from the start of this step: a slow read shortens the wait.
      step = SkipCountForSpeed(SpeedPosition());
      dueTime = FrameIntervalForSpeed(SpeedPosition()) + now;
    }
  }

  if (soundMode) {
    const bool stopped = IsStopRequested();
    if (stopped) playback_.SetStopRequested(false);
    if (sound == playback_.Sound()) {
      if (stopped) {
        sound->Pause();
      } else {
        sound->Stop();
      }
    }
  }
  FinishLoop(playback_.PendingResume() == PlaybackEngine::State::Forward, true);
  playback_.SetPlaying(PlaybackEngine::State::Idle);
  PostRestartAfterLoop();
  emit commandStatesChanged();
  return true;
}

bool CSelvoViewerDoc::PlayReverse() {
  if (!source_) return false;
  playback_.SetPlaying(PlaybackEngine::State::Reverse);
  AllowClose(false);
  emit commandStatesChanged();
  PlaybackClock& clock = playback_.Clock();

  // Every exit clears the stop request it answers.
  auto stopAnswered = [this] {
    if (!IsStopRequested() && source_) return false;
    playback_.SetStopRequested(false);
    return true;
  };
  while (source_ && source_->GetPosition() >= 0) {
    clock.HandlePendingEvents();
    if (stopAnswered()) break;
    const std::int64_t start = clock.NowMs();
    const int step = SkipCountForSpeed(SpeedPosition());
    // The first image is reached only when a step lands on it.
    if (source_->GetPosition() - step < 0) break;
    const bool stepped = source_->Backward(step) && ReadCurrentImage(ImageSource::kReadDecode, {}, false);
    StepFailedOnDrive(stepped);
    if (stopAnswered()) break;
    ShowPlayedStep();
    // Waiting in the event loop keeps the window responsive for the whole
    // interval, which is a full second at the slowest speed.
    const std::int64_t dueTime = start + FrameIntervalForSpeed(SpeedPosition());
    while (!IsStopRequested() && clock.NowMs() < dueTime) clock.WaitForEventsUntil(dueTime);
    if (stopAnswered()) break;
  }
  FinishLoop(playback_.PendingResume() == PlaybackEngine::State::Reverse, false);
  playback_.SetPlaying(PlaybackEngine::State::Idle);
  PostRestartAfterLoop();
  emit commandStatesChanged();
  return true;
}

bool CSelvoViewerDoc::RunForwardPlay() {
  // A Play click queued behind a slow step arrives inside the running loop;
  // a second loop started there would outlive the stop meant for the first.
  if (IsPlaying()) return false;
  playback_.ForgetResume();
  playback_.SetStopRequested(false);
  const bool played = PlayForward();
  playback_.SetStopRequested(true);
  return played;
}

bool CSelvoViewerDoc::RunReversePlay() {
  if (IsPlaying()) return false;
  playback_.ForgetResume();
  playback_.SetStopRequested(false);
  const bool played = PlayReverse();
  playback_.SetStopRequested(true);
  return played;
}

void CSelvoViewerDoc::RequestPlaybackStop() {
  if (source_) playback_.SetStopRequested(true);
}

void CSelvoViewerDoc::PausePlayback() {
  playback_.Pause();
}

void CSelvoViewerDoc::PostRestartAfterLoop() {
  const PlaybackEngine::State restart = playback_.TakeRestartAfterLoop();
  if (restart != PlaybackEngine::State::Idle && !IsPlaying()) PostPanelCommand(restart == PlaybackEngine::State::Forward);
}

void CSelvoViewerDoc::AbandonPause() {
  // Nothing will resume: the loop, or this call once it has returned, must
  // leave the controls idle and let the window close again.
  playback_.ForgetResume();
  if (!IsPlaying()) FinishLoop(false, true);
}

void CSelvoViewerDoc::ResumePlayback() {
  switch (playback_.PendingResume()) {
    case PlaybackEngine::State::Forward: PostPanelCommand(true); break;
    case PlaybackEngine::State::Reverse: PostPanelCommand(false); break;
    case PlaybackEngine::State::Idle: break;
  }
}

void CSelvoViewerDoc::PostPanelCommand(bool forward) {
  QMetaObject::invokeMethod(
      this,
      [this, forward] {
        // The paused loop may still be on the stack when the restart comes
        // round within the same dispatch; start only once it has returned.
        if (IsPlaying()) {
          playback_.SetRestartAfterLoop(forward ? PlaybackEngine::State::Forward : PlaybackEngine::State::Reverse);
          return;
        }
        if (!controls_) return;
        if (forward) {
          controls_->OnPlay();
        } else {
          controls_->OnReversePlay();
        }
      },
      Qt::QueuedConnection);
}

}  // namespace selvo
