#pragma once
// The shareable export's painter: each frame drawn by the pane renderer as
// the one-pane view draws it, time text, camera title and alteration marks
// included, so the video shows what the viewer shows.
#include "export/FrameCanvas.h"
#include "view/render/PaneRenderer.h"

namespace selvo {

FramePainter MakePaneFramePainter(const PaneOverlayStyle& style);

}  // namespace selvo
