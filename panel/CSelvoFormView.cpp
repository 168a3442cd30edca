#include "panel/CSelvoFormView.h"

#include <algorithm>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QKeySequence>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>

#include <cstdio>

#include "app/CMainFrame.h"
#include "app/UiText.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/PlaySpeed.h"
#include "doc/TimeText.h"
#include "panel/MixerVolume.h"
#include "source/StatusVerdict.h"
#include "view/FixedSplitter.h"
#include "view/CSelvoViewerView.h"
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

constexpr int kVolumeRangeMax = 10;
constexpr const char* kNoTimeText = "----.--.-- --:--:--";
constexpr const char* kNoCopyNumber = "  ---  ";

// A form rectangle in dialog units, as the recorder viewer's template has it.
struct FormRect {
  int x, y, w, h;
};

// Mouse-transparent labels: clicks on a read-out reach the panel.
QLabel* MakeReadOut(QWidget* parent, Qt::Alignment alignment) {
  auto* label = new QLabel(parent);
  label->setAlignment(alignment);
  label->setWordWrap(true);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

// Windows' raised 3-D edge: an outer line light at top-left and darkest at
// bottom-right, an inner line brightest at top-left and dark at bottom-right.
struct EdgeColours {
  QColor outerLight, innerLight, outerDark, innerDark;
};

enum EdgeSide { kLeft = 1, kTop = 2, kRight = 4, kBottom = 8 };

void DrawRaisedEdge(QPainter& painter, const QRect& r, int sides, const EdgeColours& c) {
  // QRect's right() and bottom() are inclusive: the outer line sits on them.
  const int l = r.left(), t = r.top(), rr = r.right(), b = r.bottom();
  auto line = [&painter](const QColor& colour, int x1, int y1, int x2, int y2) {
    painter.setPen(colour);
    painter.drawLine(x1, y1, x2, y2);
  };
  if (sides & kLeft) {
    line(c.outerLight, l, t, l, b);
    line(c.innerLight, l + 1, t + 1, l + 1, b - 1);
  }
  if (sides & kTop) {
    line(c.outerLight, l, t, rr, t);
    line(c.innerLight, l + 1, t + 1, rr - 1, t + 1);
  }
  if (sides & kRight) {
    line(c.outerDark, rr, t, rr, b);
    line(c.innerDark, rr - 1, t + 1, rr - 1, b - 1);
  }
  if (sides & kBottom) {
    line(c.outerDark, l, b, rr, b);
    line(c.innerDark, l + 1, b - 1, rr - 1, b - 1);
  }
}

// The diagonal from the bottom-left corner to the top-right corner.
void DrawRaisedDiagonal(QPainter& painter, const QRect& r, const EdgeColours& c) {
  painter.setPen(c.outerDark);
  painter.drawLine(r.left(), r.bottom(), r.right(), r.top());
  painter.setPen(c.innerDark);
  painter.drawLine(r.left(), r.bottom() - 1, r.right() - 1, r.top());
}

}  // namespace

// Dialog-unit scale of the panel font: horizontal units are a quarter of the
// average character width, vertical ones an eighth of the character height.
// The form was laid out for an 80-pixel row at 96 dpi; a font with larger
// metrics would push the buttons out of that row, so the scale never grows
// beyond the one the form was made for.
struct CSelvoFormView::DialogUnits {
  int baseX = 6;
  int baseY = 13;

  static DialogUnits For(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogUnits units;
    units.baseX = qBound(4, (letters / 26 + 1) / 2, 6);
    units.baseY = qBound(8, metrics.height(), 13);
    return units;
  }
  QPoint Point(int x, int y) const { return QPoint(x * baseX / 4, y * baseY / 8); }
  QRect Rect(const FormRect& r) const {
    return QRect(Point(r.x, r.y), QSize(r.w * baseX / 4, r.h * baseY / 8));
  }
};

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
  connect(&doc_, &CSelvoViewerDoc::positionDisplayChanged, this, &CSelvoFormView::UpdatePositionDisplay);
  connect(&doc_, &CSelvoViewerDoc::recordingChanged, this, &CSelvoFormView::OnRecordingChanged);
}

// The document outlives the window: it must not reach a panel that is gone.
CSelvoFormView::~CSelvoFormView() { doc_.AttachPlaybackControls(nullptr); }

// ------------------------------------------------------------------ controls

void CSelvoFormView::CreateControls() {
  const auto addButton = [this](int id, void (CSelvoFormView::*handler)()) {
    auto* button = new SkinButton(id, this);
    connect(button, &QAbstractButton::clicked, this, handler);
    controls_[id] = button;
  };
  for (int id : {kFirstTime, kLastTime, kCurrentTime}) controls_[id] = MakeReadOut(this, Qt::AlignHCenter | Qt::AlignTop);
  for (int id : {kImageNumber, kChannelSingle, kChannelPane1, kChannelPane2, kChannelPane3, kChannelPane4})
    controls_[id] = MakeReadOut(this, Qt::AlignCenter);

  positionSlider_ = new PositionSlider(this);
  connect(positionSlider_, &QAbstractSlider::valueChanged, this, &CSelvoFormView::OnPositionSliderMoved);
  controls_[kPositionSlider] = positionSlider_;

  addButton(kPrevious, &CSelvoFormView::OnPrevious);
  addButton(kStop, &CSelvoFormView::OnStop);
  addButton(kNext, &CSelvoFormView::OnNext);
  addButton(kReversePlay, &CSelvoFormView::OnReversePlay);
  addButton(kPlay, &CSelvoFormView::OnPlay);

  speedLabel_ = new QLabel(UiText("Speed", "スピード"), this);
  speedSlider_ = new SpeedSlider(this);
  speedSlider_->setValue(kDefaultSpeed);
  controls_[kSpeedSlider] = speedSlider_;

  soundButton_ = new SkinToggleButton(kSound, this);
  connect(soundButton_, &QAbstractButton::clicked, this, &CSelvoFormView::OnSound);
  controls_[kSound] = soundButton_;
  channel1Box_ = new QCheckBox(QStringLiteral("1ch"), this);
  channel2Box_ = new QCheckBox(QStringLiteral("2ch"), this);
  for (QCheckBox* box : {channel1Box_, channel2Box_}) {
    box->setFocusPolicy(Qt::TabFocus);
    connect(box, &QAbstractButton::clicked, this, &CSelvoFormView::OnSoundChannelBox);
  }
  controls_[kSoundChannel1] = channel1Box_;
  controls_[kSoundChannel2] = channel2Box_;
  volumeSlider_ = new TipSlider(kVolumeSlider, this);
  volumeSlider_->setRange(0, kVolumeRangeMax);
  volumeSlider_->setPageStep(1);
  volumeSlider_->setTickPosition(QSlider::TicksBelow);
  volumeSlider_->setTickInterval(1);
  connect(volumeSlider_, &QAbstractSlider::valueChanged, this, &CSelvoFormView::OnVolumeSliderMoved);
  controls_[kVolumeSlider] = volumeSlider_;

  for (int id : {kChannelIcon, kTimeIcon, kNumberIcon}) {
    auto* icon = new SkinButton(id, this);
    icon->setFocusPolicy(Qt::NoFocus);
    controls_[id] = icon;
  }

  const auto addCopyButton = [this](int id, const char* english, const char* japanese,
                                    void (CSelvoFormView::*handler)()) {
    auto* button = new QPushButton(UiText(english, japanese), this);
    button->setFocusPolicy(Qt::TabFocus);
    connect(button, &QPushButton::clicked, this, handler);
    controls_[id] = button;
  };
  addCopyButton(kSetCopyStart, "Set Copy Start image", "コピー開始画像設定", &CSelvoFormView::OnSetCopyStart);
  addCopyButton(kSetCopyEnd, "Set Copy End image", "コピー終了画像設定", &CSelvoFormView::OnSetCopyEnd);
  addCopyButton(kStartCopy, "Start Copy", "コピー開始", &CSelvoFormView::OnStartCopy);
  for (int id : {kCopyStartNumber, kCopyEndNumber}) {
    auto* label = new QLabel(QStringLiteral("  ---"), this);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    controls_[id] = label;
  }
  for (int id : {kSetCopyStart, kSetCopyEnd, kStartCopy, kCopyStartNumber, kCopyEndNumber}) SetVisible(id, false);
}

void CSelvoFormView::PlaceControls() {
  static const std::map<int, FormRect> kPlaces = {
      {kFirstTime, {5, 6, 38, 16}},       {kPositionSlider, {45, 6, 350, 14}}, {kLastTime, {427, 6, 38, 16}},
      {kPrevious, {5, 27, 30, 28}},       {kStop, {27, 27, 30, 28}},           {kNext, {49, 27, 30, 28}},
      {kReversePlay, {74, 25, 40, 36}},   {kPlay, {102, 25, 40, 36}},          {kSpeedSlider, {135, 33, 50, 11}},
      {kSound, {215, 32, 26, 26}},        {kSoundChannel1, {236, 28, 25, 13}}, {kSoundChannel2, {265, 28, 25, 13}},
      {kVolumeSlider, {236, 40, 55, 10}}, {kChannelIcon, {297, 32, 10, 14}},   {kChannelSingle, {318, 35, 12, 11}},
      {kChannelPane1, {318, 31, 13, 10}}, {kChannelPane2, {331, 31, 13, 10}},  {kChannelPane3, {318, 40, 13, 10}},
      {kChannelPane4, {331, 40, 13, 10}}, {kTimeIcon, {352, 32, 18, 10}},      {kCurrentTime, {373, 31, 42, 18}},
      {kNumberIcon, {422, 32, 30, 10}},   {kImageNumber, {443, 35, 64, 11}},   {kSetCopyStart, {191, 36, 74, 14}},
      {kSetCopyEnd, {191, 51, 74, 13}},   {kCopyStartNumber, {267, 36, 43, 14}}, {kCopyEndNumber, {267, 50, 43, 14}},
      {kStartCopy, {319, 55, 55, 14}},
  };
  const DialogUnits units = DialogUnits::For(font());
  for (const auto& [id, place] : kPlaces) {
    QWidget* control = Control(id);
    if (!control) continue;
    QRect r = units.Rect(place);
    // Skinned controls take the size of their picture, not the form's.
    if (auto* skinned = qobject_cast<SkinButton*>(control); skinned && skinned->HasPicture())
      r.setSize(skinned->sizeHint());
    control->setGeometry(r);
  }
  speedLabel_->setGeometry(units.Rect({134, 25, 32, 14}));
  speedLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The read-outs hold long texts in small boxes: a smaller face keeps the
  // time on two lines inside them.
  QFont small = font();
  small.setPointSizeF(font().pointSizeF() - 0.5);
  for (int id : {kFirstTime, kLastTime, kCurrentTime}) Control(id)->setFont(small);
  PlaceRightAlignedControls();
}

void CSelvoFormView::PlaceRightAlignedControls() {
  QWidget* lastTime = Control(kLastTime);
  QRect end = lastTime->geometry();
  end.moveRight(width() - 1 - 8);
  lastTime->setGeometry(end);
  QRect slider = positionSlider_->geometry();
  slider.setRight(qMax(slider.left() + 10, end.left() - 10 - 1));
  positionSlider_->setGeometry(slider);
}

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
  ApplyTooltips();
  speedSlider_->setValue(kDefaultSpeed);
  SyncVolumeSliderFromMixer();
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
  for (int id : {kPrevious, kNext, kPlay, kReversePlay, kStop}) SetEnabled(id, doc_.GetCount() > 0);
  SetEnabled(kStop, false);
  UpdateSoundControls(doc_.IsTwoChannelSound(), doc_.HasSound());
  UpdatePositionDisplay();
}

void CSelvoFormView::LoadSkins() {
  const auto skin = [this](int id, int first, bool fourStates) {
    auto* button = static_cast<SkinButton*>(Control(id));
    if (fourStates)
      button->LoadSkin(first, first + 1, first + 2, first + 3);
    else
      button->LoadSkin(first, 0, 0, 0);
  };
  skin(kReversePlay, 143, true);
  skin(kPrevious, 147, true);
  skin(kStop, 151, true);
  skin(kNext, 155, true);
  skin(kPlay, 159, true);
  skin(kSound, 171, true);
  skin(kChannelIcon, 175, false);
  skin(kTimeIcon, 176, false);
  skin(kNumberIcon, 177, false);
}

void CSelvoFormView::ApplyTooltips() {
  const auto keys = [this](int id, const char* english, const char* japanese) {
    static_cast<SkinButton*>(Control(id))->SetTooltipSuffix(UiText(english, japanese));
  };
  keys(kPrevious, "Key: Left (Home: first image)", "キー: ← (Home: 最初の画像)");
  keys(kNext, "Key: Right (End: last image)", "キー: → (End: 最後の画像)");
  keys(kPlay, "Key: Space", "キー: Space");
  keys(kStop, "Key: Space", "キー: Space");
  keys(kReversePlay, "Key: Shift+Space", "キー: Shift+Space");
  speedLabel_->setToolTip(UiText("Keys: + faster, - slower", "キー: + 速く、- 遅く"));
}

// ---------------------------------------------------------- keyboard shortcuts

void CSelvoFormView::InstallShortcuts() {
  const auto bind = [this](const QKeySequence& keys, void (CSelvoFormView::*handler)()) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    shortcut->setAutoRepeat(true);
    connect(shortcut, &QShortcut::activated, this, handler);
  };
  bind(QKeySequence(Qt::Key_Left), &CSelvoFormView::OnPreviousKey);
  bind(QKeySequence(Qt::Key_Right), &CSelvoFormView::OnNextKey);
  bind(QKeySequence(Qt::Key_Home), &CSelvoFormView::OnFirst);
  bind(QKeySequence(Qt::Key_End), &CSelvoFormView::OnLast);
  bind(QKeySequence(Qt::Key_Space), &CSelvoFormView::OnPlayOrStop);
  bind(QKeySequence(Qt::SHIFT | Qt::Key_Space), &CSelvoFormView::OnReverseOrStop);
  bind(QKeySequence(Qt::Key_Plus), &CSelvoFormView::OnSpeedUp);
  bind(QKeySequence(Qt::Key_Equal), &CSelvoFormView::OnSpeedUp);
  bind(QKeySequence(Qt::SHIFT | Qt::Key_Plus), &CSelvoFormView::OnSpeedUp);
  bind(QKeySequence(Qt::KeypadModifier | Qt::Key_Plus), &CSelvoFormView::OnSpeedUp);
  bind(QKeySequence(Qt::Key_Minus), &CSelvoFormView::OnSpeedDown);
  bind(QKeySequence(Qt::KeypadModifier | Qt::Key_Minus), &CSelvoFormView::OnSpeedDown);
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
int CSelvoFormView::GetFrameInterval() const { return FrameIntervalForSpeed(SpeedPosition()); }
int CSelvoFormView::GetSkipCount() const { return SkipCountForSpeed(SpeedPosition()); }

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
  speedSlider_->setEnabled(!soundMode);
  volumeSlider_->setEnabled(soundMode);
}

void CSelvoFormView::RestoreIdleEnabling(bool hasSound) {
  speedSlider_->setEnabled(true);
  for (int id : {kPrevious, kNext, kPlay, kReversePlay, kSetCopyStart, kSetCopyEnd}) SetEnabled(id, true);
  SetEnabled(kStop, false);
  for (int id : {kSound, kSoundChannel1, kSoundChannel2, kVolumeSlider}) SetEnabled(id, hasSound);
}

void CSelvoFormView::UpdateStartCopyButton() {
  copyStart_ = doc_.GetCopyStart();
  copyEnd_ = doc_.GetCopyEnd();
  SetEnabled(kStartCopy, doc_.IsCopyRangeValid());
}

void CSelvoFormView::SetPositionRange(int count) { positionSlider_->SetImageCount(count); }
void CSelvoFormView::SetPositionSlider(int imageNumber) { positionSlider_->SetPositionIndex(imageNumber - 1); }

void CSelvoFormView::SetCloseEnabled(bool enabled) {
  auto* frame = qobject_cast<CMainFrame*>(window());
  if (!frame) return;
  if (enabled)
    frame->EnableClose();
  else
    frame->DisableClose();
}

// ------------------------------------------- published by document and view

CSelvoViewerView* CSelvoFormView::ImageView() const { return dynamic_cast<CSelvoViewerView*>(doc_.ImageView()); }

int CSelvoFormView::PaneCount() const {
  const ImageViewLink* view = doc_.ImageView();
  return view ? view->GetPaneCount() : 1;
}

void CSelvoFormView::RedrawImageView() {
  if (ImageViewLink* view = doc_.ImageView()) view->RedrawImageView(false);
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

void CSelvoFormView::UpdatePositionDisplay() {
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

void CSelvoFormView::ShowStoppedState() {
  if (doc_.GetCount() <= 0) return;
  doc_.RequestPlaybackStop();
  SetEnabled(kStop, false);
  SetEnabled(kPlay, true);
  const bool channelChoice = doc_.IsTwoChannelSound() && doc_.HasSound();
  SetEnabled(kSoundChannel1, channelChoice);
  SetEnabled(kSoundChannel2, channelChoice);
  for (int id : {kNext, kPrevious, kReversePlay, kSetCopyStart, kSetCopyEnd}) SetEnabled(id, true);
  UpdateStartCopyButton();
  RepaintNow();
}

void CSelvoFormView::ShowCopyControls() {
  const bool disc = doc_.SourceKind() != 0;
  for (int id : {kSetCopyStart, kSetCopyEnd, kStartCopy, kCopyStartNumber, kCopyEndNumber}) SetVisible(id, disc);
  // A disc has no sound, and its copy controls share the sound controls'
  // place: the sound controls give way so the copy buttons can be reached.
  for (int id : {kSound, kVolumeSlider}) SetVisible(id, !disc);
  if (disc) {
    for (int id : {kSoundChannel1, kSoundChannel2}) SetVisible(id, false);
    UpdateStartCopyButton();
  }
  FitHeightToVisibleControls();
  RepaintNow();
}

// The copy controls sit below the panel's usual 80 pixels; while they are
// shown the panel grows so that every one of them can be reached.
void CSelvoFormView::FitHeightToVisibleControls() {
  auto* rows = qobject_cast<FixedSplitter*>(parentWidget());
  if (rows == nullptr) return;
  int height = kPanelHeight;
  for (int id : {kSetCopyStart, kSetCopyEnd, kStartCopy, kCopyStartNumber, kCopyEndNumber}) {
    const QWidget* control = Control(id);
    if (control != nullptr && !control->isHidden()) height = std::max(height, control->geometry().bottom() + 5);
  }
  rows->SetFixedRowHeight(1, height);
}

void CSelvoFormView::ClearPositionTexts() {
  SetText(kImageNumber, QString());
  SetText(kCurrentTime, QString());
}

void CSelvoFormView::UpdateSoundControls(int twoChannel, int allowSound) {
  const bool enabled = doc_.HasSound() && allowSound;
  for (int id : {kSound, kSoundChannel1, kSoundChannel2, kVolumeSlider}) SetEnabled(id, enabled);
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
  if (doc_.GetCount() <= 0) return;
  SetEnabled(kStop, true);
  SetEnabled(kReversePlay, true);
  for (int id : {kPlay, kSound, kSoundChannel1, kSoundChannel2, kNext, kPrevious, kSetCopyStart, kSetCopyEnd, kStartCopy})
    SetEnabled(id, false);
  if (doc_.IsPlayingReverse()) {
    // Never run one loop inside the other: end reverse play and start once
    // its loop has returned.
    ShowStoppedState();
    QCoreApplication::postEvent(this, new QEvent(PlayForwardEventType()));
  } else {
    doc_.RunForwardPlay();
  }
  SetEnabled(kStop, false);
}

void CSelvoFormView::OnReversePlay() {
  if (doc_.GetCount() <= 0) return;
  SetEnabled(kStop, true);
  SetEnabled(kPlay, true);
  for (int id : {kSound, kSoundChannel1, kSoundChannel2, kVolumeSlider, kNext, kPrevious, kReversePlay, kSetCopyStart,
                 kSetCopyEnd, kStartCopy})
    SetEnabled(id, false);
  RepaintNow();
  if (doc_.IsPlayingForward()) {
    ShowStoppedState();
    QCoreApplication::postEvent(this, new QEvent(PlayReverseEventType()));
  } else {
    doc_.RunReversePlay();
  }
  SetEnabled(kStop, false);
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
  MixerVolume::Shared().SetVolumePercent(static_cast<std::uint32_t>(value * (100 / kVolumeRangeMax)));
}

void CSelvoFormView::SyncVolumeSliderFromMixer() {
  std::uint32_t percent = 0;
  if (!MixerVolume::Shared().GetVolumePercent(percent)) return;
  const QSignalBlocker quiet(volumeSlider_);
  volumeSlider_->setValue(static_cast<int>(percent) / (100 / kVolumeRangeMax));
}

void CSelvoFormView::OnPaneLayoutChanged(int paneCount) {
  SetChannelDisplayLayout(paneCount);
  UpdateSoundControls(doc_.IsTwoChannelSound(), paneCount == 1);
  UpdatePositionDisplay();
}

void CSelvoFormView::OnRecordingChanged() {
  SetPositionRange(doc_.GetCount());
  ShowCopyControls();
  if (doc_.GetCount() > 0) {
    RestoreIdleEnabling(doc_.HasSound());
  } else {
    for (int id : {kPrevious, kNext, kPlay, kReversePlay, kStop}) SetEnabled(id, false);
  }
  UpdateSoundControls(doc_.IsTwoChannelSound(), PaneCount() == 1 ? 1 : 0);
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
  const EdgeColours colours{p.color(QPalette::Midlight), p.color(QPalette::Light), p.color(QPalette::Shadow),
                            p.color(QPalette::Dark)};
  const int w = width();
  const int h = height();
  const int stripBottom = 2 + positionSlider_->height() + 18;
  const int tabRight = speedSlider_->geometry().right() + 1 + 4;
  // Rectangles as (left, top, right, bottom) with exclusive right and bottom.
  const auto box = [](int l, int t, int r, int b) { return QRect(QPoint(l, t), QPoint(r - 1, b - 1)); };
  DrawRaisedEdge(painter, box(0, 2, w - 3, stripBottom), kRight, colours);
  DrawRaisedEdge(painter, box(2, 0, tabRight, h), kBottom, colours);
  DrawRaisedDiagonal(painter, box(tabRight, stripBottom, tabRight + h - stripBottom, h), colours);
  DrawRaisedEdge(painter, box(tabRight + h - stripBottom, 2, w - 4, stripBottom), kBottom, colours);
  DrawRaisedEdge(painter, box(1, 1, w - 4, h - 1), kLeft | kTop, colours);
}

}  // namespace selvo
