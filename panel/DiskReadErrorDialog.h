#pragma once
// "Disk Read Error": after a copy that could not write every image, lists
// each run of unreadable images as two lines (the files, then the numbers)
// and each file the destination refused with the reason. Without read
// errors it is titled as a copy error.
#include <QDialog>

class QListWidget;

namespace selvo {

class RangeCopy;

class DiskReadErrorDialog : public QDialog {
  Q_OBJECT

 public:
  explicit DiskReadErrorDialog(const RangeCopy& job, QWidget* parent = nullptr);

  QListWidget* List() const { return list_; }

 private:
  QListWidget* list_ = nullptr;
};

}  // namespace selvo
