#include "view/render/ZoomOverview.h"

#include <QPainter>
#include <QPen>

#include "view/render/DevicePainter.h"

namespace selvo {

namespace {

constexpr int kMinOverviewWidth = 24;

}  // namespace

PixelBox ZoomOverviewBox(const PixelBox& box, int timePosition) {
  const int w = box.w / 5;
  const int h = w * 3 / 4;
  const int margin = std::max(2, box.w / 80);
  // Time right-down: overview left-up, and so on round the corners.
  const bool timeRight = timePosition == 0 || timePosition == 1 || timePosition < 0 || timePosition > 3;
  const bool timeDown = timePosition == 0 || timePosition == 3 || timePosition < 0 || timePosition > 3;
  const int x = timeRight ? box.x + margin : box.x + box.w - margin - w;
  const int y = timeDown ? box.y + margin : box.y + box.h - margin - h;
  return {x, y, w, h};
}

void DrawZoomOverview(QImage& buffer, const PixelBox& box, const QImage& picture, const QRectF& shownPart,
                      int timePosition) {
  const PixelBox o = ZoomOverviewBox(box, timePosition);
  if (o.w < kMinOverviewWidth || picture.isNull()) return;
  const QRect target(o.x, o.y, o.w, o.h);
  const QRectF shown(o.x + shownPart.left() * o.w, o.y + shownPart.top() * o.h, shownPart.width() * o.w,
                     shownPart.height() * o.h);
  DevicePainter painter(&buffer);
  painter.drawImage(target, picture);
  // Dim what lies outside the shown part, so the part stands out even when
  // it is only a few pixels of the overview.
  QRegion outside(target);
  outside -= QRegion(shown.toAlignedRect());
  painter.setClipRegion(outside);
  painter.fillRect(target, QColor(0, 0, 0, 110));
  painter.setClipping(false);
  painter.setPen(QPen(QColor(255, 255, 255), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(target.adjusted(0, 0, -1, -1));
  painter.setPen(QPen(QColor(255, 200, 0), 1));
  painter.drawRect(shown.adjusted(0, 0, -1, -1));
}

}  // namespace selvo
