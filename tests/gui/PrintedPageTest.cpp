// The printed page: the title's and the footer's room is taken before the
// picture is fitted, so a landscape page keeps its title; a long title goes
// on more lines; the footer traces the page back to its file; a PDF file is
// named after the recording and image.
#include <gtest/gtest.h>

#include <QImage>
#include <QPageLayout>
#include <QPrinter>

#include "source/ImageInfo.h"
#include "source/Sha256.h"
#include "tests/CommandRun.h"
#include "tests/SmallRecording.h"
#include "tests/gui/CheckedViewFixture.h"
#include "view/render/PrintedPage.h"

namespace selvo {
namespace {

bool IsInk(QRgb p) { return qGray(p) < 110; }

int InkIn(const QImage& image, const QRect& area) {
  int ink = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) ink += IsInk(image.pixel(x, y));
  return ink;
}

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
      EXPECT_GT(InkIn(image, QRect(0, page.titleRect.top() + line * titleLine, c.width, titleLine)), 50)
          << "title line " << line;
    }
    EXPECT_GT(InkIn(image, QRect(0, page.footerRect.bottom() - page.footerPixelHeight, c.width,
                                 page.footerPixelHeight)), 50)
        << "the footer's last line";
  }
}

class PrintedPageTest : public test::CheckedViewFixture {
 protected:
  void SetUp() override {
    CheckedViewFixture::SetUp();
    const std::vector<test::SmallFrame> frames{
        {0, 100000000, TrailerDamage::kNone},
        {0, 100000001, TrailerDamage::kAlteredImage},
    };
    const std::string recording = test::WriteSmallRecording(scratch_, "case-117.rec", frames, true);
    ASSERT_EQ(doc_->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
    doc_->ShowImage(1);
    ASSERT_EQ(doc_->GetCurrentStatus(), kImageAltered);
  }
};

TEST_F(PrintedPageTest, LandscapePdfCarriesPictureTitleAndFooterInsideThePage) {
  doc_->SetPrintTitle("EXHIBIT 4");
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setPageOrientation(QPageLayout::Landscape);
  const std::string pdf = scratch_ / "page.pdf";
  printer.setOutputFileName(QString::fromStdString(pdf));
  ASSERT_TRUE(view_->PrintTo(printer));

  const std::string png = scratch_ / "page";
  ASSERT_EQ(test::RunCommand("pdftoppm -r 60 -png -singlefile '" + pdf + "' '" + png + "'").exitCode, 0);
  const QImage page(QString::fromStdString(png + ".png"));
  ASSERT_FALSE(page.isNull());
  ASSERT_GT(page.width(), page.height());
  // The picture is the blue block; under it, inside the page, the title
  // and then the footer put ink on the paper.
  int lastPictureRow = -1;
  for (int y = 0; y < page.height(); ++y) {
    const QRgb p = page.pixel(page.width() / 2, y);
    if (qBlue(p) > 120 && qRed(p) < 80) lastPictureRow = y;
  }
  ASSERT_GT(lastPictureRow, page.height() / 2);
  const int below = page.height() - 1 - lastPictureRow;
  EXPECT_GT(below, page.height() / 12) << "room for the title and the footer";
  EXPECT_GT(InkIn(page, QRect(0, lastPictureRow + 1, page.width(), below / 2)), 20) << "the title";
  EXPECT_GT(InkIn(page, QRect(0, page.height() - below / 3, page.width(), below / 3)), 20) << "the footer";
}

TEST_F(PrintedPageTest, FooterNamesFileCameraImageTimeVerdictAndTheFilesDigest) {
  const QStringList footer = view_->PrintFooterLines();
  const QString text = footer.join(QLatin1Char('\n'));
  const std::string file = doc_->GetCurrentPath();
  const std::vector<std::uint8_t> bytes = test::ReadFileBytes(file);
  const QString digest = QString::fromStdString(HexDigest(Sha256::Of(bytes.data(), bytes.size())));
  for (const QString& part : {QString::fromStdString(file), QStringLiteral("1ch"), QStringLiteral("Image: 2 of 2"),
                              QStringLiteral("file 2"), QString::fromStdString(doc_->GetCurrentTimeText()),
                              QStringLiteral("IMAGE ALTERED"), digest}) {
    EXPECT_TRUE(text.contains(part)) << part.toStdString() << " missing from\n" << text.toStdString();
  }
}

TEST_F(PrintedPageTest, PdfIsNamedAfterRecordingAndImage) {
  EXPECT_EQ(view_->ProposedPrintFileName(), QStringLiteral("case-117_rec_IMG00002.pdf"));
  doc_->ShowImage(0);
  EXPECT_EQ(view_->ProposedPrintFileName(), QStringLiteral("case-117_rec_IMG00001.pdf"));
}

}  // namespace
}  // namespace selvo
