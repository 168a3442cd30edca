#include "export/render/PaneFrameOverlays.h"

namespace selvo {

bool PaneFrameOverlays::PictureFillsFrame(int width, int height) const {
  const PixelBox box = FitBox43(PixelRect{0, 0, width, height});
  return box.x == 0 && box.y == 0 && box.w == width && box.h == height;
}

int PaneFrameOverlays::TopCutRows(int pictureHeight) const { return selvo::TopCutRows(pictureHeight); }

// The pane drawn without its picture: what DrawPane draws over it and
// nothing under it.
bool PaneFrameOverlays::Draw(const ExportPicture& facts, const std::string& cameraTitle, FrameCanvas& canvas) {
  QImage frame(canvas.pixels, canvas.width, canvas.height, canvas.stride, QImage::Format_RGB32);
  PaneDrawRequest request;
  request.flags = kDrawTexts;
  request.rect = PixelRect{0, 0, canvas.width, canvas.height};
  request.time = facts.time;
  request.title = QString::fromStdString(cameraTitle);
  request.status = facts.status;
  DrawPane(frame, request, style_);
  DrawAlterationMarks(frame, FitBox43(request.rect), facts.status, style_);
  return true;
}

std::shared_ptr<FrameOverlays> MakePaneFrameOverlays(const PaneOverlayStyle& style) {
  return std::make_shared<PaneFrameOverlays>(style);
}

}  // namespace selvo
