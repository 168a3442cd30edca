// The image view on a real document and a small recording: what a paint
// shows, the pane menu as the widget builds it, the saved file and the
// printed page.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPrinter>
#include <QScreen>
#include <QWindow>

#include "doc/CSelvoViewerDoc.h"
#include "source/Notifier.h"
#include "tests/SmallRecording.h"
#include "tests/gui/CheckedViewFixture.h"
#include "view/CSelvoViewerView.h"

namespace selvo {
namespace {

class ViewWidgetTest : public test::CheckedViewFixture {
 protected:
  void SetUp() override {
    CheckedViewFixture::SetUp();
    view_->resize(1000, 480);  // a wide client: the 640 x 480 box sits at x = 180
  }

  // Channels 0, 1 and 2; the picture of channel 1 has an altered image.
  void OpenThreeChannels() {
    const std::vector<test::SmallFrame> frames{
        {0, 100000000, TrailerDamage::kNone},
        {1, 100000001, TrailerDamage::kAlteredImage},
        {2, 100000002, TrailerDamage::kNone},
    };
    const std::string path = test::WriteSmallRecording(scratch_, "rec", frames, true);
    ASSERT_EQ(doc_->OpenFolder(path), CSelvoViewerDoc::OpenOutcome::Opened);
  }

  QPoint CentreOfPane(int pane, int side) const {
    const int w = 640 / side;
    const int h = 480 / side;
    return QPoint(180 + (pane % side) * w + w / 2, (pane / side) * h + h / 2);
  }
};

TEST_F(ViewWidgetTest, WithoutARecordingThereIsNothingToDrawSaveOrChoose) {
  const QImage shown = view_->ComposeClientArea();
  const QRgb face = view_->palette().color(QPalette::Button).rgb();
  EXPECT_EQ(shown.pixel(500, 240), face);
  EXPECT_FALSE(view_->SelectPaneAt(QPoint(500, 240)));
  QString reason;
  const QString path = QString::fromStdString(scratch_ / "none.bmp");
  EXPECT_FALSE(view_->SaveImageTo(path, reason));
  EXPECT_TRUE(reason.isEmpty());
  EXPECT_FALSE(QFileInfo::exists(path));
}

// A window-size image made afresh for every paint cost more in page faults
// than decoding the picture it showed. The high half of a cache key names
// the image's memory; only a resize may change it.
TEST_F(ViewWidgetTest, PlaybackPaintsReuseOneBackBufferUntilTheViewIsResized) {
  OpenThreeChannels();
  const auto memoryOf = [](const QImage& image) { return image.cacheKey() >> 32; };
  const qint64 first = memoryOf(view_->ComposeClientArea());
  doc_->GoNext(true);
  EXPECT_EQ(memoryOf(view_->ComposeClientArea()), first);
  EXPECT_EQ(memoryOf(view_->ComposeClientArea()), first);
  view_->resize(800, 600);
  const QImage& resized = view_->ComposeClientArea();
  EXPECT_NE(memoryOf(resized), first);
  EXPECT_EQ(resized.size(), QSize(800, 600));
}

// A paint of the whole view composes straight into the window's own buffer,
// at the view's place in the window; a partial one goes through the view's
// back buffer. Either way the window must hold what the back buffer holds:
// an offset or row length taken wrong shows as a shifted or sheared picture.
TEST_F(ViewWidgetTest, TheWindowHoldsWhatTheBackBufferComposesForWholeAndPartialPaints) {
  OpenThreeChannels();
  QWidget window;
  window.resize(1020, 500);
  view_->setParent(&window);
  view_->move(7, 5);
  window.show();
  QCoreApplication::processEvents();
  const auto shownInWindow = [&](const QRect& part) {
    return window.screen()
        ->grabWindow(window.winId(), 7 + part.x(), 5 + part.y(), part.width(), part.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  };
  const QRect whole(0, 0, 1000, 480);
  view_->repaint();
  EXPECT_EQ(shownInWindow(whole), view_->ComposeClientArea().copy(whole)) << "one pane";
  view_->SetSplit4();
  view_->repaint();
  EXPECT_EQ(shownInWindow(whole), view_->ComposeClientArea().copy(whole)) << "four panes";
  view_->OnPaneMenuCommand(kPaneMenu1Image);
  QCoreApplication::processEvents();  // the change's own paint, whole
  doc_->GoNext(false);
  const QRect part(150, 100, 400, 200);
  view_->repaint(part);
  EXPECT_EQ(shownInWindow(part), view_->ComposeClientArea().copy(part)) << "partial paint";
  view_->setParent(nullptr);  // the fixture owns the view
}

// Under X an opaque window's buffer is premultiplied ARGB, and the view
// composes straight into it. What lands there must be the back buffer's
// pixels, each with its alpha byte opaque: a pixel left translucent would
// show whatever lay under the window on a compositing desktop.
TEST_F(ViewWidgetTest, APremultipliedWindowBufferGetsTheBackBuffersOpaquePixels) {
  OpenThreeChannels();
  const auto firstDifference = [](const QImage& expected, const QImage& got) -> QString {
    for (int y = 0; y < expected.height(); ++y) {
      for (int x = 0; x < expected.width(); ++x) {
        const QRgb e = expected.pixel(x, y);
        const QRgb g = reinterpret_cast<const QRgb*>(got.constScanLine(y))[x];
        if (e != g) return QString::asprintf("at %d,%d: %08x where the back buffer has %08x", x, y, g, e);
      }
    }
    return QString();
  };
  for (const bool split : {false, true}) {
    if (split) view_->SetSplit4();
    QImage window(view_->size(), QImage::Format_ARGB32_Premultiplied);
    window.fill(Qt::transparent);
    view_->render(&window);
    EXPECT_EQ(firstDifference(view_->ComposeClientArea(), window), QString()) << (split ? "four panes" : "one pane");
  }
}

TEST_F(ViewWidgetTest, OnePaneStretchesThePictureIntoTheCentredBox) {
  OpenThreeChannels();
  const QImage shown = view_->ComposeClientArea();
  const QRgb face = view_->palette().color(QPalette::Button).rgb();
  EXPECT_EQ(shown.pixel(179, 240), face);
  EXPECT_EQ(shown.pixel(820, 240), face);
  const QRgb inside = shown.pixel(300, 100);
  EXPECT_NEAR(qBlue(inside), 160, 8);  // channel 0's picture is blue
  EXPECT_NEAR(qRed(inside), 0, 8);
}

TEST_F(ViewWidgetTest, SplitPanesKeepTheirChannelsAndTheMenuFollowsThem) {
  OpenThreeChannels();
  view_->SetSplit4();
  EXPECT_TRUE(view_->IsSplit4());
  EXPECT_EQ(view_->GetPaneCount(), 4);
  // A fresh split shows the recording's cameras in order, the rest empty.
  EXPECT_EQ(view_->GetPaneChannel(0), 0);
  EXPECT_EQ(view_->GetPaneChannel(1), 1);
  EXPECT_EQ(view_->GetPaneChannel(2), 2);
  EXPECT_EQ(view_->GetPaneChannel(3), kEmptyPane);
  EXPECT_FALSE(view_->SelectPaneAt(QPoint(100, 100)));  // the bar left of the box

  ASSERT_TRUE(view_->SelectPaneAt(CentreOfPane(1, 2)));
  QMenu menu;
  view_->BuildPaneMenu(menu);
  QStringList texts;
  for (const QAction* action : menu.actions()) {
    texts << action->text();
    const int id = action->data().toInt();
    if (id == kPaneMenuChannel0 + 0) {
      EXPECT_FALSE(action->isEnabled());  // shown in pane 0
    }
    if (id == kPaneMenuChannel0 + 1) {
      EXPECT_TRUE(action->isChecked());
    }
  }
  EXPECT_EQ(texts, (QStringList{"1 image", "9 image", "16 image", "1ch", "2ch", "3ch"}));

  view_->SetSplit16();
  view_->SetSplit4();
  EXPECT_EQ(view_->GetPaneChannel(1), 1);  // the 2x2 assignment came back
  view_->OnPaneDoubleClick(CentreOfPane(3, 2));  // an empty pane
  EXPECT_FALSE(view_->IsSplit());
  EXPECT_EQ(view_->GetPaneChannel(0), kAllChannels);
}

TEST_F(ViewWidgetTest, SavedFileIsThePictureAtItsWidthAndA43Height) {
  OpenThreeChannels();
  QString reason;
  const QString path = QString::fromStdString(scratch_ / "shot.bmp");
  ASSERT_TRUE(view_->SaveImageTo(path, reason)) << reason.toStdString();
  // 64 wide: 64 x 48 pixels, rows of 192 bytes.
  EXPECT_EQ(QFileInfo(path).size(), 54 + 48 * 192);
  EXPECT_FALSE(view_->SaveImageTo(QString::fromStdString(scratch_ / "missing/shot.bmp"), reason));
  EXPECT_FALSE(reason.isEmpty());
}

TEST_F(ViewWidgetTest, PrintsOnePageToAPdfFile) {
  OpenThreeChannels();
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const QString path = QString::fromStdString(scratch_ / "page.pdf");
  printer.setOutputFileName(path);
  ASSERT_TRUE(view_->PrintTo(printer));
  EXPECT_EQ(printer.docName(), QStringLiteral("Selvo Viewer Print"));
  QFile pdf(path);
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5) == "%PDF-");
  pdf.seek(0);
  EXPECT_EQ(pdf.readAll().count("/Type /Page\n"), 1);
}

TEST_F(ViewWidgetTest, PrintThatCannotStartSaysSo) {
  OpenThreeChannels();
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(scratch_ / "no-such-folder/page.pdf"));
  QString shown;
  QTimer::singleShot(0, [&shown] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->close();
    }
  });

  view_->PrintOrReport(printer);

  EXPECT_TRUE(shown.startsWith(QStringLiteral("Failed to start print job.\n"))) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QStringLiteral("No such file or directory"))) << shown.toStdString();
}

// A page printed to a file is a record like any other: it replaces an
// earlier file whole, leaves no temporary beside it, and is never written
// into the recording on screen or through a link.
std::string PageBytes(const std::string& path) {
  const std::vector<std::uint8_t> bytes = test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST_F(ViewWidgetTest, APagePrintedToAFileIsWrittenWholeAndNeverIntoTheRecording) {
  OpenThreeChannels();
  const auto printTo = [this](const std::string& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
    QString shown;
    QObject watch;  // a print that shows nothing leaves no timer behind
    QTimer::singleShot(0, &watch, [&shown] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        shown = box->text();
        box->close();
      }
    });
    view_->PrintOrReport(printer);
    return shown;
  };
  const std::string out = scratch_.MakeDir("out");
  const std::string page = scratch_.Write("out/page.pdf", std::string("an earlier page"));
  EXPECT_EQ(printTo(page), QString());
  EXPECT_EQ(PageBytes(page).substr(0, 5), "%PDF-");
  EXPECT_EQ(QDir(QString::fromStdString(out)).entryList(QDir::Files | QDir::Hidden), QStringList{"page.pdf"});

  const std::string link = out + "/link.pdf";
  ASSERT_EQ(::symlink(page.c_str(), link.c_str()), 0);
  const std::string intoRecording = doc_->LastOpenFolder() + "/page.pdf";
  for (const std::string& refused : {intoRecording, link}) {
    SCOPED_TRACE(refused);
    const std::string before = PageBytes(page);
    EXPECT_FALSE(printTo(refused).isEmpty());
    EXPECT_EQ(PageBytes(page), before);
  }
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(intoRecording)));
}

}  // namespace
}  // namespace selvo
