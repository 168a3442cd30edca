#include "app/VideoExportDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "app/VideoExportOptionsDialog.h"
#include "doc/CSelvoViewerDoc.h"
#include "export/render/PaneFrameOverlays.h"
#include "export/render/PaneFramePainter.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"

namespace selvo {

namespace {

QString Lines(const std::vector<std::string>& lines) {
  QStringList list;
  for (const std::string& line : lines) list << QString::fromStdString(line);
  return list.join(QLatin1Char('\n'));
}

}  // namespace

QString VideoExportDialog::WithKindExtension(const QString& path, bool shareable) {
  const QString extension = shareable ? QStringLiteral(".mp4") : QStringLiteral(".mkv");
  return path.endsWith(extension, Qt::CaseInsensitive) ? path : path + extension;
}

VideoExportDialog* VideoExportDialog::Start(CSelvoViewerDoc& doc, const PaneOverlayStyle& style,
                                            int defaultCamera, QWidget* parent) {
  VideoExportRequest request = VideoExportJob::RequestFor(doc);
  if (request.folder.empty()) return nullptr;
  VideoExportOptionsDialog options(doc, request, defaultCamera, parent);
  if (options.exec() != QDialog::Accepted) return nullptr;
  request = options.Request();
  const QString lossless = UiString(str::kLosslessFilterString);
  const QString shareable = UiString(str::kShareableFilterString);
  QString chosenFilter = lossless;
  const QFileInfo folder(QString::fromStdString(request.folder));
  const QString camera = request.selection.camera > 0 ? QStringLiteral("-%1").arg(request.selection.camera) : QString();
  const QString suggested =
      folder.absolutePath() + QLatin1Char('/') + folder.fileName() + camera + QStringLiteral(".mkv");
  const QString path = QFileDialog::getSaveFileName(parent, UiString(str::kVideoExportTitle), suggested,
                                                    lossless + QStringLiteral(";;") + shareable, &chosenFilter);
  if (path.isEmpty()) return nullptr;
  const bool shareableChosen = chosenFilter == shareable || path.endsWith(QStringLiteral(".mp4"), Qt::CaseInsensitive);
  request.output = WithKindExtension(path, shareableChosen).toStdString();
  request.kind = shareableChosen ? VideoKind::kShareable : VideoKind::kLossless;
  VideoExportJob::TakeBookmarks(doc, request);
  return Begin(std::move(request), style, parent);
}

VideoExportDialog* VideoExportDialog::Begin(VideoExportRequest request, const PaneOverlayStyle& style,
                                            QWidget* parent) {
  auto* dialog = new VideoExportDialog(std::move(request), style, parent);
  dialog->show();
  dialog->job_->Start();
  return dialog;
}

VideoExportDialog::VideoExportDialog(VideoExportRequest request, const PaneOverlayStyle& style, QWidget* parent)
    : QProgressDialog(parent),
      job_(std::make_unique<VideoExportJob>(std::move(request), MakePaneFramePainter(style))) {
  job_->SetOverlays(MakePaneFrameOverlays(style));
  setAttribute(Qt::WA_DeleteOnClose);
  // The window stays usable while the worker exports.
  setWindowModality(Qt::NonModal);
  setWindowTitle(UiString(str::kVideoExportTitle));
  setLabelText(UiString(str::kVideoExportProgress));
  setCancelButtonText(UiString(str::kVideoExportCancel));
  setAutoClose(false);
  setAutoReset(false);
  setMinimumDuration(0);
  setRange(0, 0);
  connect(job_.get(), &VideoExportJob::progress, this, &VideoExportDialog::OnProgress);
  connect(job_.get(), &VideoExportJob::finished, this, &VideoExportDialog::OnFinished);
  connect(this, &QProgressDialog::canceled, this, [this] { job_->Cancel(); });
}

void VideoExportDialog::OnProgress(int done, int total) {
  setRange(0, total);
  setValue(done);
}

void VideoExportDialog::OnFinished(const VideoExportResult& result) {
  ShowOutcome(result);
  close();
}

// A note that does not hold up the window, which was usable all along.
void VideoExportDialog::ShowOutcome(const VideoExportResult& result) {
  const QString output = QString::fromStdString(job_->Request().output);
  const QString what = VideoExportOptionsDialog::Describe(job_->Request());
  QMessageBox::Icon icon = QMessageBox::Information;
  QString text;
  switch (result.outcome) {
    case ExportOutcome::kExported:
      text = UiString(str::kVideoExportSaved).arg(what, output);
      break;
    case ExportOutcome::kExportedWithGaps:
      icon = QMessageBox::Warning;
      text = UiString(str::kVideoExportSavedWithGaps).arg(what, output, Lines(result.problems));
      break;
    case ExportOutcome::kCancelled:
      text = UiString(str::kVideoExportCancelled);
      break;
    case ExportOutcome::kFailed:
      icon = QMessageBox::Critical;
      text = UiString(str::kVideoExportFailed).arg(output, QString::fromStdString(result.error));
      if (!result.problems.empty()) text += QLatin1Char('\n') + Lines(result.problems);
      break;
  }
  if (result.outcome == ExportOutcome::kExported || result.outcome == ExportOutcome::kExportedWithGaps)
    emit exported(output);
  if (!result.warnings.empty()) text += QStringLiteral("\n\n") + Lines(result.warnings);
  auto* note = new QMessageBox(icon, UiString(str::kVideoExportTitle), text, QMessageBox::Ok, parentWidget());
  note->setObjectName(QStringLiteral("videoExportOutcome"));
  note->setAttribute(Qt::WA_DeleteOnClose);
  note->setWindowModality(Qt::NonModal);
  note->show();
}

}  // namespace selvo
