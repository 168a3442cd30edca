#pragma once
// View > Playback > Go To (Ctrl+G): an image number as the panel numbers
// the current list, or a recorder time as the viewer shows it, which goes to
// the current camera's image nearest that time. Input that names no image
// is answered inside the dialog, which stays open for a correction.
#include <QDialog>

class QLabel;
class QLineEdit;

namespace selvo {

class CSelvoViewerDoc;

class GoToDialog : public QDialog {
  Q_OBJECT

 public:
  explicit GoToDialog(const CSelvoViewerDoc& doc, QWidget* parent = nullptr);

  // The list index to show; valid after OK.
  int chosenIndex = -1;

  // The list index text names, or -1 with the reason in problem.
  static int ResolveInput(const CSelvoViewerDoc& doc, const QString& text, QString& problem);

  QLineEdit* InputBox() const { return input_; }
  QString Problem() const;

 public slots:
  void accept() override;

 private:
  const CSelvoViewerDoc& doc_;
  QLineEdit* input_ = nullptr;
  QLabel* problem_ = nullptr;
};

}  // namespace selvo
