// The image view's saved picture and printed page: what is written, where
// it may go, and what the user is told when it fails (the rest of the class
// is in CSelvoViewerView.cpp and CSelvoViewerViewExamine.cpp).
#include "view/CSelvoViewerView.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include "doc/CSelvoViewerDoc.h"
#include "source/OutputFile.h"
#include "source/OutputRefusal.h"
#include "source/Sha256.h"
#include "source/StatusVerdict.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"
#include "source/text/UiLanguage.h"
#include "view/render/PrintedPage.h"

namespace selvo {

namespace {


// The file's SHA-256 in hexadecimal, empty when it cannot be read whole.
QString FileSha256(const QString& path) {
  QFile file(path);
  if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return QString();
  Sha256 hash;
  QByteArray chunk(1 << 16, Qt::Uninitialized);
  for (;;) {
    const qint64 got = file.read(chunk.data(), chunk.size());
    if (got < 0) return QString();
    if (got == 0) break;
    hash.Add(chunk.constData(), static_cast<std::size_t>(got));
  }
  return QString::fromStdString(HexDigest(hash.Finish()));
}

// A file name from a recording's and an image's names: no folder
// separators, no control characters, no dots for a print dialog to take
// for an extension.
QString FileNamePart(QString text) {
  for (QChar& c : text) {
    if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('.') || c.category() == QChar::Other_Control)
      c = QLatin1Char('_');
  }
  return text;
}

}  // namespace

// ------------------------------------------------------------ save and print

bool CSelvoViewerView::RenderForExport(BitmapFileParts& parts, bool shownArea) {
  if (!DocumentReady()) return false;
  const DibPtr image = doc_.CopyImageBlock();
  if (!image) return false;
  const int width = image->Width();
  if (width <= 0 || static_cast<int>(width * 0.75) <= 0) return false;
  PaneDrawRequest request = CurrentImageRequest(image.get());
  if (shownArea && !slots_.IsSplit()) request.shownPart = PaneZoom(0).ShownPart();
  const QImage picture = ComposeExportPicture(width, ButtonFace(), request, OverlayStyle(1.0));
  if (picture.isNull()) return false;
  parts = EncodeBitmap(picture);
  return !parts.bits.empty();
}

bool CSelvoViewerView::SaveImageTo(const QString& path, QString& reason, bool shownArea) {
  reason.clear();
  BitmapFileParts parts;
  if (!RenderForExport(parts, shownArea)) return false;
  if (!WriteBitmapFile(path, parts, reason, EvidenceFolders())) return false;
  doc_.Case().LogOutput(LogKind::kStillSaved, path.toStdString(), EnhanceDescription(enhance_));
  return true;
}

// The recording on screen is evidence: nothing is saved or printed into it.
std::vector<std::string> CSelvoViewerView::EvidenceFolders() const {
  std::vector<std::string> evidence;
  if (doc_.SourceKind() == 0 && !doc_.LastOpenFolder().empty()) evidence.push_back(doc_.LastOpenFolder());
  return evidence;
}

void CSelvoViewerView::ShowSaveFailure(const QString& path, const QString& reason) {
  const QString text = UiText("The picture could not be saved as \"%1\".\n%2", "画像を \"%1\" に保存できませんでした。\n%2");
  QMessageBox::warning(this, QApplication::applicationDisplayName(), text.arg(path, reason));
}

// A zoomed pane asks what the saved picture holds; false when cancelled.
bool CSelvoViewerView::AskShownArea(bool& shownArea) {
  shownArea = false;
  if (slots_.IsSplit() || !PaneZoom(0).IsZoomed()) return true;
  QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), UiString(str::kSaveZoomedQuestionString),
                  QMessageBox::Cancel, this);
  QPushButton* whole = box.addButton(UiString(str::kSaveWholeString), QMessageBox::AcceptRole);
  QPushButton* shown = box.addButton(UiString(str::kSaveShownString), QMessageBox::AcceptRole);
  box.setDefaultButton(whole);
  box.exec();
  shownArea = box.clickedButton() == shown;
  return box.clickedButton() == whole || box.clickedButton() == shown;
}

void CSelvoViewerView::SaveImage() {
  bool shownArea = false;
  if (!AskShownArea(shownArea)) return;
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("bmp"));
  dialog.setNameFilter(QStringLiteral("bitmap(*.bmp)"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().constFirst();
  QString reason;
  if (!SaveImageTo(path, reason, shownArea) && !reason.isEmpty()) ShowSaveFailure(path, reason);
}

bool CSelvoViewerView::PrintTo(QPrinter& printer) {
  printer.setDocName(QString::fromLatin1(kPrintJobName));
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const int pageWidth = printer.width();
  const int pageHeight = printer.height();
  const int printerDpi = std::max(1, printer.resolution());
  const double scale = std::min(1.0, static_cast<double>(kPrintComposeDpi) / printerDpi);
  const int width = std::max(1, static_cast<int>(std::lround(pageWidth * scale)));
  const int height = std::max(1, static_cast<int>(std::lround(pageHeight * scale)));
  QImage page(width, height, QImage::Format_RGB32);
  if (!page.isNull()) {
    page.fill(Qt::white);
    ComposePrintPage(page, static_cast<int>(std::lround(printerDpi * scale)), OverlayStyle(scale));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, pageWidth, pageHeight), page);
  }
  return painter.end();
}

void CSelvoViewerView::ComposePrintPage(QImage& page, int dotsPerInch, const PaneOverlayStyle& style) {
  const DibBlock* image = DocumentReady() ? doc_.CurrentImage() : nullptr;
  if (image == nullptr) {
    ComposeOnePane(page, {0, 0, page.width(), page.height()}, true, style);
    return;
  }
  ComposePrintedPage(page, dotsPerInch, CurrentImageRequest(image), style, PrintFooterLines());
}

QStringList CSelvoViewerView::PrintFooterLines() const {
  if (!DocumentReady()) return {};
  const QString path = QString::fromStdString(doc_.GetCurrentPath());
  const QString unknown = UiString(str::kPrintNotAvailableString);
  const int status = doc_.GetCurrentStatus();
  const StatusVerdict verdict = VerdictForStatus(status);
  QString camera = QString::fromStdString(doc_.GetChannelLabel()).trimmed();
  if (camera != QLatin1String("--")) camera = UiString(str::kPaneMenuChannelString).arg(camera);
  const QString cameraTitle = QString::fromStdString(doc_.GetCurrentChannelTitle());
  if (!cameraTitle.isEmpty()) camera += QLatin1Char(' ') + cameraTitle;
  const int fileIndex = doc_.GetCurrentFileIndex();
  const QString file = fileIndex >= 0 ? QString::number(fileIndex + 1) : unknown;
  const QString time = doc_.GetCurrentTime() != 0 && verdict.HasValidTime()
                           ? QString::fromStdString(doc_.GetCurrentTimeText())
                           : unknown;
  const QString sha = FileSha256(path);
  return {UiString(str::kPrintFooterFileString).arg(path.isEmpty() ? unknown : path),
          UiString(str::kPrintFooterImageString)
              .arg(camera, QString::number(doc_.GetPosition() + 1), QString::number(doc_.GetCount()), file, time,
                   QString::fromStdString(verdict.Text())),
          UiString(str::kPrintFooterSha256String).arg(sha.isEmpty() ? unknown : sha)};
}

QString CSelvoViewerView::ProposedPrintFileName() const {
  const QString folder = QFileInfo(QString::fromStdString(doc_.LastOpenFolder())).fileName();
  const QString recording = folder.isEmpty() ? QStringLiteral("recording") : folder;
  const QString path = QString::fromStdString(doc_.GetCurrentPath());
  const QString image = path.isEmpty() ? QStringLiteral("image%1").arg(doc_.GetPosition() + 1, 4, 10, QLatin1Char('0'))
                                       : QFileInfo(path).completeBaseName();
  return FileNamePart(recording + QLatin1Char('_') + image) + QStringLiteral(".pdf");
}

void CSelvoViewerView::PrintImage() {
  QPrinter printer(QPrinter::HighResolution);
  // The print dialog proposes a PDF file named after the document: name it
  // after the recording and the image, so that one page never takes the
  // last one's name. The job itself keeps its own name. (The dialog itself
  // asks before it replaces a file that exists.)
  printer.setDocName(ProposedPrintFileName());
  QPrintDialog dialog(&printer, this);
  dialog.setMinMax(1, 1);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  const bool accepted = dialog.exec() == QDialog::Accepted;
  printer.setDocName(QString::fromLatin1(kPrintJobName));
  if (!accepted) return;
  PrintOrReport(printer);
}

void CSelvoViewerView::PrintOrReport(QPrinter& printer) {
  QString reason;
  const bool toFile = printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
  if (!(toFile ? PrintToFile(printer, reason) : PrintTo(printer))) {
    ShowPrintFailure(reason);
  } else if (toFile) {
    doc_.Case().LogOutput(LogKind::kPagePrinted, printer.outputFileName().toStdString(), EnhanceDescription(enhance_));
  } else {
    doc_.Case().LogPrinted(printer.printerName().toStdString(), EnhanceDescription(enhance_));
  }
}

// A page printed to a file is kept as a record: like every file we write it
// is whole or absent, and never lands in the recording or through a link.
// The printer writes the temporary; the name is taken only when it is done.
bool CSelvoViewerView::PrintToFile(QPrinter& printer, QString& reason) {
  const QString target = printer.outputFileName();
  const std::string refusal = OutputRefusal({{"The page", target.toStdString()}}, EvidenceFolders());
  if (!refusal.empty()) {
    reason = QString::fromStdString(refusal);
    return false;
  }
  OutputFile file;
  bool printed = file.Create(target.toStdString());
  if (printed) {
    printer.setOutputFileName(QString::fromStdString(file.TemporaryPath()));
    printed = PrintTo(printer);
    printer.setOutputFileName(target);
    if (printed) printed = file.Commit();
  }
  if (!printed) {
    if (file.Error() != 0) reason = QString::fromStdString(file.ErrorText());
    file.Discard();
  }
  return printed;
}

void CSelvoViewerView::ShowPrintFailure(const QString& reason) {
  QString text = UiString(str::kPrintFailedString);
  if (!reason.isEmpty()) text += QLatin1Char('\n') + reason;
  QMessageBox::warning(this, QApplication::applicationDisplayName(), text);
}

}  // namespace selvo
