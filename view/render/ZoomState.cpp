#include "view/render/ZoomState.h"

#include <algorithm>
#include <cmath>

namespace selvo {

namespace {

bool Usable(const QSizeF& size) { return size.width() > 0 && size.height() > 0; }

}  // namespace

QRectF ZoomState::ShownPart() const {
  const double half = 0.5 / std::max(zoom_, 1.0);
  return QRectF(centre_.x() - half, centre_.y() - half, 2 * half, 2 * half);
}

QPointF ZoomState::PicturePoint(const QPointF& boxFraction) const {
  const QRectF shown = ShownPart();
  return {shown.left() + boxFraction.x() * shown.width(), shown.top() + boxFraction.y() * shown.height()};
}

QPointF ZoomState::BoxPoint(const QPointF& pictureFraction) const {
  const QRectF shown = ShownPart();
  return {(pictureFraction.x() - shown.left()) / shown.width(), (pictureFraction.y() - shown.top()) / shown.height()};
}

double ZoomState::FitPixelScale(const QSizeF& box, const QSizeF& picture) {
  if (!Usable(box) || !Usable(picture)) return 1.0;
  return std::max(box.width() / picture.width(), box.height() / picture.height());
}

double ZoomState::PixelScale(const QSizeF& box, const QSizeF& picture) const {
  return zoom_ * FitPixelScale(box, picture);
}

// A picture already shown larger than the limit at fit can still be fitted.
double ZoomState::MaxZoom(const QSizeF& box, const QSizeF& picture) const {
  return std::max(1.0, kMaxPixelScale / FitPixelScale(box, picture));
}

void ZoomState::Fit() {
  zoom_ = 1.0;
  centre_ = {0.5, 0.5};
}

void ZoomState::SetZoom(double zoom, double lowest, const QSizeF& box, const QSizeF& picture) {
  zoom_ = std::clamp(zoom, lowest, MaxZoom(box, picture));
}

void ZoomState::ZoomAbout(const QPointF& boxPoint, double factor, const QSizeF& box, const QSizeF& picture) {
  if (!Usable(box) || factor <= 0) return;
  const QPointF inBox(std::clamp(boxPoint.x() / box.width(), 0.0, 1.0),
                      std::clamp(boxPoint.y() / box.height(), 0.0, 1.0));
  const QPointF underCursor = PicturePoint(inBox);
  SetZoom(zoom_ * factor, LowestKeptZoom(), box, picture);
  const double shown = 1.0 / zoom_;
  centre_ = QPointF(underCursor.x() + (0.5 - inBox.x()) * shown, underCursor.y() + (0.5 - inBox.y()) * shown);
  KeepInside();
}

void ZoomState::SetPixelScale(double scale, const QSizeF& box, const QSizeF& picture) {
  SetZoom(scale / FitPixelScale(box, picture), LowestKeptZoom(), box, picture);
  KeepInside();
}

void ZoomState::ShowActualPixels(const QSizeF& box, const QSizeF& picture) {
  if (!Usable(box) || !Usable(picture)) return;
  const double zoom = 1.0 / FitPixelScale(box, picture);
  SetZoom(zoom, std::min(zoom, 1.0), box, picture);
  KeepInside();
}

void ZoomState::StepPixelScale(bool in, const QSizeF& box, const QSizeF& picture) {
  if (!Usable(box) || !Usable(picture)) return;
  // A scale a rounding error off a power of two counts as on it.
  const double exponent = std::log2(PixelScale(box, picture));
  const double next = in ? std::floor(exponent + 1e-9) + 1 : std::ceil(exponent - 1e-9) - 1;
  SetPixelScale(std::exp2(next), box, picture);
}

void ZoomState::PanBy(const QPointF& boxDelta, const QSizeF& box) {
  if (!Usable(box) || !IsZoomed()) return;
  centre_ -= QPointF(boxDelta.x() / box.width() / zoom_, boxDelta.y() / box.height() / zoom_);
  KeepInside();
}

// The shown part never leaves the picture: no empty margin beside it.
void ZoomState::KeepInside() {
  const double half = 0.5 / std::max(zoom_, 1.0);
  centre_ = QPointF(std::clamp(centre_.x(), half, 1.0 - half), std::clamp(centre_.y(), half, 1.0 - half));
}

}  // namespace selvo
