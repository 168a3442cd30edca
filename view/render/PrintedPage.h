#pragma once
// The printed page: the picture as the one-pane view shows it, with its time
// text and marks, the print title under it on as many lines as it needs, and
// a footer in small type that names the file, camera, image, time, verdict
// and the file's SHA-256, so that a page found on its own can be traced
// back. The title's and the footer's room is taken from the page first and
// the picture is fitted into what is left: a landscape page, where the
// picture would fill the whole height, keeps its title.
#include <QImage>
#include <QString>
#include <QStringList>

#include "view/render/PaneLayout.h"
#include "view/render/PaneRenderer.h"

namespace selvo {

struct PrintedPageLayout {
  int titlePixelHeight = 0;
  int footerPixelHeight = 0;
  PixelRect pictureArea;  // the 4:3 picture box is fitted into this
  PixelBox pictureBox;
  QRect titleRect;        // under the picture box, the page's width
  QRect footerRect;       // at the foot of the page
};

// The footer's type: 7 points at the page's resolution.
int FooterPixelHeight(int dotsPerInch);

// Where everything goes on a width x height page composed at dotsPerInch.
// titleText is the user's title, and the enhancement note when there is one.
PrintedPageLayout LayOutPrintedPage(int width, int height, int dotsPerInch, const QString& titleText,
                                    const QStringList& footer, const PaneOverlayStyle& style);

// Draws the page into page (already filled with the paper's colour).
void ComposePrintedPage(QImage& page, int dotsPerInch, PaneDrawRequest request, const PaneOverlayStyle& style,
                        const QStringList& footer);

}  // namespace selvo
