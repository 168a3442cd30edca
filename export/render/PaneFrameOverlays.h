#pragma once
// The shareable export's overlays drawn by the pane renderer: the time
// text with its shade, the camera title and the alteration marks, exactly
// as the one-pane view draws them over its picture.
#include <memory>

#include "export/FrameCanvas.h"
#include "view/render/PaneRenderer.h"

namespace selvo {

class PaneFrameOverlays : public FrameOverlays {
 public:
  explicit PaneFrameOverlays(const PaneOverlayStyle& style) : style_(style) {}

  bool PictureFillsFrame(int width, int height) const override;
  int TopCutRows(int pictureHeight) const override;
  bool Draw(const ExportPicture& facts, const std::string& cameraTitle, FrameCanvas& canvas) override;

 private:
  PaneOverlayStyle style_;
};

std::shared_ptr<FrameOverlays> MakePaneFrameOverlays(const PaneOverlayStyle& style);

}  // namespace selvo
