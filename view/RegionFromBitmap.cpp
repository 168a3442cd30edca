#include "view/RegionFromBitmap.h"

namespace selvo {

QRegion RegionFromBitmap(const QImage& bitmap, QRgb transparent) {
  QRegion region;
  if (bitmap.isNull()) return region;
  const QImage pixels = bitmap.convertToFormat(QImage::Format_RGB32);
  const QRgb key = transparent & 0x00FFFFFFu;
  const int width = pixels.width();
  for (int y = 0; y < pixels.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
    int x = 0;
    while (x < width) {
      while (x < width && (row[x] & 0x00FFFFFFu) == key) ++x;
      const int runStart = x;
      while (x < width && (row[x] & 0x00FFFFFFu) != key) ++x;
      if (x > runStart) region += QRect(runStart, y, x - runStart, 1);
    }
  }
  return region;
}

}  // namespace selvo
