#include "source/text/StringIds.h"
#include "source/text/UiText.h"
#include "view/SpeedSlider.h"

#include <QHelpEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>

#include "doc/PlaySpeed.h"
#include "view/SliderDragTip.h"

namespace selvo {

SpeedSlider::SpeedSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setRange(kSlowestSpeed, kFastestSpeed);
  setPageStep(1);
  setSingleStep(1);
  setTickPosition(QSlider::TicksBelow);
  setTickInterval(1);
  new SliderDragTip(this, [this](int value) { return TickText(value - minimum()); });
}

int SpeedSlider::GetFrameInterval() const { return FrameIntervalForSpeed(value()); }
int SpeedSlider::GetSkipCount() const { return SkipCountForSpeed(value()); }

QString SpeedSlider::TickText(int tick) { return UiString(str::kFirstTickString + tick); }

int SpeedSlider::TickX(int tick) const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
  const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  const int span = groove.width() - handle.width();
  return groove.x() + handle.width() / 2 +
         QStyle::sliderPositionFromValue(minimum(), maximum(), minimum() + tick, span);
}

int SpeedSlider::GrooveBottom() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this).bottom();
}

int SpeedSlider::TickAt(QPoint point) const {
  if (point.y() <= GrooveBottom() || point.y() >= height()) return -1;
  const int ticks = maximum() - minimum() + 1;
  for (int tick = 0; tick < ticks; ++tick) {
    const int x = TickX(tick);
    if (point.x() >= x - 2 && point.x() <= x + 2) return tick;
  }
  return -1;
}

bool SpeedSlider::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const int tick = TickAt(help->pos());
    if (tick < 0) {
      QToolTip::hideText();
      event->ignore();
      return true;
    }
    const int x = TickX(tick);
    const QRect strip(x - 2, GrooveBottom() + 1, 5, height() - GrooveBottom() - 1);
    QToolTip::showText(help->globalPos(), TickText(tick), this, strip);
    return true;
  }
  return QSlider::event(event);
}

}  // namespace selvo
