#include "view/SliderDragTip.h"

#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>

namespace selvo {

SliderDragTip::SliderDragTip(QSlider* slider, TextFor text) : QObject(slider), slider_(slider), text_(std::move(text)) {
  connect(slider, &QAbstractSlider::sliderMoved, this, &SliderDragTip::Show);
  connect(slider, &QAbstractSlider::sliderPressed, this, [this] { Show(slider_->sliderPosition()); });
  connect(slider, &QAbstractSlider::sliderReleased, this, [] { QToolTip::hideText(); });
}

void SliderDragTip::Show(int value) {
  QStyleOptionSlider option;
  option.initFrom(slider_);
  option.orientation = slider_->orientation();
  option.minimum = slider_->minimum();
  option.maximum = slider_->maximum();
  option.sliderPosition = value;
  option.sliderValue = value;
  option.subControls = QStyle::SC_SliderHandle;
  const QRect handle = slider_->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider_);
  // Above the thumb, where the dragging hand does not cover it.
  const QPoint at = slider_->mapToGlobal(QPoint(handle.center().x(), handle.top() - handle.height()));
  QToolTip::showText(at, text_(value), slider_);
}

}  // namespace selvo
