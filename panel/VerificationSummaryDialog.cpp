#include "panel/VerificationSummaryDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "doc/CSelvoViewerDoc.h"
#include "source/StatusVerdict.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"
#include "view/CSelvoViewerView.h"
#include "view/PaneSlotTable.h"

namespace selvo {

namespace {

// The file's number is the summary's own count; the place in the camera's
// list is the number the panel shows when that camera is chosen.
enum Column { kNumberColumn, kCameraNumberColumn, kCameraColumn, kTimeColumn, kVerdictColumn, kFileColumn };

const char* kNoText = "--";

QString AnomalyText(TimelineAnomalyKind kind) {
  switch (kind) {
    case TimelineAnomalyKind::Gap: return UiString(str::kSummaryGap);
    case TimelineAnomalyKind::StampBackwards: return UiString(str::kStampBackwardsString);
    case TimelineAnomalyKind::TimeBackwards: return UiString(str::kTimeBackwardsString);
    case TimelineAnomalyKind::StampMismatch: return UiString(str::kStampMismatchString);
  }
  return QString();
}

// "IMAGE ALTERED" and "TIME ALTERED" are the marks drawn on the pictures and
// read the same in both languages.
QStringList TrailerVerdictParts(int status) {
  const StatusVerdict verdict = VerdictForStatus(status);
  QStringList parts;
  if (verdict.unrecognised) return {UiString(str::kNotRecorderString)};
  if (verdict.noTrailer) return {UiString(str::kNoTrailerString)};
  if (verdict.imageAltered) parts << QStringLiteral("IMAGE ALTERED");
  if (verdict.timeAltered) parts << QStringLiteral("TIME ALTERED");
  if (verdict.noValidTime) parts << UiString(str::kNoValidTimeString);
  return parts;
}

}  // namespace

QString VerificationSummaryDialog::VerdictText(const RecordingProblem& problem) {
  QStringList parts;
  if (problem.altered) parts = TrailerVerdictParts(problem.status);
  for (const TimelineAnomaly& anomaly : problem.anomalies) {
    const QString text = AnomalyText(anomaly.kind);
    if (!parts.contains(text)) parts << text;
  }
  return parts.join(QStringLiteral(", "));
}

VerificationSummaryDialog::VerificationSummaryDialog(CSelvoViewerDoc& doc, CSelvoViewerView* view,
                                                     ReportWriter writeReport, QWidget* parent)
    : QDialog(parent), doc_(doc), view_(view), writeReport_(std::move(writeReport)) {
  setWindowTitle(UiText("Verification Summary", "検証結果一覧"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  heading_ = new QLabel(this);
  heading_->setObjectName("heading");
  layout->addWidget(heading_);
  list_ = new QTreeWidget(this);
  list_->setObjectName("problemList");
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setHeaderLabels({UiText("Number", "番号"), UiText("In Camera", "カメラ内番号"), UiText("Camera", "カメラ"),
                          UiText("Time", "時刻"), UiText("Verdict", "判定"), UiText("File", "ファイル")});
  layout->addWidget(list_, 1);
  auto* buttons = new QHBoxLayout;
  saveReport_ = new QPushButton(UiText("&Save Report...", "レポートを保存(&S)..."), this);
  saveReport_->setObjectName("saveReportButton");
  saveReport_->setEnabled(static_cast<bool>(writeReport_));
  auto* close = new QPushButton(UiText("Close", "閉じる"), this);
  close->setDefault(true);
  buttons->addWidget(saveReport_);
  buttons->addStretch(1);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(saveReport_, &QPushButton::clicked, this, &VerificationSummaryDialog::OnSaveReport);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(list_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item, int) { ShowProblemOfRow(list_->indexOfTopLevelItem(item)); });
  resize(820, 420);
  FillList();
}

void VerificationSummaryDialog::FillList() {
  const std::vector<RecordingProblem>& problems = doc_.Problems().Problems();
  heading_->setText(UiString(str::kSummaryHeading).arg(problems.size()).arg(doc_.VerificationTotal()));
  QList<QTreeWidgetItem*> rows;
  rows.reserve(static_cast<int>(problems.size()));
  for (const RecordingProblem& problem : problems) {
    auto* row = new QTreeWidgetItem;
    row->setText(kNumberColumn, QString::number(problem.fileIndex + 1));
    row->setTextAlignment(kNumberColumn, Qt::AlignRight | Qt::AlignVCenter);
    row->setText(kCameraNumberColumn, QString::number(problem.cameraNumber));
    row->setTextAlignment(kCameraNumberColumn, Qt::AlignRight | Qt::AlignVCenter);
    QString camera = QString::fromLatin1(kNoText);
    if (problem.channel >= 0) {
      camera = QStringLiteral("%1ch").arg(problem.channel + 1);
      const std::string title = doc_.GetCameraTitle(problem.channel);
      if (!title.empty()) camera += QLatin1Char(' ') + QString::fromStdString(title);
    }
    row->setText(kCameraColumn, camera);
    const bool timeShown = problem.time != 0 && VerdictForStatus(problem.status).HasValidTime();
    row->setText(kTimeColumn, timeShown ? QString::fromStdString(doc_.FormatImageTime(problem.time))
                                        : QString::fromLatin1(kNoText));
    row->setText(kVerdictColumn, VerdictText(problem));
    if (problem.altered) row->setForeground(kVerdictColumn, QColor(200, 0, 0));
    const QString path = QString::fromStdString(doc_.GetFilePath(problem.fileIndex));
    row->setText(kFileColumn, path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    row->setToolTip(kFileColumn, path);
    rows.append(row);
  }
  list_->addTopLevelItems(rows);
  for (int column = kNumberColumn; column <= kFileColumn; ++column) list_->resizeColumnToContents(column);
}

// A problem of a camera the list does not hold now: the view goes to one
// pane on that camera first, as its own pane menu would.
bool VerificationSummaryDialog::ShowProblemOfRow(int row) {
  const std::vector<RecordingProblem>& problems = doc_.Problems().Problems();
  if (row < 0 || row >= static_cast<int>(problems.size())) return false;
  const RecordingProblem& problem = problems[static_cast<std::size_t>(row)];
  if (doc_.ShowFileImage(problem.fileIndex)) return true;
  if (view_ == nullptr || problem.channel < 0 || !doc_.HasChannel(problem.channel)) return false;
  if (view_->IsSplit()) view_->OnPaneMenuCommand(kPaneMenu1Image);
  view_->OnPaneMenuCommand(kPaneMenuChannel0 + problem.channel);
  return doc_.ShowFileImage(problem.fileIndex);
}

void VerificationSummaryDialog::OnSaveReport() {
  QString path = QFileDialog::getSaveFileName(this, UiText("Save Report", "レポートを保存"), QDir::homePath(),
                                              UiString(str::kReportFilterString));
  if (path.isEmpty()) return;
  if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) path += QLatin1String(".pdf");
  SaveReportTo(path);
}

bool VerificationSummaryDialog::SaveReportTo(const QString& pdfPath) {
  if (!writeReport_) return false;
  QString reason;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool written = writeReport_(pdfPath, reason);
  QApplication::restoreOverrideCursor();
  if (written) return true;
  QMessageBox::warning(this, windowTitle(), UiString(str::kReportFailedString).arg(reason));
  return false;
}

}  // namespace selvo
