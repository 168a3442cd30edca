#include "view/render/DevicePainter.h"

namespace selvo {

DevicePainter::DevicePainter(QImage* buffer) : QPainter(buffer) {
  // Whatever Qt makes of the buffer's ratio, undo it: one unit, one pixel.
  const QTransform toDevice = deviceTransform();
  if (isActive() && !toDevice.isIdentity() && toDevice.isInvertible()) setWorldTransform(toDevice.inverted());
}

}  // namespace selvo
