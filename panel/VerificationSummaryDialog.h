#pragma once
// View > Verification Summary: every problem the background check found, one
// row an image (its number among the files and in its camera's list, camera,
// time, verdict, file name). A double-click shows that
// image, on its own camera if the list shown now is another camera's; a
// button saves the report, through whatever the frame hands in.
#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace selvo {

class CSelvoViewerDoc;
class CSelvoViewerView;
struct RecordingProblem;

class VerificationSummaryDialog : public QDialog {
  Q_OBJECT

 public:
  // Writes the report to a PDF file; false with the reason when it could not.
  using ReportWriter = std::function<bool(const QString& pdfPath, QString& reason)>;

  // view (may be null) is asked to show another camera when a problem's
  // image is not in the list.
  VerificationSummaryDialog(CSelvoViewerDoc& doc, CSelvoViewerView* view, ReportWriter writeReport,
                            QWidget* parent = nullptr);

  QTreeWidget* List() const { return list_; }
  QPushButton* SaveReportButton() const { return saveReport_; }
  // What a double-click on row does; false when the image could not be shown.
  bool ShowProblemOfRow(int row);
  // The save step after the file dialog; tells the user when it failed.
  bool SaveReportTo(const QString& pdfPath);

  // The verdict column's text in the user-interface language.
  static QString VerdictText(const RecordingProblem& problem);

 private:
  void FillList();
  void OnSaveReport();

  CSelvoViewerDoc& doc_;
  CSelvoViewerView* view_;
  ReportWriter writeReport_;
  QLabel* heading_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QPushButton* saveReport_ = nullptr;
};

}  // namespace selvo
