#include "app/VideoExportOptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "doc/CSelvoViewerDoc.h"
#include "source/InfoIndex.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"

namespace selvo {

VideoExportOptionsDialog::VideoExportOptionsDialog(const CSelvoViewerDoc& doc, VideoExportRequest request,
                                                   int defaultCamera, QWidget* parent)
    : QDialog(parent), doc_(doc), request_(std::move(request)) {
  setWindowTitle(UiString(str::kVideoExportTitle));
  cameras_ = new QComboBox(this);
  all_ = new QRadioButton(UiString(str::kAllImagesChoiceString), this);
  copyRange_ = new QRadioButton(UiString(str::kCopyRangeChoiceString), this);
  stretch_ = new QRadioButton(UiString(str::kFromImageString), this);
  first_ = new QSpinBox(this);
  last_ = new QSpinBox(this);
  sound_ = new QCheckBox(UiString(str::kWithSoundString), this);

  auto* stretchRow = new QHBoxLayout;
  stretchRow->addWidget(stretch_);
  stretchRow->addWidget(first_);
  stretchRow->addWidget(new QLabel(UiString(str::kToImageString), this));
  stretchRow->addWidget(last_);
  stretchRow->addStretch();
  auto* range = new QVBoxLayout;
  range->addWidget(all_);
  range->addWidget(copyRange_);
  range->addLayout(stretchRow);
  auto* form = new QFormLayout;
  form->addRow(UiString(str::kCameraLabelString), cameras_);
  form->addRow(UiString(str::kRangeLabelString), range);
  form->addRow(QString(), sound_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  // A copy range is offered as it was set; it is given by stamps, which
  // any camera's images can be measured against.
  copyRange_->setVisible(request_.selection.byStamps);
  (request_.selection.byStamps ? copyRange_ : all_)->setChecked(true);
  sound_->setEnabled(doc.HasSound() != 0);
  sound_->setChecked(doc.HasSound() != 0 && request_.sound);
  const auto followStretch = [this] {
    first_->setEnabled(stretch_->isChecked());
    last_->setEnabled(stretch_->isChecked());
  };
  connect(stretch_, &QRadioButton::toggled, this, followStretch);
  connect(first_, qOverload<int>(&QSpinBox::valueChanged), this, [this](int value) { last_->setMinimum(value); });
  FillCameras(defaultCamera);
  connect(cameras_, qOverload<int>(&QComboBox::currentIndexChanged), this, &VideoExportOptionsDialog::FollowCamera);
  followStretch();
}

// The cameras the INFO index knows; without one the images carry no camera
// and all of them go.
void VideoExportOptionsDialog::FillCameras(int defaultCamera) {
  if (!doc_.HasChannel(-1)) {
    cameras_->addItem(UiString(str::kEveryImageString), 0);
    cameras_->setEnabled(false);
  } else {
    for (int channel = 0; channel < InfoIndex::kChannels; ++channel) {
      if (doc_.HasChannel(channel)) cameras_->addItem(UiString(str::kCameraChoiceString).arg(channel + 1), channel + 1);
    }
    const int preferred = cameras_->findData(defaultCamera);
    const int fromRequest = cameras_->findData(request_.selection.camera);
    cameras_->setCurrentIndex(preferred >= 0 ? preferred : std::max(0, fromRequest));
  }
  FollowCamera();
}

// The stretch counts the chosen camera's images.
void VideoExportOptionsDialog::FollowCamera() {
  const int camera = cameras_->currentData().toInt();
  const int count = camera > 0 ? doc_.GetChannelImageCount(camera - 1) : doc_.GetCount();
  first_->setRange(1, std::max(1, count));
  last_->setRange(first_->value(), std::max(1, count));
  last_->setValue(last_->maximum());
}

VideoExportRequest VideoExportOptionsDialog::Request() const {
  VideoExportRequest request = request_;
  request.selection.camera = cameras_->currentData().toInt();
  request.sound = sound_->isChecked();
  if (!copyRange_->isChecked()) {
    request.selection.byStamps = false;
    request.selection.first = stretch_->isChecked() ? first_->value() : 0;
    request.selection.last = stretch_->isChecked() ? last_->value() : 0;
  }
  return request;
}

QString VideoExportOptionsDialog::Describe(const VideoExportRequest& request) {
  const ExportSelection& selection = request.selection;
  QString text = selection.camera > 0 ? UiString(str::kCameraString).arg(selection.camera) : UiString(str::kEveryImageString);
  text += QStringLiteral(", ");
  if (selection.byStamps) {
    text += UiString(str::kCopyRangeString);
  } else if (selection.first > 0 || selection.last > 0) {
    text += UiString(str::kImagesFromToString).arg(std::max(1, selection.first)).arg(selection.last);
  } else {
    text += UiString(str::kAllImagesString);
  }
  if (!request.sound) text += QStringLiteral(", ") + UiString(str::kWithoutSoundString);
  return text;
}

}  // namespace selvo
