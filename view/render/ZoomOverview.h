#pragma once
// The small picture in a corner of a zoomed pane that shows where the shown
// part lies in the whole picture.
#include <QImage>
#include <QRectF>

#include "view/render/PaneLayout.h"

namespace selvo {

// The overview's place in a pane's box: a fifth of its width, in the corner
// diagonally opposite the time text, clear of the alteration marks in the
// middle of the box.
PixelBox ZoomOverviewBox(const PixelBox& box, int timePosition);

// Draws picture scaled into the overview box, darkens what is not shown and
// frames the shown part. Nothing for a box too small to read.
void DrawZoomOverview(QImage& buffer, const PixelBox& box, const QImage& picture, const QRectF& shownPart,
                      int timePosition);

}  // namespace selvo
