#pragma once
// How far one pane is zoomed into its picture and which part it shows. The
// shown part is kept as a fraction of the picture, so it holds while the
// pane steps to the next picture of its camera, whatever that picture's
// size. Box sizes are the pane's 4:3 picture box in device pixels; picture
// sizes are the picture's own pixels.
#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace selvo {

class ZoomState {
 public:
  // Never more than this many screen pixels per picture pixel.
  static constexpr double kMaxPixelScale = 16.0;

  // Magnification over the fitted picture; 1 shows the whole picture
  // fitted, below 1 the whole picture smaller than its box (1:1 of a
  // picture whose fit is larger).
  double Zoom() const { return zoom_; }
  // Only a part of the picture is shown.
  bool IsZoomed() const { return zoom_ > 1.0; }
  bool IsFitted() const { return zoom_ == 1.0; }
  // The share of the fitted box's width and height the picture fills,
  // centred in it: 1 unless shrunk below the fit.
  double BoxShare() const { return zoom_ < 1.0 ? zoom_ : 1.0; }
  // The part of the picture shown, in fractions of its width and height.
  QRectF ShownPart() const;
  // The point of the picture (fractions of its width and height) shown at
  // a point of the box given in fractions of the box's width and height,
  // and back.
  QPointF PicturePoint(const QPointF& boxFraction) const;
  QPointF BoxPoint(const QPointF& pictureFraction) const;

  // Screen pixels per picture pixel along the more magnified axis.
  static double FitPixelScale(const QSizeF& box, const QSizeF& picture);
  double PixelScale(const QSizeF& box, const QSizeF& picture) const;
  double MaxZoom(const QSizeF& box, const QSizeF& picture) const;

  void Fit();
  // One screen pixel per picture pixel, shrinking the picture when its fit
  // is larger than that.
  void ShowActualPixels(const QSizeF& box, const QSizeF& picture);
  // Multiplies the zoom, keeping the picture point under boxPoint (relative
  // to the box's top left) where it is, unless a limit or an edge stops it.
  void ZoomAbout(const QPointF& boxPoint, double factor, const QSizeF& box, const QSizeF& picture);
  // Sets the pixel scale about the centre of what is shown (1: one screen
  // pixel per picture pixel). Like the wheel and the key steps, it shrinks
  // the picture no further than the fit or, when it is already shrunk,
  // than it is.
  void SetPixelScale(double scale, const QSizeF& box, const QSizeF& picture);
  // The next power of two of the pixel scale up (in) or down, so that the
  // keys land on 1:1, 2:1, 4:1 ... whatever the fit was; down to fit.
  void StepPixelScale(bool in, const QSizeF& box, const QSizeF& picture);
  // Moves the shown part with a drag of boxDelta pixels: the picture
  // follows the mouse.
  void PanBy(const QPointF& boxDelta, const QSizeF& box);

 private:
  // The zoom is kept between lowest and the most the picture allows.
  void SetZoom(double zoom, double lowest, const QSizeF& box, const QSizeF& picture);
  double LowestKeptZoom() const { return zoom_ < 1.0 ? zoom_ : 1.0; }
  void KeepInside();

  double zoom_ = 1.0;
  QPointF centre_{0.5, 0.5};
};

}  // namespace selvo
