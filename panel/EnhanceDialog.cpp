#include "panel/EnhanceDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "source/text/StringIds.h"
#include "source/text/UiText.h"

namespace selvo {

namespace {

QString SignedText(int value) { return value > 0 ? QStringLiteral("+%1").arg(value) : QString::number(value); }

}  // namespace

EnhanceDialog::EnhanceDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(UiString(str::kEnhanceTitle));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  brightness_ = AddSlider(grid, 0, str::kBrightnessString, EnhanceSettings::kMinPercent, EnhanceSettings::kMaxPercent);
  contrast_ = AddSlider(grid, 1, str::kContrastString, EnhanceSettings::kMinPercent, EnhanceSettings::kMaxPercent);
  gamma_ = AddSlider(grid, 2, str::kGammaString, EnhanceSettings::kMinGammaTenths, EnhanceSettings::kMaxGammaTenths);
  sharpen_ = AddSlider(grid, 3, str::kSharpenString, 0, EnhanceSettings::kMaxSharpen);
  layout->addLayout(grid);
  autoLevels_ = new QCheckBox(UiString(str::kAutoLevelsString), this);
  greyscale_ = new QCheckBox(UiString(str::kGreyscaleString), this);
  layout->addWidget(autoLevels_);
  layout->addWidget(greyscale_);
  auto* note = new QLabel(UiString(str::kDisplayOnlyString), this);
  note->setWordWrap(true);
  layout->addWidget(note);
  auto* reset = new QPushButton(UiString(str::kEnhanceReset), this);
  reset->setObjectName("reset");
  layout->addWidget(reset, 0, Qt::AlignRight);
  for (QCheckBox* box : {autoLevels_, greyscale_}) connect(box, &QCheckBox::toggled, this, &EnhanceDialog::SendChange);
  connect(reset, &QPushButton::clicked, this, &EnhanceDialog::Reset);
  SetSettings(EnhanceSettings{});
}

QSlider* EnhanceDialog::AddSlider(QGridLayout* grid, int row, int labelString, int minimum, int maximum) {
  auto* slider = new QSlider(Qt::Horizontal, this);
  slider->setRange(minimum, maximum);
  slider->setMinimumWidth(200);
  auto* label = new QLabel(UiString(labelString), this);
  label->setBuddy(slider);
  values_[row] = new QLabel(this);
  values_[row]->setMinimumWidth(40);
  grid->addWidget(label, row, 0);
  grid->addWidget(slider, row, 1);
  grid->addWidget(values_[row], row, 2);
  connect(slider, &QSlider::valueChanged, this, &EnhanceDialog::SendChange);
  return slider;
}

EnhanceSettings EnhanceDialog::Settings() const {
  EnhanceSettings s;
  s.brightness = brightness_->value();
  s.contrast = contrast_->value();
  s.gammaTenths = gamma_->value();
  s.sharpen = sharpen_->value();
  s.autoLevels = autoLevels_->isChecked();
  s.greyscale = greyscale_->isChecked();
  return s;
}

void EnhanceDialog::SetSettings(const EnhanceSettings& settings) {
  const EnhanceSettings s = settings.Clamped();
  quiet_ = true;
  brightness_->setValue(s.brightness);
  contrast_->setValue(s.contrast);
  gamma_->setValue(s.gammaTenths);
  sharpen_->setValue(s.sharpen);
  autoLevels_->setChecked(s.autoLevels);
  greyscale_->setChecked(s.greyscale);
  quiet_ = false;
  ShowValues();
}

void EnhanceDialog::Reset() {
  SetSettings(EnhanceSettings{});
  emit settingsChanged(Settings());
}

void EnhanceDialog::ShowValues() {
  const EnhanceSettings s = Settings();
  values_[0]->setText(SignedText(s.brightness));
  values_[1]->setText(SignedText(s.contrast));
  values_[2]->setText(QStringLiteral("%1.%2").arg(s.gammaTenths / 10).arg(s.gammaTenths % 10));
  values_[3]->setText(QString::number(s.sharpen));
}

void EnhanceDialog::SendChange() {
  ShowValues();
  if (!quiet_) emit settingsChanged(Settings());
}

}  // namespace selvo
