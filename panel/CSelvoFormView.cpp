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

#include "doc/CSelvoViewerDoc.h"
#include "doc/PlaySpeed.h"
#include "source/StatusVerdict.h"
#include "source/sound/MixerVolume.h"
#include "source/text/TimeText.h"
#include "source/text/UiText.h"
#include "view/CSelvoViewerView.h"
#include "view/FixedSplitter.h"
#include "view/SkinButton.h"
#include "view/SkinToggleButton.h"
#include "view/SliderDragTip.h"
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
  speedSlider_->setValue(kInitialSpeed);
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
  new SliderDragTip(volumeSlider_, [](int value) {
    return QStringLiteral("%1%").arg(MixerVolume::PercentForSliderValue(value, kVolumeRangeMax));
  });
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

// The form's rows and sizes, in dialog units; the controls of a row follow
// one another by their real widths (pictures, texts in either language), so
// that none covers another whatever the font.
namespace {
constexpr FormRect kFirstTimeForm{5, 6, 38, 16};
constexpr FormRect kPositionSliderForm{45, 6, 350, 14};
constexpr FormRect kLastTimeForm{427, 6, 38, 16};
constexpr FormRect kStepButtonForm{5, 27, 30, 28};
constexpr FormRect kPlayButtonForm{74, 25, 40, 36};
constexpr FormRect kSpeedSliderForm{135, 33, 50, 11};
constexpr FormRect kSoundForm{215, 32, 26, 26};
constexpr FormRect kSoundChannelForm{236, 28, 25, 13};
constexpr FormRect kVolumeForm{236, 40, 55, 10};
constexpr FormRect kIconForm{297, 32, 10, 14};
constexpr FormRect kChannelSingleForm{318, 35, 12, 11};
constexpr FormRect kChannelPaneForm{318, 31, 13, 10};
constexpr FormRect kChannelPaneLowerForm{318, 40, 13, 10};
constexpr FormRect kCurrentTimeForm{373, 31, 42, 18};
constexpr FormRect kImageNumberForm{443, 35, 64, 11};
constexpr FormRect kCopyNumberForm{267, 36, 43, 14};

constexpr int kStepGap = 3;      // between the step buttons
constexpr int kPlayGap = 8;      // before the play buttons and the speed
constexpr int kFieldGap = 5;     // between an icon and its read-out
constexpr int kGroupGap = 10;    // between groups of controls
constexpr int kRowGap = 4;       // between rows, and inside a group
constexpr int kEdgeMargin = 8;   // from the panel's right and bottom edges
constexpr int kTabClearance = 4; // from the tab's diagonal edge

// Widest texts the read-outs have to hold.
constexpr const char* kWidestDate = "8888/88/88";
constexpr const char* kWidestClock = "88:88:88";
constexpr const char* kWidestImageNumber = "88888 / 88888";
constexpr const char* kWidestChannel = "88";
constexpr const char* kWidestCopyNumber = "  88888  ";

int TextWidth(const QWidget* widget, const char* text) {
  return QFontMetrics(widget->font()).horizontalAdvance(QString::fromLatin1(text)) + 6;
}
}  // namespace

QSize CSelvoFormView::PlacedSize(int id, const QRect& formRect) const {
  if (auto* skinned = qobject_cast<SkinButton*>(Control(id)); skinned && skinned->HasPicture())
    return skinned->sizeHint();
  return formRect.size();
}

QRect CSelvoFormView::Place(int id, QPoint topLeft, QSize size) {
  const QRect r(topLeft, size);
  Control(id)->setGeometry(r);
  return r;
}

void CSelvoFormView::PlaceControls() {
  const DialogUnits units = DialogUnits::For(font());
  // The read-outs hold long texts in small boxes: a smaller face keeps the
  // time on two lines inside them.
  QFont small = font();
  small.setPointSizeF(font().pointSizeF() - 0.5);
  for (int id : {kFirstTime, kLastTime, kCurrentTime}) Control(id)->setFont(small);
  PlaceUpperStrip(units);
  PlaceTab(units);
  PlaceLowerArea(units);
  PlaceRightAlignedControls();
}

int CSelvoFormView::TimeFieldWidth() const {
  const QWidget* field = Control(kCurrentTime);
  return std::max(TextWidth(field, kWidestDate), TextWidth(field, kWidestClock));
}

void CSelvoFormView::PlaceUpperStrip(const DialogUnits& units) {
  QRect first = units.Rect(kFirstTimeForm);
  first.setWidth(std::max(first.width(), TimeFieldWidth()));
  Control(kFirstTime)->setGeometry(first);
  QRect slider = units.Rect(kPositionSliderForm);
  slider.moveLeft(first.right() + 1 + units.Point(kPositionSliderForm.x - kFirstTimeForm.x - kFirstTimeForm.w, 0).x());
  positionSlider_->setGeometry(slider);
  QRect last = units.Rect(kLastTimeForm);
  last.setWidth(first.width());
  Control(kLastTime)->setGeometry(last);
  stripBottom_ = 2 + slider.height() + 18;
}

void CSelvoFormView::PlaceTab(const DialogUnits& units) {
  const QRect step = units.Rect(kStepButtonForm);
  const QRect play = units.Rect(kPlayButtonForm);
  QRect r = Place(kPrevious, step.topLeft(), PlacedSize(kPrevious, step));
  r = Place(kStop, QPoint(r.right() + 1 + kStepGap, step.top()), PlacedSize(kStop, step));
  r = Place(kNext, QPoint(r.right() + 1 + kStepGap, step.top()), PlacedSize(kNext, step));
  r = Place(kReversePlay, QPoint(r.right() + 1 + kPlayGap, play.top()), PlacedSize(kReversePlay, play));
  r = Place(kPlay, QPoint(r.right() + 2, play.top()), PlacedSize(kPlay, play));
  // "Speed" stands above its slider, both inside the tab.
  const QSize label = speedLabel_->sizeHint();
  speedLabel_->setGeometry(QRect(QPoint(r.right() + 1 + kPlayGap, stripBottom_ + 1), label));
  QRect slider = units.Rect(kSpeedSliderForm);
  slider.moveLeft(speedLabel_->x() + 1);
  slider.moveTop(std::max(slider.top(), speedLabel_->geometry().bottom() + 1));
  slider.setWidth(std::max(slider.width(), label.width()));
  speedSlider_->setGeometry(slider);
}

int CSelvoFormView::TabRight() const { return speedSlider_->geometry().right() + 1 + 4; }

// The tab's diagonal runs from its bottom-left corner up to the strip: a
// control whose top is at `top` must start right of where it crosses.
int CSelvoFormView::ClearOfTab(int top, int panelHeight) const {
  return TabRight() + std::max(0, panelHeight - top) + kTabClearance;
}

void CSelvoFormView::PlaceLowerArea(const DialogUnits& units) {
  const bool disc = copyControlsShown_;
  // Rows first: the read-outs at the form's height, the copy row under them.
  const QRect icon = units.Rect(kIconForm);
  const QSize iconSize = PlacedSize(kChannelIcon, icon);
  const QRect single = units.Rect(kChannelSingleForm);
  const QRect pane = units.Rect(kChannelPaneForm);
  const QRect paneLower = units.Rect(kChannelPaneLowerForm);
  QRect time = units.Rect(kCurrentTimeForm);
  time.setWidth(std::max(time.width(), TimeFieldWidth()));
  time.setHeight(std::max(time.height(), static_cast<QLabel*>(Control(kCurrentTime))->heightForWidth(time.width())));
  const QRect number = units.Rect(kImageNumberForm);
  const int readOutTop = std::min({icon.top(), single.top(), pane.top(), time.top()});
  const int readOutBottom =
      std::max({icon.top() + iconSize.height() - 1, single.bottom(), paneLower.bottom(), time.bottom(), number.bottom()});

  int copyRowTop = 0;
  int copyRowHeight = 0;
  int height = kPanelHeight;
  if (disc) {
    for (int id : {kSetCopyStart, kSetCopyEnd, kStartCopy}) copyRowHeight = std::max(copyRowHeight, Control(id)->sizeHint().height());
    copyRowTop = readOutBottom + 1 + kRowGap;
    height = std::max(height, copyRowTop + copyRowHeight + kEdgeMargin);
  }

  int x = ClearOfTab(readOutTop, height);
  if (!disc) x = PlaceSoundGroup(units, x, height) + 1 + kGroupGap;

  // Channel, time and image number, each after its icon.
  QRect r = Place(kChannelIcon, QPoint(x, icon.top()), iconSize);
  const int fieldLeft = r.right() + 1 + kFieldGap;
  const int channelWidth = std::max(single.width(), TextWidth(Control(kChannelSingle), kWidestChannel));
  const int paneWidth = std::max(pane.width(), TextWidth(Control(kChannelPane1), kWidestChannel));
  Place(kChannelSingle, QPoint(fieldLeft, single.top()), QSize(channelWidth, single.height()));
  Place(kChannelPane1, QPoint(fieldLeft, pane.top()), QSize(paneWidth, pane.height()));
  Place(kChannelPane2, QPoint(fieldLeft + paneWidth, pane.top()), QSize(paneWidth, pane.height()));
  const int paneLowerTop = std::max(paneLower.top(), pane.bottom() + 1);
  Place(kChannelPane3, QPoint(fieldLeft, paneLowerTop), QSize(paneWidth, paneLower.height()));
  Place(kChannelPane4, QPoint(fieldLeft + paneWidth, paneLowerTop), QSize(paneWidth, paneLower.height()));
  const int channelRight = fieldLeft + std::max(channelWidth, 2 * paneWidth) - 1;
  r = Place(kTimeIcon, QPoint(channelRight + 1 + kGroupGap, icon.top()), PlacedSize(kTimeIcon, icon));
  r = Place(kCurrentTime, QPoint(r.right() + 1 + kFieldGap, time.top()), time.size());
  r = Place(kNumberIcon, QPoint(r.right() + 1 + kGroupGap, icon.top()), PlacedSize(kNumberIcon, icon));
  r = Place(kImageNumber, QPoint(r.right() + 1 + kFieldGap, number.top()),
            QSize(std::max(number.width(), TextWidth(Control(kImageNumber), kWidestImageNumber)), number.height()));
  int right = r.right();

  if (disc) {
    // Start image and its number, end image and its number, Start Copy.
    const int numberWidth = std::max(units.Rect(kCopyNumberForm).width(), TextWidth(Control(kCopyStartNumber), kWidestCopyNumber));
    const auto button = [&](int id) { return QSize(Control(id)->sizeHint().width(), copyRowHeight); };
    r = Place(kSetCopyStart, QPoint(ClearOfTab(copyRowTop, height), copyRowTop), button(kSetCopyStart));
    r = Place(kCopyStartNumber, QPoint(r.right() + 1 + kRowGap, copyRowTop), QSize(numberWidth, copyRowHeight));
    r = Place(kSetCopyEnd, QPoint(r.right() + 1 + kGroupGap, copyRowTop), button(kSetCopyEnd));
    r = Place(kCopyEndNumber, QPoint(r.right() + 1 + kRowGap, copyRowTop), QSize(numberWidth, copyRowHeight));
    r = Place(kStartCopy, QPoint(r.right() + 1 + kGroupGap, copyRowTop), button(kStartCopy));
    right = std::max(right, r.right());
  }
  panelHeight_ = height;
  requiredWidth_ = right + 1 + kEdgeMargin;
  setMinimumWidth(requiredWidth_);
}

// The sound button, then 1ch and 2ch over the volume slider; the right edge
// of the group.
int CSelvoFormView::PlaceSoundGroup(const DialogUnits& units, int x, int panelHeight) {
  const QRect soundForm = units.Rect(kSoundForm);
  const QRect sound = Place(kSound, QPoint(std::max(x, ClearOfTab(soundForm.top(), panelHeight)), soundForm.top()),
                            PlacedSize(kSound, soundForm));
  const QRect boxForm = units.Rect(kSoundChannelForm);
  const auto boxSize = [&](QCheckBox* box) {
    const QSize hint = box->sizeHint();
    return QSize(std::max(boxForm.width(), hint.width()), std::max(boxForm.height(), hint.height()));
  };
  const int boxesLeft = sound.right() + 1 + kFieldGap;
  const QRect box1 = Place(kSoundChannel1, QPoint(boxesLeft, boxForm.top()), boxSize(channel1Box_));
  const QRect box2 = Place(kSoundChannel2, QPoint(box1.right() + 1 + kRowGap, boxForm.top()), boxSize(channel2Box_));
  const QRect volumeForm = units.Rect(kVolumeForm);
  const int volumeTop = std::max(volumeForm.top(), box1.bottom() + 1);
  const int volumeHeight = std::min(volumeForm.height(), panelHeight - kEdgeMargin / 2 - volumeTop);
  const QRect volume = Place(kVolumeSlider, QPoint(boxesLeft, volumeTop),
                             QSize(std::max(volumeForm.width(), box2.right() - boxesLeft + 1), volumeHeight));
  return std::max({sound.right(), box2.right(), volume.right()});
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
  FitHeightToVisibleControls();
  ApplyTooltips();
  speedSlider_->setValue(kInitialSpeed);
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

// Start Copy follows the copy range, whichever loop ended. Sound plays only
// with one pane, so in a split its controls stay off.
void CSelvoFormView::RestoreIdleEnabling(bool hasSound) {
  speedSlider_->setEnabled(true);
  for (int id : {kPrevious, kNext, kPlay, kReversePlay, kSetCopyStart, kSetCopyEnd}) SetEnabled(id, true);
  SetEnabled(kStop, false);
  UpdateStartCopyButton();
  const bool soundUsable = hasSound && PaneCount() == 1;
  for (int id : {kSound, kSoundChannel1, kSoundChannel2, kVolumeSlider}) SetEnabled(id, soundUsable);
}

void CSelvoFormView::UpdateStartCopyButton() {
  SetEnabled(kStartCopy, doc_.IsCopyRangeValid());
}

void CSelvoFormView::SetPositionRange(int count) { positionSlider_->SetImageCount(count); }
void CSelvoFormView::SetPositionSlider(int imageNumber) { positionSlider_->SetPositionIndex(imageNumber - 1); }

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
void CSelvoFormView::FollowPosition() {
  if (doc_.IsPlaying() && sinceReadOut_.isValid()) {
    const qint64 since = sinceReadOut_.elapsed();
    if (since < kReadOutIntervalMs) {
      if (!readOutDue_.isActive()) readOutDue_.start(static_cast<int>(kReadOutIntervalMs - since));
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

void CSelvoFormView::ShowStoppedState() {
  if (doc_.GetCount() <= 0) return;
  doc_.RequestPlaybackStop();
  SetEnabled(kStop, false);
  SetEnabled(kPlay, true);
  const bool channelChoice = doc_.IsTwoChannelSound() && doc_.HasSound() && PaneCount() == 1;
  SetEnabled(kSoundChannel1, channelChoice);
  SetEnabled(kSoundChannel2, channelChoice);
  for (int id : {kNext, kPrevious, kReversePlay, kSetCopyStart, kSetCopyEnd}) SetEnabled(id, true);
  UpdateStartCopyButton();
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
  // A click that waited behind a slow step finds the loop still running.
  if (doc_.GetCount() <= 0 || doc_.IsPlayingForward()) return;
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
  if (doc_.GetCount() <= 0 || doc_.IsPlayingReverse()) return;
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
  MixerVolume::Shared().SetVolumePercent(MixerVolume::PercentForSliderValue(value, kVolumeRangeMax));
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
  if (doc_.GetCount() > 0) {
    RestoreIdleEnabling(doc_.HasSound());
  } else {
    for (int id : {kPrevious, kNext, kPlay, kReversePlay, kStop}) SetEnabled(id, false);
  }
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
  const EdgeColours colours{p.color(QPalette::Midlight), p.color(QPalette::Light), p.color(QPalette::Shadow),
                            p.color(QPalette::Dark)};
  const int w = width();
  const int h = height();
  const int stripBottom = stripBottom_;
  const int tabRight = TabRight();
  // Rectangles as (left, top, right, bottom) with exclusive right and bottom.
  const auto box = [](int l, int t, int r, int b) { return QRect(QPoint(l, t), QPoint(r - 1, b - 1)); };
  DrawRaisedEdge(painter, box(0, 2, w - 3, stripBottom), kRight, colours);
  DrawRaisedEdge(painter, box(2, 0, tabRight, h), kBottom, colours);
  DrawRaisedDiagonal(painter, box(tabRight, stripBottom, tabRight + h - stripBottom, h), colours);
  DrawRaisedEdge(painter, box(tabRight + h - stripBottom, 2, w - 4, stripBottom), kBottom, colours);
  DrawRaisedEdge(painter, box(1, 1, w - 4, h - 1), kLeft | kTop, colours);
}

}  // namespace selvo
