#include "view/PositionSlider.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QWheelEvent>

#include "view/SliderDragTip.h"

namespace selvo {

PositionSlider::PositionSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setRange(0, 0);
  setPageStep(1);
  // Every value during a drag counts, so the picture follows the thumb.
  setTracking(true);
  new SliderDragTip(this, [this](int value) { return QStringLiteral("%1 / %2").arg(value).arg(maximum()); });
}

void PositionSlider::SetImageCount(int n) {
  const QSignalBlocker quiet(this);
  if (n < 1) {
    setRange(0, 0);
  } else {
    setRange(1, n);
    setPageStep(qMax(1, n / 10));
  }
}

void PositionSlider::SetPositionIndex(int index) {
  const QSignalBlocker quiet(this);
  setValue(index + 1);
}

void PositionSlider::PostToParent(QEvent::Type type) {
  if (QObject* target = parent()) QCoreApplication::postEvent(target, new QEvent(type));
}

void PositionSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) PostToParent(SeekBeginEventType());
  if (IsRangeEmpty()) {
    event->accept();
    return;
  }
  QSlider::mousePressEvent(event);
}

void PositionSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) PostToParent(SeekEndEventType());
  if (IsRangeEmpty()) {
    event->accept();
    return;
  }
  QSlider::mouseReleaseEvent(event);
}

void PositionSlider::keyPressEvent(QKeyEvent* event) {
  if (IsRangeEmpty()) {
    event->ignore();
    return;
  }
  QSlider::keyPressEvent(event);
}

void PositionSlider::wheelEvent(QWheelEvent* event) {
  if (IsRangeEmpty()) {
    event->ignore();
    return;
  }
  QSlider::wheelEvent(event);
}

}  // namespace selvo
