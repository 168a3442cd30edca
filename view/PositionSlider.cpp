#include "view/PositionSlider.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>

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

void PositionSlider::SetMarks(std::vector<int> alteredNumbers, std::vector<int> anomalyNumbers) {
  if (alteredNumbers == alteredMarks_ && anomalyNumbers == anomalyMarks_) return;
  alteredMarks_ = std::move(alteredNumbers);
  anomalyMarks_ = std::move(anomalyNumbers);
  update();
}

void PositionSlider::SetBookmarkMarks(std::vector<int> numbers) {
  if (numbers == bookmarkMarks_) return;
  bookmarkMarks_ = std::move(numbers);
  update();
}

// The thumb's centre travels half a thumb inside either end of the groove:
// the tick of an image stands where the thumb's centre stands on it.
PositionSlider::MarkScale PositionSlider::CurrentMarkScale() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
  const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  MarkScale scale;
  scale.groove = groove;
  scale.left = groove.left() + handle.width() / 2;
  scale.span = qMax(0, groove.width() - handle.width());
  scale.upsideDown = option.upsideDown;
  return scale;
}

int PositionSlider::MarkX(const MarkScale& scale, int number) const {
  return scale.left + QStyle::sliderPositionFromValue(minimum(), maximum(), number, scale.span, scale.upsideDown);
}

int PositionSlider::MarkX(int number) const { return MarkX(CurrentMarkScale(), number); }

// The ticks go between the groove and the thumb, so the thumb stays whole
// where it stands on a problem.
void PositionSlider::paintEvent(QPaintEvent* event) {
  if ((alteredMarks_.empty() && anomalyMarks_.empty() && bookmarkMarks_.empty()) || IsRangeEmpty()) {
    QSlider::paintEvent(event);
    return;
  }
  QPainter painter(this);
  QStyleOptionSlider option;
  initStyleOption(&option);
  option.subControls = QStyle::SC_SliderGroove;
  style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
  const MarkScale scale = CurrentMarkScale();
  DrawMarks(painter, scale, anomalyMarks_, AnomalyMarkColour());
  DrawMarks(painter, scale, alteredMarks_, AlteredMarkColour());
  DrawMarks(painter, scale, bookmarkMarks_, BookmarkMarkColour());
  initStyleOption(&option);
  option.subControls = QStyle::SC_SliderHandle;
  style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}

// Thousands of problems on a few hundred pixels: each column is drawn once.
void PositionSlider::DrawMarks(QPainter& painter, const MarkScale& scale, const std::vector<int>& numbers,
                               const QColor& colour) const {
  const int top = qMax(0, scale.groove.top() - 2);
  const int bottom = qMin(height() - 1, scale.groove.bottom() + 2);
  painter.setPen(QPen(colour, 1));
  int lastX = -1;
  for (int number : numbers) {
    const int x = MarkX(scale, number);
    if (x == lastX) continue;
    painter.drawLine(x, top, x, bottom);
    lastX = x;
  }
}

void PositionSlider::PostToParent(QEvent::Type type) {
  if (QObject* target = parent()) QCoreApplication::postEvent(target, new QEvent(type));
}

void PositionSlider::SendToParent(QEvent::Type type) {
  if (QObject* target = parent()) {
    QEvent event(type);
    QCoreApplication::sendEvent(target, &event);
  }
}

bool PositionSlider::IsOnThumb(const QPoint& point) const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this).contains(point);
}

void PositionSlider::PutThumbUnder(int x) {
  const MarkScale scale = CurrentMarkScale();
  if (scale.span <= 0) return;
  const int along = std::clamp(x - scale.left, 0, scale.span);
  setSliderPosition(QStyle::sliderValueFromPosition(minimum(), maximum(), along, scale.span, scale.upsideDown));
}

// Play pauses before the press moves anything: a loop left to run one more
// step would carry the picture away from the thumb, in sound mode back to
// where the sound is. A press that just missed the moving thumb takes it all
// the same, instead of paging a tenth of the recording away.
void PositionSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) SendToParent(SeekBeginEventType());
  if (IsRangeEmpty()) {
    event->accept();
    return;
  }
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton && event->buttons() == Qt::LeftButton && !IsOnThumb(at)) PutThumbUnder(at.x());
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
