#include "panel/MotionAreaPicker.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace selvo {

namespace {

const QColor kAreaColour(0, 220, 0);
const QColor kIgnoreColour(230, 40, 40);

}  // namespace

MotionAreaPicker::MotionAreaPicker(QWidget* parent) : QWidget(parent) {
  setMinimumSize(240, 165);
  setCursor(Qt::CrossCursor);
}

void MotionAreaPicker::SetPicture(const QImage& picture) {
  if (picture.size() != picture_.size()) {
    areas_.clear();
    ignores_.clear();
    emit areasChanged();
  }
  picture_ = picture;
  update();
}

void MotionAreaPicker::ClearAreas() {
  areas_.clear();
  ignores_.clear();
  update();
  emit areasChanged();
}

QRect MotionAreaPicker::PictureRect() const {
  if (picture_.isNull()) return {};
  const QSize shown = picture_.size().scaled(size(), Qt::KeepAspectRatio);
  return QRect(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
}

QPoint MotionAreaPicker::ToPicture(const QPoint& widgetPoint) const {
  const QRect shown = PictureRect();
  if (shown.isEmpty()) return {};
  const int x = static_cast<int>(static_cast<long long>(widgetPoint.x() - shown.left()) * picture_.width() / shown.width());
  const int y = static_cast<int>(static_cast<long long>(widgetPoint.y() - shown.top()) * picture_.height() / shown.height());
  return {std::clamp(x, 0, picture_.width()), std::clamp(y, 0, picture_.height())};
}

QRect MotionAreaPicker::ToWidget(const MotionRect& area) const {
  const QRect shown = PictureRect();
  if (shown.isEmpty()) return {};
  const auto sx = [&](long long x) { return shown.left() + static_cast<int>(x * shown.width() / picture_.width()); };
  const auto sy = [&](long long y) { return shown.top() + static_cast<int>(y * shown.height() / picture_.height()); };
  return QRect(QPoint(sx(area.x), sy(area.y)), QPoint(sx(area.Right()) - 1, sy(area.Bottom()) - 1));
}

MotionRect MotionAreaPicker::DraggedArea() const {
  const QRect box = QRect(dragStart_, dragEnd_).normalized();
  // QRect's right edge is inside: the area reaches the pixel under the end.
  return {box.left(), box.top(), box.width() - 1, box.height() - 1};
}

void MotionAreaPicker::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (picture_.isNull()) return;
  painter.drawImage(PictureRect(), picture_);
  const auto outline = [&](const MotionRect& area, const QColor& colour, bool ignore) {
    QColor fill = colour;
    fill.setAlpha(ignore ? 90 : 50);
    painter.fillRect(ToWidget(area), fill);
    painter.setPen(QPen(colour, 2, ignore ? Qt::DashLine : Qt::SolidLine));
    painter.drawRect(ToWidget(area));
  };
  for (const MotionRect& area : areas_) outline(area, kAreaColour, false);
  for (const MotionRect& area : ignores_) outline(area, kIgnoreColour, true);
  if (dragging_) outline(DraggedArea(), draggingIgnore_ ? kIgnoreColour : kAreaColour, draggingIgnore_);
}

void MotionAreaPicker::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || picture_.isNull()) return;
  dragging_ = true;
  draggingIgnore_ = (event->modifiers() & Qt::ShiftModifier) != 0;
  dragStart_ = dragEnd_ = ToPicture(event->position().toPoint());
  update();
}

void MotionAreaPicker::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  dragEnd_ = ToPicture(event->position().toPoint());
  update();
}

void MotionAreaPicker::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return;
  dragging_ = false;
  dragEnd_ = ToPicture(event->position().toPoint());
  const MotionRect area = DraggedArea();
  // A click, or a slip of a pixel or two, is no area.
  if (area.width >= 4 && area.height >= 4 && area.FitsIn(picture_.width(), picture_.height())) {
    (draggingIgnore_ ? ignores_ : areas_).push_back(area);
    emit areasChanged();
  }
  update();
}

}  // namespace selvo
