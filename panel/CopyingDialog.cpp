#include "panel/CopyingDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

#include "doc/AutoResetEvent.h"
#include "doc/ProgressEvent.h"
#include "source/PathNames.h"
#include "source/RangeCopy.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"

namespace selvo {

namespace {

int CountWidth(int total) {
  int digits = 1;
  for (int value = total; value >= 10; value /= 10) ++digits;
  return std::max(3, digits);
}

}  // namespace

CopyingDialog::CopyingDialog(const std::string& destination, const std::string& fileTitle, int rangeFirst,
                             int rangeLast, CopyHandshake handshake, QWidget* parent)
    : QDialog(parent),
      fileTitle_(fileTitle),
      rangeFirst_(rangeFirst),
      rangeLast_(rangeLast),
      total_(std::max(1, rangeLast - rangeFirst + 1)),
      handshake_(handshake) {
  setWindowTitle(UiText("Copying...", "コピーしています..."));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  sourceLabel_ = new QLabel(this);
  sourceLabel_->setObjectName("sourceText");
  fileLabel_ = new QLabel(this);
  fileLabel_->setObjectName("fileText");
  countLabel_ = new QLabel(this);
  countLabel_->setObjectName("countText");
  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  cancelButton_ = new QPushButton(UiText("Cancel", "キャンセル"), this);
  cancelButton_->setObjectName("cancelButton");
  connect(cancelButton_, &QPushButton::clicked, this, &CopyingDialog::reject);
  layout->addWidget(sourceLabel_);
  layout->addWidget(fileLabel_);
  layout->addWidget(countLabel_);
  layout->addWidget(bar_);
  layout->addWidget(cancelButton_, 0, Qt::AlignHCenter);
  setMinimumWidth(360);

  UpdateCounter();
  const QString from = UiString(str::kCopyingFromText);
  const QString to = UiString(str::kCopyingToText);
  const QString folder = QString::fromStdString(LastFolderName(destination));
  if (from == QLatin1String("From")) {
    sourceLabel_->setText(QStringLiteral("%1 'CD-R' %2 '%3'").arg(from, to, folder));
  } else {
    sourceLabel_->setText(QStringLiteral("'CD-R' %1 '%2' %3").arg(from, folder, to));
  }
  bar_->setRange(1, total_);
  bar_->setValue(1);
}

std::string CopyingDialog::LastFolderName(const std::string& destination) {
  return FileNameOf(FolderOf(destination));
}

QString CopyingDialog::CountText() const { return countLabel_->text(); }
QString CopyingDialog::SourceText() const { return sourceLabel_->text(); }
QString CopyingDialog::FileText() const { return fileLabel_->text(); }
int CopyingDialog::BarPosition() const { return bar_->value(); }

void CopyingDialog::UpdateCounter() {
  const int width = CountWidth(total_);
  countLabel_->setText(QStringLiteral("( %1 / %2 )").arg(current_, width).arg(total_, width));
  // The name of the file being written, by the same rule the copy names it.
  fileLabel_->setText(QString::fromStdString(RangeCopy::FileNameFor(fileTitle_, current_ - 1, total_ - 1)));
}

void CopyingDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (initialised_) return;
  initialised_ = true;
  // The thread posts its first progress to this window, so it must be known
  // before the thread is let go.
  handshake_.progressWindow->store(this);
  handshake_.copyEvent->Set();
}

bool CopyingDialog::event(QEvent* e) {
  if (e->type() == ProgressEvent::kType) {
    OnProgress();
    return true;
  }
  return QDialog::event(e);
}

void CopyingDialog::OnProgress() {
  if (finished_) return;
  ++current_;
  if (current_ > total_) {
    Finish();
    accept();
    return;
  }
  UpdateCounter();
  bar_->setValue(current_);
  handshake_.copyEvent->Set();
}

void CopyingDialog::Finish() {
  finished_ = true;
  handshake_.copyCancel->store(1);
  handshake_.copyEvent->Set();
}

void CopyingDialog::reject() {
  if (!finished_) Finish();
  QDialog::reject();
}

}  // namespace selvo
