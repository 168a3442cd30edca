#pragma once
// Composes one pane of the image view into a back buffer: the picture
// stretched into its 4:3 box, the time text with its shadow, the print title
// and the alteration marks. The screen, the saved bitmap and the printed page
// all go through here, so they cannot drift apart.
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>

#include "source/CalendarTime.h"
#include "source/DibBlock.h"
#include "view/render/Enhance.h"
#include "view/render/PaneLayout.h"
#include "view/render/PictureStretch.h"

class QPainter;

namespace selvo {

enum PaneDrawFlags {
  kDrawImage = 1,
  kDrawTexts = 2,
  kDrawBlackBox = 4,  // no picture: the 4:3 box is filled black
};

struct PaneDrawRequest {
  int flags = kDrawImage | kDrawTexts;
  PixelRect rect;                    // area available to the picture
  const DibBlock* image = nullptr;
  CalendarSeconds time = 0;          // 0: no time text
  QString title;                     // camera title
  bool printing = false;             // write the print title under the picture
  bool halftone = true;              // smooth stretching
  int status = 0;                    // alteration flags
  // Given by the screen: the picture is stretched bilinear straight from
  // its rows into the buffer. Without it (print, export) the picture is
  // stretched area-averaged into a copy first.
  PictureStretch* stretch = nullptr;
  // Given by the screen for a zoomed part or sharp pixels: the picture rows
  // are copied into this reused image and drawn scaled into the buffer.
  QImage* scratch = nullptr;
  // The part of the picture drawn into the box, in fractions of the
  // picture: all of it unless the pane is zoomed.
  QRectF shownPart{0.0, 0.0, 1.0, 1.0};
  // Display enhancement over the picture (not the texts); null for none.
  const EnhanceSettings* enhance = nullptr;
  // The picture is far from the moment the view is locked to: the time
  // text turns amber.
  bool farInTime = false;
  // A zoomed pane shows where its part lies in a small overview.
  bool overview = false;
};

// How the texts of a pane look; read from the document once per paint.
struct PaneOverlayStyle {
  int timePosition = 0;  // 0 right-down, 1 right-up, 2 left-up, 3 left-down
  int dateFormat = 0;
  int dateDelimiter = 0;
  bool cameraTitleShown = false;
  QString timeFace = QStringLiteral("Arial");
  QString printTitleFace = QStringLiteral("Arial");
  QString printTitle;
  // Height of the band under the picture meant for the print title; a
  // title that needs more lines gets them all the same.
  int printTitleBand = 256;
  // Started with "check": the alteration boxes are drawn.
  bool alterationMarks = false;
};

struct TextMetrics {
  int fontHeight = 0;
  int marginX = 0;
  int marginY = 0;
};

// Rows dropped from the top of recorder pictures that carry a 16-row band
// above the picture proper.
int TopCutRows(int imageHeight);

// Font height and margins for an image box of the given height.
TextMetrics TextMetricsFor(int boxHeight);

// Origin of a tw x th text inside a bw x bh box, by time position.
void TimeTextOrigin(int timePosition, int bw, int bh, int tw, int th, const TextMetrics& m, int& x,
                    int& y);

// Camera title (when shown) and formatted time; empty without a valid time.
QString TimeTextFor(const PaneDrawRequest& request, const PaneOverlayStyle& style);

// The picture rows of a decoded image as a QImage, top row first, with the
// given number of rows cut off the top.
QImage PictureRows(const DibBlock& image, int topCut);

// The same as opaque RGB32 into out, which keeps its memory when its size
// fits; false when there are no rows or no memory.
bool OpaqueRowsInto(const DibBlock& image, int topCut, QImage& out);

// Darkens every pixel of r to 0.9 of its value, truncating: a light shadow
// that keeps white text readable on a white picture.
void ShadeRect(QImage& buffer, const PixelRect& r);

// The "IMAGE ALTERED" / "TIME ALTERED" boxes a status calls for, over the
// image box; nothing unless the style asks for alteration marks.
void DrawAlterationMarks(QImage& buffer, const PixelBox& box, int status, const PaneOverlayStyle& style);

void DrawPane(QImage& buffer, const PaneDrawRequest& request, const PaneOverlayStyle& style);

// True when DrawPane will cover the whole of the request's picture box with
// opaque picture pixels, so that what lay under the box need not be cleared.
bool PictureCoversItsBox(const PaneDrawRequest& request);

// Fills r less box (the margins around a picture) with colour.
void FillAround(QImage& buffer, const PixelRect& r, const PixelBox& box, const QColor& colour);
// Fills rect, clipped to the buffer, with colour.
void FillPixels(QImage& buffer, const QRect& rect, const QColor& colour);

// A back buffer of width x height filled with background and one pane drawn
// over all of it: the one-pane screen, the saved bitmap and the printed page.
QImage ComposeSinglePane(int width, int height, const QColor& background, PaneDrawRequest request,
                         const PaneOverlayStyle& style);

// The saved picture: width x 3/4 width as one pane and, when the request is
// enhanced, a band under it that says so ("enhanced: contrast +20").
QImage ComposeExportPicture(int width, const QColor& background, PaneDrawRequest request,
                            const PaneOverlayStyle& style);

// The enhancement note of a request, empty when it is not enhanced.
QString EnhanceNote(const PaneDrawRequest& request);

// The placeholder for a recording whose current picture could not be read,
// with that image's alteration marks in the 4:3 box the picture would have
// filled.
void DrawInvalidImage(QImage& buffer, const PixelRect& r, const QColor& background, int status,
                      const PaneOverlayStyle& style);

// A sunken two-pixel frame around r.
void DrawSunkenEdge(QImage& buffer, const PixelRect& r);

}  // namespace selvo
