#include "panel/CSelvoFormView.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>

#include <algorithm>
#include <cstdio>

#include "doc/CSelvoViewerDoc.h"
#include "doc/MotionSearches.h"
#include "doc/PlaySpeed.h"
#include "panel/PanelEnabling.h"
#include "panel/PanelLayout.h"
#include "source/StatusVerdict.h"
#include "sound/MixerVolume.h"
#include "source/text/StringIds.h"
#include "source/text/TimeText.h"
#include "source/text/UiText.h"
#include "view/ActivityStrip.h"
#include "view/CSelvoViewerView.h"
#include "view/FixedSplitter.h"
#include "view/SkinButton.h"
#include "view/SkinToggleButton.h"
#include "view/SpeedSlider.h"
#include "view/TipSlider.h"

namespace selvo {

namespace {

// The recorder viewer's posted WM_COMMAND, as a Qt event in the user range.
constexpr int kUmCommand = 0x111;
QEvent::Type CommandEventType() { return static_cast<QEvent::Type>(QEvent::User + kUmCommand); }

class CommandEvent : public QEvent {
 public:
  explicit CommandEvent(int id) : QEvent(CommandEventType()), id_(id) {}
  int Id() const { return id_; }

 private:
  int id_;
};

constexpr const char* kNoTimeText = "----.--.-- --:--:--";
constexpr const char* kNoCopyNumber = "  ---  ";

}  // namespace

CSelvoFormView::CSelvoFormView(CSelvoViewerDoc& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
  setObjectName(QStringLiteral("controlPanel"));
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);
  QFont panelFont = font();
  panelFont.setPointSize(CurrentUiLanguage() == UiLanguage::Japanese ? 9 : 8);
  setFont(panelFont);
  setMinimumHeight(kPanelHeight);
  CreateControls();
  PlaceControls();
  readOutDue_.setSingleShot(true);
  readOutDue_.setTimerType(Qt::PreciseTimer);
  connect(&readOutDue_, &QTimer::timeout, this, &CSelvoFormView::UpdatePositionDisplay);
  connect(&doc_, &CSelvoViewerDoc::positionDisplayChanged, this, &CSelvoFormView::FollowPosition);
  // A loop's last picture is shown in full when it stops, not 40 ms later.
  connect(&doc_, &CSelvoViewerDoc::commandStatesChanged, this, [this] {
    if (readOutDue_.isActive() && !doc_.IsPlaying()) UpdatePositionDisplay();
  });
  connect(&doc_, &CSelvoViewerDoc::recordingChanged, this, &CSelvoFormView::OnRecordingChanged);
  connect(&doc_, &CSelvoViewerDoc::verificationChanged, this, &CSelvoFormView::UpdateProblemMarks);
  connect(&doc_.Case(), &CaseSession::bookmarksChanged, this, [this] { UpdateBookmarkMarks(true); });
  connect(&doc_.Motion(), &MotionSearches::changed, this, &CSelvoFormView::UpdateActivityStrip);
  connect(&doc_, &CSelvoViewerDoc::soundDeviceMissing, this, &CSelvoFormView::ShowSoundUnavailable);
}

// The document outlives the window: it must not reach a panel that is gone.
CSelvoFormView::~CSelvoFormView() { doc_.AttachPlaybackControls(nullptr); }

QWidget* CSelvoFormView::Control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

void CSelvoFormView::SetEnabled(int id, bool enabled) {
  if (QWidget* control = Control(id)) control->setEnabled(enabled);
}

void CSelvoFormView::SetVisible(int id, bool visible) {
  if (QWidget* control = Control(id)) control->setVisible(visible);
}

void CSelvoFormView::SetText(int id, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(Control(id))) label->setText(text);
}

void CSelvoFormView::RepaintNow() { repaint(); }

void CSelvoFormView::Click(int id) {
  auto* button = qobject_cast<QAbstractButton*>(Control(id));
  if (button && button->isEnabled()) button->click();
}

void CSelvoFormView::PostCommand(int id) { QCoreApplication::postEvent(this, new CommandEvent(id)); }

// ------------------------------------------------------------ initial update

void CSelvoFormView::OnInitialUpdate() {
  if (initialUpdateDone_) return;
  initialUpdateDone_ = true;
  LoadSkins();
  PlaceControls();
  FitHeightToVisibleControls();
  ApplyTooltips();
  speedSlider_->setValue(kInitialSpeed);
  volumeTimerId_ = startTimer(kVolumeTimerMs);
  channel1Box_->setChecked(true);
  channel2Box_->setChecked(false);
  channel1Box_->hide();
  channel2Box_->hide();
  soundOn_ = 1;
  soundButton_->SetOn(true);
  ResetChannelDisplay();
  if (auto* view = ImageView()) connect(view, &CSelvoViewerView::paneLayoutChanged, this, &CSelvoFormView::OnPaneLayoutChanged);
  // Nothing to play or step until a recording is open.
  ApplyEnabling(ModeFor(doc_.GetCount() > 0, PlayLoop::None));
  UpdateSoundControls(doc_.IsTwoChannelSound(), doc_.HasSound());
  UpdatePositionDisplay();
}

void CSelvoFormView::OnPreviousKey() { Click(kPrevious); }
void CSelvoFormView::OnNextKey() { Click(kNext); }

// Home and End act only when the step buttons would: not during play.
void CSelvoFormView::OnFirst() {
  if (Control(kPrevious)->isEnabled() && doc_.GetCount() > 0) doc_.GoFirst(true);
}

void CSelvoFormView::OnLast() {
  if (Control(kNext)->isEnabled() && doc_.GetCount() > 0) doc_.GoLast(true);
}

void CSelvoFormView::OnPlayOrStop() {
  if (doc_.IsPlaying())
    Click(kStop);
  else
    Click(kPlay);
}

void CSelvoFormView::OnReverseOrStop() {
  if (doc_.IsPlayingReverse())
    Click(kStop);
  else
    Click(kReversePlay);
}

void CSelvoFormView::OnSpeedUp() {
  if (speedSlider_->isEnabled()) SetSpeedPosition(SpeedPosition() + 1);
}

void CSelvoFormView::OnSpeedDown() {
  if (speedSlider_->isEnabled()) SetSpeedPosition(SpeedPosition() - 1);
}

// ---------------------------------------------------- read by the play loops

int CSelvoFormView::SpeedPosition() const { return speedSlider_->value(); }
void CSelvoFormView::SetSpeedPosition(int position) { speedSlider_->setValue(position); }

bool CSelvoFormView::IsSoundWanted(bool twoChannel) const {
  if (!twoChannel) return soundButton_->IsOn();
  return channel1Box_->isChecked() || channel2Box_->isChecked();
}

// A one-channel recording plays on both speakers whenever sound is on. (The
// sound button is disabled while playing, so its enabling cannot be the
// test: forward play asks for the mask after it has disabled the button.)
int CSelvoFormView::GetChannelMask() const {
  if (!doc_.IsTwoChannelSound()) return soundButton_->IsOn() ? 3 : 0;
  return (channel1Box_->isChecked() ? 1 : 0) | (channel2Box_->isChecked() ? 2 : 0);
}

void CSelvoFormView::ShowForwardPlayMode(bool soundMode) {
  ApplyEnabling(ModeFor(true, soundMode ? PlayLoop::ForwardWithSound : PlayLoop::Forward));
}

// Start Copy follows the copy range, whichever loop ended. Sound plays only
// with one pane, so in a split its controls stay off.
void CSelvoFormView::RestoreIdleEnabling(bool hasSound) {
  PanelFacts facts = Facts();
  facts.hasSound = hasSound;
  ApplyEnabling(PanelMode::Stopped, facts);
}

void CSelvoFormView::UpdateStartCopyButton() { ApplyEnabling(PanelMode::CopyRangeChanged); }

PanelFacts CSelvoFormView::Facts() const {
  PanelFacts facts;
  facts.hasSound = doc_.HasSound() != 0;
  facts.twoChannelSound = doc_.IsTwoChannelSound() != 0;
  facts.soundAllowed = PaneCount() == 1;
  facts.copyRangeValid = doc_.IsCopyRangeValid();
  facts.soundDevice = !doc_.IsSoundDeviceMissing();
  return facts;
}

void CSelvoFormView::ApplyEnabling(PanelMode mode) { ApplyEnabling(mode, Facts()); }

void CSelvoFormView::ApplyEnabling(PanelMode mode, const PanelFacts& facts) {
  for (int id : EnablingControls()) {
    if (const std::optional<bool> enabled = EnabledIn(mode, id, facts)) SetEnabled(id, *enabled);
  }
  emit enablingChanged();
}

void CSelvoFormView::SetPositionRange(int count) { positionSlider_->SetImageCount(count); }

// ------------------------------------------- published by document and view

CSelvoViewerView* CSelvoFormView::ImageView() const { return dynamic_cast<CSelvoViewerView*>(doc_.ImageView()); }

int CSelvoFormView::PaneCount() const {
  const ImageViewLink* view = doc_.ImageView();
  return view ? view->GetPaneCount() : 1;
}

void CSelvoFormView::RedrawImageView() {
  if (ImageViewLink* view = doc_.ImageView()) view->RedrawImageView();
}

QString CSelvoFormView::ImageTimeText(int index, bool dashMode) const {
  if (dashMode && !VerdictForStatus(doc_.GetStatusAt(index)).HasValidTime()) return QString::fromLatin1(kNoTimeText);
  // A disc knows only the time of the image it read last; elsewhere a time of
  // 0 means none, and 1970 would be a false reading.
  CalendarSeconds time = doc_.GetTimeAt(index);
  if (time == 0 && index == doc_.GetPosition()) time = doc_.GetCurrentTime();
  if (time == 0) return QString::fromLatin1(kNoTimeText);
  return QString::fromStdString(doc_.FormatImageTime(time));
}

// Nobody reads a number that changes fifty times a second, and repainting
// the read-outs and the slider for every picture cost a sixth of showing it.
// A read-out held back waits for the next picture, which comes before the
// view paints it, so both reach the window in one paint; the timer only
// catches a play that stalls (a slow read) before its next picture.
void CSelvoFormView::FollowPosition() {
  if (doc_.IsPlaying() && sinceReadOut_.isValid()) {
    const qint64 since = sinceReadOut_.elapsed();
    if (since < kReadOutIntervalMs) {
      if (!readOutDue_.isActive()) readOutDue_.start(static_cast<int>(2 * kReadOutIntervalMs - since));
      return;
    }
  }
  UpdatePositionDisplay();
}

void CSelvoFormView::UpdatePositionDisplay() {
  readOutDue_.stop();
  sinceReadOut_.start();
  if (!doc_.HasSource()) {
    for (int id : {kFirstTime, kLastTime, kCurrentTime, kImageNumber, kChannelSingle, kChannelPane1, kChannelPane2,
                   kChannelPane3, kChannelPane4})
      SetText(id, QString());
    positionSlider_->SetPositionIndex(0);
    return;
  }
  const int current = doc_.GetPosition();
  const int count = doc_.GetCount();
  const bool dashMode = doc_.GetFirstChannel() == -9;
  // A channel choice changes the list's length: the slider follows it.
  if (count > 0 && positionSlider_->maximum() != count) positionSlider_->SetImageCount(count);
  if (count > 0) {
    SetText(kFirstTime, ImageTimeText(0, dashMode));
    SetText(kLastTime, ImageTimeText(count - 1, dashMode));
    SetText(kCurrentTime, ImageTimeText(current, dashMode));
  } else {
    for (int id : {kFirstTime, kLastTime, kCurrentTime}) SetText(id, QString());
  }
  positionSlider_->SetPositionIndex(current);
  UpdateProblemMarks();
  UpdateBookmarkMarks(false);
  UpdateActivityStrip();

  const int panes = PaneCount();
  CSelvoViewerView* view = ImageView();
  const auto paneLabel = [&](int pane) {
    const std::string text = view ? ChannelLabel(view->GetPaneChannel(pane)) : doc_.GetChannelLabel();
    return QString::fromStdString(text);
  };
  if (panes == 1) {
    SetText(kChannelSingle, paneLabel(0));
  } else if (panes == 4) {
    const int fields[] = {kChannelPane1, kChannelPane2, kChannelPane3, kChannelPane4};
    for (int pane = 0; pane < 4; ++pane) SetText(fields[pane], paneLabel(pane));
  } else {
    SetText(kChannelSingle, QStringLiteral("--"));
  }
  char number[48];
  std::snprintf(number, sizeof number, "%d / %d", count > 0 ? current + 1 : 0, count);
  SetText(kImageNumber, QString::fromLatin1(number));
}

// The marks follow the list; the document is asked again only when it or
// the problems changed, not on every step of a play loop.
void CSelvoFormView::UpdateProblemMarks() {
  const bool shown = doc_.HasSource() && doc_.IsVerified() && doc_.AreProblemMarksShown();
  const MarksKey key{shown, doc_.GetCount(), shown ? doc_.LockGeneration() : -1,
                     shown ? doc_.VerificationProblemCount() : 0};
  if (key == marksKey_) return;
  marksKey_ = key;
  std::vector<int> altered;
  std::vector<int> anomalies;
  if (shown) {
    for (const ProblemMark& mark : doc_.ProblemMarks()) {
      if (mark.altered) altered.push_back(mark.index + 1);
      if (mark.anomaly) anomalies.push_back(mark.index + 1);
    }
  }
  positionSlider_->SetMarks(std::move(altered), std::move(anomalies));
}

// As the problem marks: asked again only when the list or the bookmarks
// changed.
void CSelvoFormView::UpdateBookmarkMarks(bool bookmarksChanged) {
  const std::pair<int, int> key{doc_.GetCount(), doc_.HasSource() ? doc_.LockGeneration() : -1};
  if (!bookmarksChanged && key == bookmarkMarksKey_) return;
  bookmarkMarksKey_ = key;
  std::vector<int> numbers;
  for (int index : doc_.BookmarkIndices()) {
    if (index >= 0) numbers.push_back(index + 1);
  }
  std::sort(numbers.begin(), numbers.end());
  positionSlider_->SetBookmarkMarks(std::move(numbers));
}

// Like the marks: built again only when the list, the camera or the result changed.
void CSelvoFormView::UpdateActivityStrip() {
  const MotionSearches& motion = doc_.Motion();
  std::vector<int> key{doc_.GetCount(), doc_.LockGeneration(), motion.FocusCamera(), motion.Generation()};
  if (key == activityKey_) return;
  activityKey_ = std::move(key);
  std::vector<std::pair<int, int>> events;
  for (const MotionEventInList& event : motion.EventsInList()) events.emplace_back(event.first, event.last);
  activityStrip_->SetActivity(motion.ActivityInList(), std::move(events));
}

void CSelvoFormView::ShowStoppedState() {
  if (doc_.GetCount() <= 0) return;
  doc_.RequestPlaybackStop();
  ApplyEnabling(PanelMode::Stopping);
  RepaintNow();
}

void CSelvoFormView::ShowCopyControls() {
  const bool disc = doc_.SourceKind() != 0;
  copyControlsShown_ = disc;
  for (int id : {kSetCopyStart, kSetCopyEnd, kStartCopy, kCopyStartNumber, kCopyEndNumber}) SetVisible(id, disc);
  // A disc has no sound: its copy controls take the sound controls' place.
  for (int id : {kSound, kVolumeSlider}) SetVisible(id, !disc);
  if (disc) {
    for (int id : {kSoundChannel1, kSoundChannel2}) SetVisible(id, false);
    UpdateStartCopyButton();
  }
  PlaceControls();
  FitHeightToVisibleControls();
  RepaintNow();
}

// The copy row lies below the panel's usual 80 pixels: while it is shown the
// panel grows, and the window never gets narrower than the controls need.
void CSelvoFormView::FitHeightToVisibleControls() {
  setMinimumHeight(panelHeight_);
  if (auto* rows = qobject_cast<FixedSplitter*>(parentWidget())) rows->SetFixedRowHeight(1, panelHeight_);
  QWidget* top = window();
  if (top == this) return;
  const int besidePanel = top->isVisible() ? std::max(0, top->width() - width()) : 0;
  top->setMinimumWidth(std::max(kWindowMinWidth, requiredWidth_ + besidePanel));
}

void CSelvoFormView::UpdateSoundControls(int twoChannel, int allowSound) {
  PanelFacts facts = Facts();
  facts.soundAllowed = allowSound != 0;
  ApplyEnabling(PanelMode::SoundChoice, facts);
  if (allowSound) {
    SetVisible(kSoundChannel1, twoChannel != 0);
    SetVisible(kSoundChannel2, twoChannel != 0);
  }
}

void CSelvoFormView::SetChannelDisplayLayout(int paneCount) {
  const bool quad = paneCount == 4;
  SetVisible(kChannelSingle, !quad);
  for (int id : {kChannelPane1, kChannelPane2, kChannelPane3, kChannelPane4}) SetVisible(id, quad);
}

// ------------------------------------------------------------------ handlers

void CSelvoFormView::OnPrevious() {
  if (doc_.GetCount() > 0) doc_.GoPrevious(true);
}

void CSelvoFormView::OnNext() {
  if (doc_.GetCount() > 0) doc_.GoNext(true);
}

void CSelvoFormView::OnStop() { ShowStoppedState(); }

void CSelvoFormView::OnPlay() {
  // A click that waited behind a slow step finds the loop still running.
  if (doc_.GetCount() <= 0 || doc_.IsPlayingForward()) return;
  ApplyEnabling(ModeFor(true, PlayLoop::Forward));
  if (doc_.IsPlayingReverse()) {
    // Never run one loop inside the other: end reverse play and start once
    // its loop has returned.
    ShowStoppedState();
    QCoreApplication::postEvent(this, new QEvent(PlayForwardEventType()));
  } else {
    doc_.RunForwardPlay();
  }
  ApplyEnabling(PanelMode::LoopReturned);
}

void CSelvoFormView::OnReversePlay() {
  if (doc_.GetCount() <= 0 || doc_.IsPlayingReverse()) return;
  ApplyEnabling(ModeFor(true, PlayLoop::Reverse));
  RepaintNow();
  if (doc_.IsPlayingForward()) {
    ShowStoppedState();
    QCoreApplication::postEvent(this, new QEvent(PlayReverseEventType()));
  } else {
    doc_.RunReversePlay();
  }
  ApplyEnabling(PanelMode::LoopReturned);
}

void CSelvoFormView::OnSetCopyStart() {
  if (!doc_.HasSource()) return;
  doc_.SetCopyStart();
  SetText(kCopyStartNumber, QString::asprintf("%5d", doc_.GetCopyStart()));
  UpdateStartCopyButton();
}

void CSelvoFormView::OnSetCopyEnd() {
  if (!doc_.HasSource()) return;
  doc_.SetCopyEnd();
  SetText(kCopyEndNumber, QString::asprintf("%5d", doc_.GetCopyEnd()));
  UpdateStartCopyButton();
}

void CSelvoFormView::OnStartCopy() {
  if (!doc_.HasSource()) return;
  // The document runs the save dialog and the copy; a copy unsets the
  // range, a cancelled save dialog leaves it as it was.
  if (doc_.CopyRange() == CSelvoViewerDoc::CopyOutcome::NotStarted) return;
  SetText(kCopyStartNumber, QString::fromLatin1(kNoCopyNumber));
  SetText(kCopyEndNumber, QString::fromLatin1(kNoCopyNumber));
  UpdateStartCopyButton();
  UpdatePositionDisplay();
}

void CSelvoFormView::OnSound() {
  soundOn_ = soundOn_ ? 0 : 1;
  if (!channel1Box_->isHidden()) {
    if (soundOn_) {
      if (!channel2Box_->isChecked()) channel1Box_->setChecked(true);
    } else {
      channel1Box_->setChecked(false);
      channel2Box_->setChecked(false);
    }
  }
  soundButton_->SetOn(soundOn_ != 0);
}

void CSelvoFormView::OnSoundChannelBox() {
  soundOn_ = channel1Box_->isChecked() || channel2Box_->isChecked() ? 1 : 0;
  soundButton_->SetOn(soundOn_ != 0);
}

void CSelvoFormView::OnPositionSliderMoved(int value) {
  if (!doc_.HasSource() || positionSlider_->IsRangeEmpty()) return;
  doc_.SetImage(value - 1);
  RedrawImageView();
  UpdatePositionDisplay();
}

void CSelvoFormView::OnVolumeSliderMoved(int value) {
  MixerVolume::Shared().SetVolumePercent(MixerVolume::PercentForSliderValue(value, kVolumeRangeMax));
}

void CSelvoFormView::ShowSoundUnavailable() {
  const QString why = UiString(str::kSoundUnavailableTip);
  soundButton_->SetTooltipSuffix(why);
  volumeSlider_->setToolTip(why);
  UpdateSoundControls(doc_.IsTwoChannelSound(), PaneCount() == 1);
}

void CSelvoFormView::SyncVolumeSliderFromMixer() {
  std::uint32_t percent = 0;
  if (!MixerVolume::Shared().GetVolumePercent(percent)) return;
  const QSignalBlocker quiet(volumeSlider_);
  volumeSlider_->setValue(MixerVolume::SliderValueForPercent(percent, kVolumeRangeMax));
}

void CSelvoFormView::OnPaneLayoutChanged(int paneCount) {
  SetChannelDisplayLayout(paneCount);
  UpdateSoundControls(doc_.IsTwoChannelSound(), paneCount == 1);
  UpdatePositionDisplay();
}

// Every open ends with the view back on one pane: the channel display and
// the sound controls follow what is open now, not the split left behind.
void CSelvoFormView::OnRecordingChanged() {
  SetPositionRange(doc_.GetCount());
  // An open unsets the copy range; its read-outs must not keep the last
  // recording's numbers.
  const auto copyNumber = [](int number) {
    return number == -1 ? QString::fromLatin1(kNoCopyNumber) : QString::asprintf("%5d", number);
  };
  SetText(kCopyStartNumber, copyNumber(doc_.GetCopyStart()));
  SetText(kCopyEndNumber, copyNumber(doc_.GetCopyEnd()));
  ShowCopyControls();
  ApplyEnabling(ModeFor(doc_.GetCount() > 0, PlayLoop::None));
  ResetChannelDisplay();
  UpdateSoundControls(doc_.IsTwoChannelSound(), doc_.HasSound());
  UpdatePositionDisplay();
}

// -------------------------------------------------------------------- events

bool CSelvoFormView::event(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == SeekBeginEventType()) {
    doc_.PausePlayback();
    return true;
  }
  if (type == SeekEndEventType()) {
    doc_.ResumePlayback();
    return true;
  }
  if (type == PlayForwardEventType()) {
    OnPlay();
    return true;
  }
  if (type == PlayReverseEventType()) {
    OnReversePlay();
    return true;
  }
  if (type == CommandEventType()) {
    Click(static_cast<CommandEvent*>(event)->Id());
    return true;
  }
  return QWidget::event(event);
}

void CSelvoFormView::timerEvent(QTimerEvent* event) {
  if (event->timerId() == volumeTimerId_) {
    SyncVolumeSliderFromMixer();
    return;
  }
  QWidget::timerEvent(event);
}

void CSelvoFormView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceRightAlignedControls();
}

// The upper strip with the position slider and a tab below it holding the
// transport buttons and the speed slider, outlined by raised edges.
void CSelvoFormView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& p = palette();
  const std::map<EdgeShade, QColor> colours{{EdgeShade::OuterLight, p.color(QPalette::Midlight)},
                                            {EdgeShade::InnerLight, p.color(QPalette::Light)},
                                            {EdgeShade::OuterDark, p.color(QPalette::Shadow)},
                                            {EdgeShade::InnerDark, p.color(QPalette::Dark)}};
  for (const EdgeLine& line : PanelEdges(width(), height(), stripBottom_, tabRight_)) {
    painter.setPen(colours.at(line.shade));
    painter.drawLine(line.from, line.to);
  }
}

}  // namespace selvo
