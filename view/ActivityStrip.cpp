#include "view/ActivityStrip.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "view/PositionSlider.h"

namespace selvo {

ActivityStrip::ActivityStrip(PositionSlider* slider) : QWidget(slider), slider_(slider) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  slider_->installEventFilter(this);
  FollowSlider();
  hide();
}

void ActivityStrip::SetActivity(std::vector<std::uint16_t> activity, std::vector<std::pair<int, int>> events) {
  activity_ = std::move(activity);
  events_ = std::move(events);
  setVisible(!activity_.empty());
  update();
}

bool ActivityStrip::eventFilter(QObject* watched, QEvent* event) {
  if (watched == slider_ && event->type() == QEvent::Resize) FollowSlider();
  return QWidget::eventFilter(watched, event);
}

void ActivityStrip::FollowSlider() {
  const int height = std::min(kHeight, slider_->height());
  setGeometry(0, slider_->height() - height, slider_->width(), height);
  raise();
}

std::pair<int, int> ActivityStrip::Columns(int first, int last) const {
  int left = slider_->MarkX(first + 1);
  int right = slider_->MarkX(last + 1);
  if (left > right) std::swap(left, right);
  return {left, std::max(left, right)};
}

bool ActivityStrip::IsEventColumn(int x) const {
  return std::any_of(events_.begin(), events_.end(), [&](const std::pair<int, int>& event) {
    const auto [left, right] = Columns(event.first, event.second);
    return x >= left && x <= right;
  });
}

void ActivityStrip::paintEvent(QPaintEvent*) {
  if (activity_.empty()) return;
  QPainter painter(this);
  painter.fillRect(rect(), QColor(30, 30, 30));
  for (const auto& event : events_) {
    const auto [left, right] = Columns(event.first, event.second);
    painter.fillRect(QRect(left, 0, right - left + 1, height()), EventColour());
  }
  // The tallest activity of each column: a brief movement stays visible
  // however many images share a pixel.
  std::vector<int> tallest(static_cast<std::size_t>(std::max(0, width())), 0);
  for (std::size_t i = 0; i < activity_.size(); ++i) {
    if (activity_[i] == 0xFFFF) continue;
    const int x = slider_->MarkX(static_cast<int>(i) + 1);
    if (x < 0 || x >= width()) continue;
    // A square root: the small shares that start an event still show.
    const int bar = static_cast<int>(std::lround(std::sqrt(activity_[i] / 65534.0) * height()));
    tallest[static_cast<std::size_t>(x)] = std::max(tallest[static_cast<std::size_t>(x)], bar);
  }
  painter.setPen(ActivityColour());
  for (int x = 0; x < width(); ++x) {
    const int bar = tallest[static_cast<std::size_t>(x)];
    if (bar > 0) painter.drawLine(x, height() - bar, x, height() - 1);
  }
}

}  // namespace selvo
