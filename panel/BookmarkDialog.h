#pragma once
// The small dialog Ctrl+B opens: where the bookmark is and a note, whose
// field has the focus. Enter saves, Escape cancels.
#include <QDialog>

class QLineEdit;

namespace selvo {

class BookmarkDialog : public QDialog {
  Q_OBJECT

 public:
  // place: the image's camera, number and time as the user reads them.
  BookmarkDialog(const QString& place, QWidget* parent = nullptr);
  QString Note() const;
  QLineEdit* NoteField() const { return note_; }

 private:
  QLineEdit* note_ = nullptr;
};

}  // namespace selvo
