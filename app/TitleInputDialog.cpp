#include "app/TitleInputDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QVBoxLayout>

#include "source/text/UiText.h"

namespace selvo {

namespace {
const QString kSection = QStringLiteral("Print Title");

QString KeyFor(int number) { return kSection + QLatin1Char('/') + QString::number(number); }
}  // namespace

TitleInputDialog::TitleInputDialog(QSettings& profile, QWidget* parent) : QDialog(parent), profile_(profile) {
  setWindowTitle(UiText("Title Input", "タイトル入力"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(UiText("Input print title", "印刷時のタイトルを入力して下さい。"), this));
  titleBox_ = new QComboBox(this);
  titleBox_->setObjectName("combo1038");
  titleBox_->setEditable(true);
  titleBox_->setInsertPolicy(QComboBox::NoInsert);
  // The title is what was typed: completing "gate" from a remembered
  // "Gate 2" would print a title nobody entered.
  titleBox_->setCompleter(nullptr);
  titleBox_->setMinimumWidth(320);
  layout->addWidget(titleBox_);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(UiText("OK", "OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(UiText("Cancel", "キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &TitleInputDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TitleInputDialog::reject);
  layout->addWidget(buttons);
}

QStringList TitleInputDialog::ReadHistory(QSettings& profile) {
  QStringList titles;
  for (int key = 1; key <= kHistorySize; ++key) {
    const QString value = profile.value(KeyFor(key)).toString();
    if (!value.isEmpty()) titles.append(value);
  }
  return titles;
}

void TitleInputDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!initialised_) Initialise();
}

void TitleInputDialog::Initialise() {
  initialised_ = true;
  history = ReadHistory(profile_);
  titleBox_->clear();
  titleBox_->addItems(history);
  titleBox_->setEditText(title);
}

void TitleInputDialog::accept() {
  if (!initialised_) Initialise();
  title = titleBox_->currentText();
  if (!title.isEmpty()) history.removeOne(title);
  // An empty title is remembered too: it pushes the others down.
  history.prepend(title);
  WriteHistory();
  QDialog::accept();
}

void TitleInputDialog::WriteHistory() {
  for (int key = 1; key <= kHistorySize; ++key)
    profile_.setValue(KeyFor(key), key <= history.size() ? history.at(key - 1) : QString());
  profile_.sync();
}

}  // namespace selvo
