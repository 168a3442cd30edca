#include "panel/SearchingDialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <thread>

#include "doc/AutoResetEvent.h"
#include "doc/ProgressEvent.h"
#include "source/text/UiText.h"

namespace selvo {

SearchingDialog::SearchingDialog(std::atomic<int>& cancelFlag, AutoResetEvent& ready, QWidget* parent)
    : QDialog(parent), cancelFlag_(cancelFlag), ready_(ready) {
  // The Japanese template has no title.
  setWindowTitle(UiText("Searching...", ""));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(UiText("It is searching for the image file.",
                                      "画像ファイルを検索しています。"), this));
  bar_ = new QProgressBar(this);
  bar_->setRange(1, 10);
  bar_->setValue(1);
  bar_->setTextVisible(false);
  layout->addWidget(bar_);
  cancelButton_ = new QPushButton(UiText("CANCEL", "キャンセル"), this);
  cancelButton_->setObjectName("cancelButton");
  connect(cancelButton_, &QPushButton::clicked, this, &SearchingDialog::reject);
  layout->addWidget(cancelButton_, 0, Qt::AlignHCenter);
  setMinimumWidth(320);
}

int SearchingDialog::BarPosition() const { return bar_->value(); }

void SearchingDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (initialised_) return;
  initialised_ = true;
  ready_.Set();
  cancelButton_->setEnabled(true);
  timerId_ = startTimer(kTickMs);
  ++tick_;
}

void SearchingDialog::timerEvent(QTimerEvent* e) {
  if (e->timerId() != timerId_) {
    QDialog::timerEvent(e);
    return;
  }
  if (tick_ > 10 || tick_ < 0) tick_ = 1;
  QCoreApplication::postEvent(this, new ProgressEvent(tick_, 0));
  ++tick_;
}

bool SearchingDialog::event(QEvent* e) {
  if (e->type() == ProgressEvent::kType) {
    auto* progress = static_cast<ProgressEvent*>(e);
    OnProgress(progress->Position(), progress->Done());
    return true;
  }
  return QDialog::event(e);
}

void SearchingDialog::OnProgress(int position, int done) {
  if (position >= bar_->minimum() && position <= bar_->maximum()) bar_->setValue(position);
  if (!done) return;
  if (timerId_ != 0) {
    killTimer(timerId_);
    timerId_ = 0;
  }
  accept();
}

void SearchingDialog::reject() {
  // The loader polls the flag between files; yield so it sees it promptly.
  for (int i = 0; i < 3; ++i) {
    cancelFlag_.store(1);
    std::this_thread::yield();
  }
  if (timerId_ != 0) {
    killTimer(timerId_);
    timerId_ = 0;
  }
  QDialog::reject();
}

}  // namespace selvo
