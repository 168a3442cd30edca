// Building the control panel: its controls, their places on the form, their
// pictures, tooltips and keys.
#include <QCheckBox>
#include <QFontMetrics>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

#include "doc/PlaySpeed.h"
#include "panel/CSelvoFormView.h"
#include "panel/PanelLayout.h"
#include "sound/MixerVolume.h"
#include "source/text/UiText.h"
#include "view/ActivityStrip.h"
#include "view/SkinButton.h"
#include "view/SkinToggleButton.h"
#include "view/SliderDragTip.h"
#include "view/SpeedSlider.h"
#include "view/TipSlider.h"

namespace selvo {

namespace {

// Mouse-transparent labels: clicks on a read-out reach the panel.
QLabel* MakeReadOut(QWidget* parent, Qt::Alignment alignment) {
  auto* label = new QLabel(parent);
  label->setAlignment(alignment);
  label->setWordWrap(true);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

}  // namespace

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
  activityStrip_ = new ActivityStrip(positionSlider_);

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

void CSelvoFormView::PlaceControls() {
  // The read-outs hold long texts in small boxes: a smaller face keeps the
  // time on two lines inside them.
  QFont small = font();
  small.setPointSizeF(font().pointSizeF() - 0.5);
  for (int id : {kFirstTime, kLastTime, kCurrentTime}) Control(id)->setFont(small);
  const auto textWidth = [this](int id, const char* text) {
    return QFontMetrics(Control(id)->font()).horizontalAdvance(QString::fromLatin1(text)) + 6;
  };
  PanelMeasures measures;
  measures.units = DialogUnits::For(font());
  for (const auto& [id, control] : controls_) {
    if (auto* skinned = qobject_cast<SkinButton*>(control); skinned && skinned->HasPicture())
      measures.pictures[id] = skinned->sizeHint();
  }
  measures.hints[kSpeedLabel] = speedLabel_->sizeHint();
  for (int id : {kSoundChannel1, kSoundChannel2, kSetCopyStart, kSetCopyEnd, kStartCopy})
    measures.hints[id] = Control(id)->sizeHint();
  // Widest texts the read-outs have to hold.
  measures.timeTextWidth = std::max(textWidth(kCurrentTime, "8888/88/88"), textWidth(kCurrentTime, "88:88:88"));
  measures.channelTextWidth = textWidth(kChannelSingle, "88");
  measures.imageNumberTextWidth = textWidth(kImageNumber, "88888 / 88888");
  measures.copyNumberTextWidth = textWidth(kCopyStartNumber, "  88888  ");
  const auto* time = static_cast<QLabel*>(Control(kCurrentTime));
  measures.timeHeightForWidth = [time](int width) { return time->heightForWidth(width); };

  const PanelGeometry geometry = LayOutPanel(measures, copyControlsShown_);
  for (const auto& [id, rect] : geometry.controls) (id == kSpeedLabel ? speedLabel_ : Control(id))->setGeometry(rect);
  stripBottom_ = geometry.stripBottom;
  tabRight_ = geometry.tabRight;
  panelHeight_ = geometry.height;
  requiredWidth_ = geometry.requiredWidth;
  setMinimumWidth(requiredWidth_);
  PlaceRightAlignedControls();
}

void CSelvoFormView::PlaceRightAlignedControls() {
  QRect lastTime = Control(kLastTime)->geometry();
  QRect slider = positionSlider_->geometry();
  AlignRight(width(), lastTime, slider);
  Control(kLastTime)->setGeometry(lastTime);
  positionSlider_->setGeometry(slider);
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

}  // namespace selvo
