#pragma once
// "Searching...": shown modally while the loader thread indexes a recording.
// Its bar cycles 1..10 every 100 ms as a busy indicator; the loader posts a
// ProgressEvent with done = 1 when it has finished, which closes the dialog.
// CANCEL sets the loader's cancel flag and closes; the caller then waits for
// the loader.
#include <QDialog>

#include <atomic>

class QProgressBar;
class QPushButton;

namespace selvo {

class AutoResetEvent;

class SearchingDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kTickMs = 100;

  // ready is signalled once the dialog is up (the loader waits for it).
  SearchingDialog(std::atomic<int>& cancelFlag, AutoResetEvent& ready, QWidget* parent = nullptr);

  int Tick() const { return tick_; }
  int BarPosition() const;
  QPushButton* CancelButton() const { return cancelButton_; }

 public slots:
  void reject() override;

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void timerEvent(QTimerEvent* e) override;

 private:
  void OnProgress(int position, int done);

  std::atomic<int>& cancelFlag_;
  AutoResetEvent& ready_;
  QProgressBar* bar_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  int tick_ = 0;
  int timerId_ = 0;
  bool initialised_ = false;
};

}  // namespace selvo
