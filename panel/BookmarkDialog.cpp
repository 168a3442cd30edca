#include "panel/BookmarkDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "source/text/UiText.h"

namespace selvo {

BookmarkDialog::BookmarkDialog(const QString& place, QWidget* parent) : QDialog(parent) {
  setWindowTitle(UiText("Add Bookmark", "ブックマークを追加"));
  auto* form = new QFormLayout;
  form->addRow(UiText("Image:", "画像:"), new QLabel(place, this));
  note_ = new QLineEdit(this);
  note_->setObjectName("bookmarkNote");
  note_->setMinimumWidth(320);
  form->addRow(UiText("&Note:", "メモ(&N):"), note_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Save)->setText(UiText("Save", "保存"));
  buttons->button(QDialogButtonBox::Cancel)->setText(UiText("Cancel", "キャンセル"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  note_->setFocus();
}

QString BookmarkDialog::Note() const { return note_->text(); }

}  // namespace selvo
