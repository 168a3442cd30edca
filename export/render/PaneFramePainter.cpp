#include "export/render/PaneFramePainter.h"

#include <memory>

namespace selvo {

FramePainter MakePaneFramePainter(const PaneOverlayStyle& style) {
  // Reused across frames: the picture is scaled straight into the frame as
  // on screen, not area-averaged into a copy first, which would cost more
  // than the encoding.
  auto scratch = std::make_shared<QImage>();
  return [style, scratch](const DibBlock* picture, const ExportPicture& facts, const std::string& title,
                          FrameCanvas& canvas) {
    QImage frame(canvas.pixels, canvas.width, canvas.height, canvas.stride, QImage::Format_RGB32);
    const PixelRect whole{0, 0, canvas.width, canvas.height};
    if (picture == nullptr) {
      // Grey, so that "invalid image" (drawn in black) reads as what it is
      // and not as a dark moment of the recording.
      DrawInvalidImage(frame, whole, Qt::gray, facts.status, style);
      return true;
    }
    frame.fill(Qt::black);
    PaneDrawRequest request;
    request.rect = whole;
    request.image = picture;
    request.time = facts.time;
    request.title = QString::fromStdString(title);
    request.status = facts.status;
    request.scratch = scratch.get();
    DrawPane(frame, request, style);
    return true;
  };
}

}  // namespace selvo
