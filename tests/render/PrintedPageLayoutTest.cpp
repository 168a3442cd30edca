// The printed page's layout, on a plain buffer: the title's and the
// footer's room is taken before the picture is fitted, so a landscape page
// keeps its title; a long title goes on more lines.
#include <gtest/gtest.h>

#include <QImage>

#include "tests/render/InkCount.h"
#include "view/render/PrintedPage.h"

namespace selvo {
namespace {

const QStringList kFooter{QStringLiteral("File: /media/stick/rec/IMG00001/IMG00029.jpg"),
                          QStringLiteral("Camera: 1ch   Image: 8 of 32 (file 29)   Verdict: IMAGE ALTERED"),
                          QStringLiteral("SHA-256 of the file: ") + QString(64, QLatin1Char('a'))};

TEST(PrintedPageLayout, TitleAndFooterKeepTheirRoomOnEveryPage) {
  PaneOverlayStyle style;
  const QString longTitle =
      QStringLiteral("Case 2026-117, exhibit 4: camera 1 at the loading bay, the frame the defence disputes, "
                     "printed for the hearing of 12 December with the recorder's own time");
  struct Case {
    const char* name;
    int width, height;  // an A4 page's printable area at 240 dots per inch
    QString title;
    int minTitleLines;
  };
  for (const Case& c : {Case{"landscape", 2650, 1790, QStringLiteral("EXHIBIT 4"), 1},
                        Case{"portrait", 1790, 2650, QStringLiteral("EXHIBIT 4"), 1},
                        Case{"landscape, long title", 2650, 1790, longTitle, 2},
                        Case{"portrait, one unbroken word", 1790, 2650, QString(200, QLatin1Char('W')), 2}}) {
    SCOPED_TRACE(c.name);
    style.printTitle = c.title;
    const PrintedPageLayout page = LayOutPrintedPage(c.width, c.height, 240, c.title, kFooter, style);
    const QRect picture(page.pictureBox.x, page.pictureBox.y, page.pictureBox.w, page.pictureBox.h);
    EXPECT_GT(picture.height(), c.height / 3);
    EXPECT_EQ(page.titleRect.top(), picture.bottom() + 1) << "the title starts right under the picture";
    EXPECT_GE(page.titleRect.height(), c.minTitleLines * page.titlePixelHeight);
    EXPECT_LT(page.titleRect.bottom(), page.footerRect.top()) << "title and footer do not overlap";
    EXPECT_EQ(page.footerRect.bottom(), c.height - 1);
    EXPECT_GE(page.footerRect.height(), 3 * page.footerPixelHeight);
    EXPECT_NEAR(page.footerPixelHeight, 23, 1) << "7 points at 240 dots per inch";

    // Drawn: ink on every line of the title and of the footer, and the
    // title's last line is inside the page.
    QImage image(c.width, c.height, QImage::Format_RGB32);
    image.fill(Qt::white);
    ComposePrintedPage(image, 240, PaneDrawRequest(), style, kFooter);
    const int titleLine = page.titleRect.height() / c.minTitleLines;
    for (int line = 0; line < c.minTitleLines; ++line) {
      EXPECT_GT(test::InkIn(image, QRect(0, page.titleRect.top() + line * titleLine, c.width, titleLine)), 50)
          << "title line " << line;
    }
    EXPECT_GT(test::InkIn(image, QRect(0, page.footerRect.bottom() - page.footerPixelHeight, c.width,
                                 page.footerPixelHeight)), 50)
        << "the footer's last line";
  }
}

}  // namespace
}  // namespace selvo
