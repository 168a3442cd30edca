#pragma once
// A skinned control's shape: every pixel of its picture that is not the
// transparent colour (magenta), built row by row from the maximal opaque runs.
#include <QImage>
#include <QRegion>
#include <QRgb>

namespace selvo {

constexpr QRgb kSkinTransparent = 0xFF00FF;

// Empty region for a null image or one that is transparent throughout.
QRegion RegionFromBitmap(const QImage& bitmap, QRgb transparent = kSkinTransparent);

}  // namespace selvo
