// The printed page as the view prints it: the title and the footer inside a
// landscape PDF page, the footer tracing the page back to its file, the PDF
// file named after the recording and image (the page's layout alone is
// tested with the renderer, tests/render/PrintedPageLayoutTest.cpp).
#include <gtest/gtest.h>

#include <QImage>
#include <QPageLayout>
#include <QPrinter>

#include "source/ImageInfo.h"
#include "source/Sha256.h"
#include "tests/CommandRun.h"
#include "tests/SmallRecording.h"
#include "tests/gui/CheckedViewFixture.h"
#include "tests/render/InkCount.h"

namespace selvo {
namespace {

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
  EXPECT_GT(test::InkIn(page, QRect(0, lastPictureRow + 1, page.width(), below / 2)), 20) << "the title";
  EXPECT_GT(test::InkIn(page, QRect(0, page.height() - below / 3, page.width(), below / 3)), 20) << "the footer";
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
