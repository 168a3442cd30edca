#pragma once
// Dark pixels in a part of a page, for tests that look for the text a page
// carries without reading it.
#include <QImage>
#include <QRect>

namespace selvo::test {

inline bool IsInk(QRgb p) { return qGray(p) < 110; }

inline int InkIn(const QImage& image, const QRect& area) {
  int ink = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) ink += IsInk(image.pixel(x, y));
  return ink;
}

}  // namespace selvo::test
