#pragma once
// The enhancement controls: brightness, contrast, gamma and sharpen as
// sliders, auto levels and greyscale as boxes, and one button that puts
// everything back. It stays open beside the view; every change is sent at
// once so the picture follows the slider.
#include <QDialog>

#include "view/render/Enhance.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QSlider;

namespace selvo {

class EnhanceDialog : public QDialog {
  Q_OBJECT

 public:
  explicit EnhanceDialog(QWidget* parent = nullptr);

  EnhanceSettings Settings() const;
  // Shows settings without sending them back.
  void SetSettings(const EnhanceSettings& settings);
  // The one-click reset: every control to its neutral value, sent.
  void Reset();

  QSlider* BrightnessSlider() const { return brightness_; }
  QSlider* ContrastSlider() const { return contrast_; }
  QSlider* GammaSlider() const { return gamma_; }
  QSlider* SharpenSlider() const { return sharpen_; }
  QCheckBox* AutoLevelsBox() const { return autoLevels_; }
  QCheckBox* GreyscaleBox() const { return greyscale_; }

 signals:
  void settingsChanged(const selvo::EnhanceSettings& settings);

 private:
  QSlider* AddSlider(QGridLayout* grid, int row, int labelString, int minimum, int maximum);
  void SendChange();
  void ShowValues();

  QSlider* brightness_ = nullptr;
  QSlider* contrast_ = nullptr;
  QSlider* gamma_ = nullptr;
  QSlider* sharpen_ = nullptr;
  QCheckBox* autoLevels_ = nullptr;
  QCheckBox* greyscale_ = nullptr;
  QLabel* values_[4] = {};
  bool quiet_ = false;
};

}  // namespace selvo
