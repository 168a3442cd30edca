#include "panel/DiskReadErrorDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "source/RangeCopy.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"

namespace selvo {

DiskReadErrorDialog::DiskReadErrorDialog(const RangeCopy& job, QWidget* parent) : QDialog(parent) {
  // A copy whose only failures were files the destination refused is no
  // disk read error, and must not be called one.
  const bool readErrors = job.ErrorRunCount() > 0;
  setWindowTitle(readErrors ? UiText("Disk Read Error", "ディスク 読み取りエラー")
                            : UiString(str::kCopyErrorTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(readErrors ? UiText("Read Error Number", "読み取りエラー番号")
                                         : UiString(str::kNotWrittenGroup),
                             this);
  auto* groupLayout = new QVBoxLayout(group);
  list_ = new QListWidget(group);
  list_->setObjectName("errorList");
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  groupLayout->addWidget(list_);
  layout->addWidget(group);
  auto* ok = new QPushButton(UiText("OK", "OK"), this);
  ok->setObjectName("okButton");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  setMinimumSize(420, 260);

  for (const std::string& line : job.ErrorLines()) list_->addItem(QString::fromStdString(line));
  const int select = job.ErrorRunCount() - 1;
  if (select >= 0 && select < list_->count()) list_->setCurrentRow(select);
}

}  // namespace selvo
