#pragma once
// "Copying...": shown modally while the copy thread writes a range of disc
// images into a folder. It paces the thread on the copy event: it signals
// once when it is up and once for every image the thread reports, so the
// thread never runs more than one image ahead of the display. After the
// last image, or on Cancel, it sets the cancel flag, wakes the thread and
// closes; the caller then waits for the thread.
#include <QDialog>
#include <QPointer>

#include <atomic>
#include <string>

#include "doc/DocumentPrompts.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace selvo {

class AutoResetEvent;

class CopyingDialog : public QDialog {
  Q_OBJECT

 public:
  // destination: the path chosen in the save dialog; fileTitle: its name
  // without folder and extension; the range as 1-based image numbers.
  CopyingDialog(const std::string& destination, const std::string& fileTitle, int rangeFirst, int rangeLast,
                CopyHandshake handshake, QWidget* parent = nullptr);

  int Total() const { return total_; }
  int Current() const { return current_; }
  QString CountText() const;
  QString SourceText() const;
  QString FileText() const;
  int BarPosition() const;
  QPushButton* CancelButton() const { return cancelButton_; }

  // The last folder name of a destination path ("" for the root).
  static std::string LastFolderName(const std::string& destination);

 public slots:
  void reject() override;

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  void OnProgress();
  void UpdateCounter();
  void Finish();

  std::string fileTitle_;
  int rangeFirst_;
  int rangeLast_;
  int total_;
  int current_ = 1;
  CopyHandshake handshake_;
  QLabel* countLabel_ = nullptr;
  QLabel* sourceLabel_ = nullptr;
  QLabel* fileLabel_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  bool initialised_ = false;
  bool finished_ = false;
};

}  // namespace selvo
