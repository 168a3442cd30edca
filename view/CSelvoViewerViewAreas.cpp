// The image view's part in the motion search: the areas dragged on a pane
// while Find Motion is open, kept by the document in the recorded picture's
// pixels, and drawn over the pictures on the screen (the rest of the class
// is in CSelvoViewerView.cpp, CSelvoViewerViewExamine.cpp and
// CSelvoViewerViewSave.cpp).
#include "view/CSelvoViewerView.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QPainter>

#include "doc/CSelvoViewerDoc.h"
#include "doc/MotionSearches.h"

namespace selvo {

namespace {

const QColor kAreaColour(0, 220, 0);
const QColor kIgnoreColour(230, 40, 40);
// A click, or a slip of the hand, picks the pane and draws no area.
constexpr double kLeastDrag = 4.0;

void OutlineArea(QPainter& painter, const QRectF& rect, bool ignore, const QString& label) {
  const QColor colour = ignore ? kIgnoreColour : kAreaColour;
  QColor fill = colour;
  fill.setAlpha(ignore ? 90 : 50);
  painter.fillRect(rect, fill);
  QPen pen(colour, 2, ignore ? Qt::DashLine : Qt::SolidLine);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect);
  if (!label.isEmpty()) painter.drawText(rect.adjusted(4, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, label);
}

}  // namespace

int CSelvoViewerView::PaneCamera(int pane) const {
  return slots_.IsSplit() ? slots_.PaneChannel(pane) : doc_.Motion().CurrentCamera();
}

QPointF CSelvoViewerView::DeviceToPicture(int pane, const QPointF& devicePoint) const {
  const DibBlock* image = PaneImage(pane);
  const PixelBox box = ShownBoxOf(pane);
  if (image == nullptr || box.w <= 0 || box.h <= 0) return {};
  const QPointF inBox(std::clamp((devicePoint.x() - box.x) / box.w, 0.0, 1.0),
                      std::clamp((devicePoint.y() - box.y) / box.h, 0.0, 1.0));
  const QPointF part = PaneZoom(pane).PicturePoint(inBox);
  const int cut = TopCutRows(image->Height());
  return {part.x() * image->Width(), cut + part.y() * (image->Height() - cut)};
}

QRectF CSelvoViewerView::PictureToDevice(int pane, const MotionRect& area) const {
  const DibBlock* image = PaneImage(pane);
  const PixelBox box = ShownBoxOf(pane);
  const int cut = image != nullptr ? TopCutRows(image->Height()) : 0;
  if (image == nullptr || image->Width() <= 0 || image->Height() <= cut) return {};
  const ZoomState& zoom = PaneZoom(pane);
  const auto toDevice = [&](double x, double y) {
    const QPointF inBox = zoom.BoxPoint({x / image->Width(), (y - cut) / (image->Height() - cut)});
    return QPointF(box.x + inBox.x() * box.w, box.y + inBox.y() * box.h);
  };
  return QRectF(toDevice(area.x, area.y), toDevice(static_cast<double>(area.Right()), static_cast<double>(area.Bottom())));
}

void CSelvoViewerView::EndAreaDrag(const QPointF& devicePoint) {
  const AreaDrag drag = std::exchange(areaDrag_, AreaDrag{});
  update();
  const DibBlock* image = PaneImage(drag.pane);
  if (image == nullptr || std::abs(devicePoint.x() - drag.from.x()) < kLeastDrag ||
      std::abs(devicePoint.y() - drag.from.y()) < kLeastDrag) {
    return;
  }
  const QPointF a = DeviceToPicture(drag.pane, drag.from);
  const QPointF b = DeviceToPicture(drag.pane, devicePoint);
  const int left = static_cast<int>(std::lround(std::min(a.x(), b.x())));
  const int top = static_cast<int>(std::lround(std::min(a.y(), b.y())));
  const int right = static_cast<int>(std::lround(std::max(a.x(), b.x())));
  const int bottom = static_cast<int>(std::lround(std::max(a.y(), b.y())));
  doc_.Motion().AddArea(PaneCamera(drag.pane), image->Width(), image->Height(),
                        MotionRect{left, top, right - left, bottom - top}, drag.ignore);
}

// On the window's painter, after the picture: nothing of it reaches the
// composed buffer that saving, printing and export draw from.
void CSelvoViewerView::DrawMotionAreas(QPainter& painter) const {
  const MotionSearches& motion = doc_.Motion();
  if (!motion.IsDrawing()) return;
  const MotionAreaDrawing& drawn = motion.Drawing();
  const qreal ratio = devicePixelRatioF();
  const auto logical = [ratio](const QRectF& device) {
    return QRectF(device.topLeft() / ratio, device.size() / ratio);
  };
  painter.save();
  for (int pane = 0; pane < slots_.PaneCount(); ++pane) {
    const DibBlock* image = PaneImage(pane);
    if (image == nullptr) continue;
    const PixelBox box = ShownBoxOf(pane);
    painter.setClipRect(logical(QRectF(box.x, box.y, box.w, box.h)));
    if (PaneCamera(pane) == drawn.camera && image->Width() == drawn.pictureWidth &&
        image->Height() == drawn.pictureHeight) {
      int number = 0;
      for (const MotionRect& area : drawn.areas)
        OutlineArea(painter, logical(PictureToDevice(pane, area)), false, QString::number(++number));
      for (const MotionRect& area : drawn.ignores)
        OutlineArea(painter, logical(PictureToDevice(pane, area)), true, QString::number(++number));
    }
    if (areaDrag_.pane == pane)
      OutlineArea(painter, logical(QRectF(areaDrag_.from, areaDrag_.to).normalized()), areaDrag_.ignore, QString());
  }
  painter.restore();
}

void CSelvoViewerView::OnMotionAreasChanged() {
  if (!doc_.Motion().IsDrawing()) areaDrag_ = AreaDrag{};
  if (!panning_) {
    if (doc_.Motion().IsDrawing())
      setCursor(Qt::CrossCursor);
    else
      unsetCursor();
  }
  update();
}

}  // namespace selvo
