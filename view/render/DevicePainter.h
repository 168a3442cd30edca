#pragma once
// A painter on a picture buffer in the buffer's own pixels. Everything the
// renderer draws is placed in device pixels; a buffer that carries a device
// pixel ratio (a window's back buffer on a HiDPI screen) would otherwise
// scale every overlay by that ratio a second time, while the picture, which
// is written straight into the pixels, stayed put.
#include <QImage>
#include <QPainter>

namespace selvo {

class DevicePainter : public QPainter {
 public:
  explicit DevicePainter(QImage* buffer);
};

}  // namespace selvo
