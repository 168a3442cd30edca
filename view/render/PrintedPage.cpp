#include "view/render/PrintedPage.h"

#include <algorithm>
#include <cmath>

#include <QFont>

#include "view/render/DevicePainter.h"
#include "view/render/WrappedText.h"

namespace selvo {

namespace {

constexpr double kFooterPoints = 7.0;

QFont PixelFont(const QString& face, int pixelHeight, bool bold) {
  QFont font(face);
  font.setPixelSize(std::max(1, pixelHeight));
  if (bold) font.setWeight(QFont::Bold);
  font.setStyleStrategy(QFont::PreferQuality);
  return font;
}

QFont TitleFont(const PaneOverlayStyle& style, int pixelHeight) { return PixelFont(style.printTitleFace, pixelHeight, true); }
QFont FooterFont(const PaneOverlayStyle& style, int pixelHeight) { return PixelFont(style.printTitleFace, pixelHeight, false); }

QString TitleText(const PaneOverlayStyle& style, const PaneDrawRequest& request) {
  const QString note = EnhanceNote(request);
  if (note.isEmpty()) return style.printTitle;
  return style.printTitle.isEmpty() ? note : style.printTitle + QLatin1Char('\n') + note;
}

}  // namespace

int FooterPixelHeight(int dotsPerInch) {
  return std::max(6, static_cast<int>(std::lround(kFooterPoints * dotsPerInch / 72.0)));
}

PrintedPageLayout LayOutPrintedPage(int width, int height, int dotsPerInch, const QString& titleText,
                                    const QStringList& footer, const PaneOverlayStyle& style) {
  PrintedPageLayout page;
  page.footerPixelHeight = FooterPixelHeight(dotsPerInch);
  const int gap = page.footerPixelHeight / 2;
  const int footerHeight = WrappedTextHeight(footer.join(QLatin1Char('\n')), FooterFont(style, page.footerPixelHeight), width);
  page.footerRect = QRect(0, height - footerHeight, width, footerHeight);
  const int aboveFooter = std::max(0, height - footerHeight - (footerHeight > 0 ? gap : 0));

  // The title is as tall as the time text of a picture filling the page;
  // a title that would take more than half the page gets smaller type, down
  // to the footer's, and from there all the room it needs.
  page.titlePixelHeight = TextMetricsFor(FitBox43({0, 0, width, aboveFooter}).h).fontHeight;
  int titleHeight = 0;
  for (;;) {
    titleHeight = WrappedTextHeight(titleText, TitleFont(style, page.titlePixelHeight), width);
    if (titleHeight <= aboveFooter / 2 || page.titlePixelHeight <= page.footerPixelHeight) break;
    page.titlePixelHeight = std::max(page.footerPixelHeight, page.titlePixelHeight * 4 / 5);
  }
  page.pictureArea = {0, 0, width, std::max(0, aboveFooter - titleHeight)};
  page.pictureBox = FitBox43(page.pictureArea);
  page.titleRect = QRect(0, page.pictureBox.y + page.pictureBox.h, width, titleHeight);
  return page;
}

void ComposePrintedPage(QImage& page, int dotsPerInch, PaneDrawRequest request, const PaneOverlayStyle& style,
                        const QStringList& footer) {
  const QString title = TitleText(style, request);
  const PrintedPageLayout layout = LayOutPrintedPage(page.width(), page.height(), dotsPerInch, title, footer, style);
  request.rect = layout.pictureArea;
  request.printing = false;  // the title is drawn here, in its reserved room
  if (layout.pictureBox.w > 0 && layout.pictureBox.h > 0) DrawPane(page, request, style);
  DevicePainter painter(&page);
  painter.setPen(Qt::black);
  DrawWrappedText(painter, title, TitleFont(style, layout.titlePixelHeight), layout.titleRect, Qt::AlignHCenter);
  DrawWrappedText(painter, footer.join(QLatin1Char('\n')), FooterFont(style, layout.footerPixelHeight),
                  layout.footerRect, Qt::AlignLeft);
}

}  // namespace selvo
