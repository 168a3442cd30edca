// The document's core: its settings, its commands, the current position
// and the queries the windows read. The open flow, the play loops, the disc
// and the background check are in CSelvoViewerDocOpen.cpp,
// CSelvoViewerDocPlay.cpp, CSelvoViewerDocDisc.cpp and
// CSelvoViewerDocVerify.cpp.
#include "doc/CSelvoViewerDoc.h"

#include <QTimer>

#include <algorithm>
#include <iterator>

#include "doc/ImageViewLink.h"
#include "doc/MotionSearches.h"
#include "doc/PlaybackSound.h"
#include "source/FolderImageSource.h"
#include "source/settings/AppSettings.h"
#include "source/text/TimeText.h"

namespace selvo {

CSelvoViewerDoc::CSelvoViewerDoc(const DocumentOptions& options, Notifier& notifier, QObject* parent)
    : QObject(parent),
      notifier_(notifier),
      probeFlags_(options.probeFlags),
      variant_(options.variant),
      checkMode_(options.checkMode),
      logMode_(options.logMode),
      persistSettings_(options.persistSettings),
      motion_(std::make_unique<MotionSearches>(*this)) {
  connect(motion_.get(), &MotionSearches::changed, this, &CSelvoViewerDoc::commandStatesChanged);
  connect(&verification_, &BackgroundVerification::finished, this, &CSelvoViewerDoc::commandStatesChanged);
  connect(&verification_, &BackgroundVerification::changed, this, &CSelvoViewerDoc::verificationChanged);
  LoadSettings();
}

CSelvoViewerDoc::~CSelvoViewerDoc() {
  motion_->disconnect(this);
  StopVerification();
  imageBlock_.reset();
  source_.reset();
  playback_.SetSound(nullptr, 0);
  SaveSettings();
}

void CSelvoViewerDoc::AttachImageView(ImageViewLink* view) { view_ = view; }

// ------------------------------------------------------------------ settings

void CSelvoViewerDoc::LoadSettings() {
  if (persistSettings_) selvo::LoadSettings(variant_, settings_);
}

void CSelvoViewerDoc::SaveSettings() const {
  if (persistSettings_) selvo::SaveSettings(variant_, settings_);
}

bool CSelvoViewerDoc::SetDateDisplay(int dateFormat, int dateDelimiter) {
  if (dateFormat == settings_.dateFormat && dateDelimiter == settings_.dateDelimiter) return false;
  settings_.dateFormat = dateFormat;
  settings_.dateDelimiter = dateDelimiter;
  if (source_) {
    UpdateAllViews();
    emit positionDisplayChanged();
  }
  return true;
}

void CSelvoViewerDoc::SetTimePosition(int position) {
  if (position < 0 || position > 3) return;
  settings_.timePosition = position;
  if (view_) view_->RedrawImageView();
  emit commandStatesChanged();
}

void CSelvoViewerDoc::SetCameraTitleShown(bool shown) {
  cameraTitleShown_ = shown ? 1 : 0;
  if (view_) view_->UpdateImageView();
  emit commandStatesChanged();
}

void CSelvoViewerDoc::SetVerificationMarksOn(bool on) {
  if (IsVerificationMarksOn() == on) return;
  settings_.verificationMarks = on ? 1 : 0;
  emit verificationChanged();
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
      state.checked = id == cmd::kTimeRightDown + settings_.timePosition;
      return true;
    case cmd::kNextProblem:
    case cmd::kPreviousProblem:
      state.enabled = IsVerified() && !Problems().Empty();
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
      state.enabled = IsVerified();
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
      if (!checkMode_) SetVerificationMarksOn(!IsVerificationMarksOn());
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
  return selvo::FormatImageTime(time, settings_.dateFormat, settings_.dateDelimiter);
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

void CSelvoViewerDoc::NoteSoundDeviceMissing() {
  if (soundDeviceMissing_) return;
  soundDeviceMissing_ = true;
  emit soundDeviceMissing();
}

int CSelvoViewerDoc::NearestImageAtTime(CalendarSeconds time) const {
  if (!source_) return -1;
  const bool byCamera = HasChannel(-1);
  const int camera = GetCurrentChannel();
  int nearest = -1;
  CalendarSeconds nearestDistance = 0;
  for (int index = 0, count = GetCount(); index < count; ++index) {
    if (byCamera && source_->GetChannelAt(index) != camera) continue;
    const CalendarSeconds at = source_->GetTimeAt(index);
    if (at == 0) continue;
    const CalendarSeconds distance = at > time ? at - time : time - at;
    if (nearest < 0 || distance < nearestDistance) {
      nearest = index;
      nearestDistance = distance;
    }
  }
  return nearest;
}

}  // namespace selvo
