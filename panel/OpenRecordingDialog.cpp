#include "panel/OpenRecordingDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "panel/FolderBrowser.h"
#include "source/text/UiText.h"

namespace selvo {

OpenRecordingDialog::OpenRecordingDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(UiText("Open", "開く"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  const QString folderText = UiText("Open a folder with images", "画像のあるフォルダを開く");
  auto* grid = new QGridLayout(this);

  // The heading sits where the hidden folder radio button would be.
  auto* heading = new QLabel(folderText, this);
  folderRadio_ = new QRadioButton(folderText, this);
  folderRadio_->setObjectName("radio1009");
  discRadio_ = new QRadioButton(UiText("Open images on disk", "ディスクの画像を開く"), this);
  discRadio_->setObjectName("radio1019");
  folderRadio_->hide();
  discRadio_->hide();
  grid->addWidget(heading, 0, 0, 1, 2);
  grid->addWidget(folderRadio_, 0, 0, 1, 2);

  pathEdit_ = new QLineEdit(this);
  pathEdit_->setObjectName("edit1008");
  pathEdit_->setMinimumWidth(320);
  browseButton_ = new QPushButton(UiText("Browse...", "参照..."), this);
  browseButton_->setObjectName("button1000");
  connect(browseButton_, &QPushButton::clicked, this, &OpenRecordingDialog::OnBrowse);
  grid->addWidget(pathEdit_, 1, 0);
  grid->addWidget(browseButton_, 1, 1);

  driveLetters_ = new QComboBox(this);
  driveLetters_->setObjectName("list1035");
  driveNameList_ = new QComboBox(this);
  driveNameList_->setObjectName("list1036");
  thumbnails_ = new QCheckBox(UiText("Show Thumbnails", "サムネイル表示"), this);
  thumbnails_->setObjectName("check1057");
  connect(thumbnails_, &QCheckBox::clicked, this, [this](bool on) { thumbnailFlag = on ? 1 : 0; });
  for (QWidget* hidden : {static_cast<QWidget*>(discRadio_), static_cast<QWidget*>(driveLetters_),
                          static_cast<QWidget*>(driveNameList_), static_cast<QWidget*>(thumbnails_)})
    hidden->hide();
  grid->addWidget(discRadio_, 2, 0, 1, 2);
  grid->addWidget(driveLetters_, 3, 0);
  grid->addWidget(driveNameList_, 3, 0);
  grid->addWidget(thumbnails_, 4, 0);

  auto* buttons = new QDialogButtonBox(this);
  okButton_ = buttons->addButton(UiText("OK", "OK"), QDialogButtonBox::AcceptRole);
  okButton_->setDefault(true);
  buttons->addButton(UiText("Cancel", "キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &OpenRecordingDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &OpenRecordingDialog::reject);
  grid->addWidget(buttons, 5, 0, 1, 2);
}

void OpenRecordingDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!initialised_) InitialiseControls();
}

void OpenRecordingDialog::InitialiseControls() {
  initialised_ = true;
  pathEdit_->setText(initialFolder);
  folderRadio_->setChecked(choice != kChoiceDisc);
  discRadio_->setChecked(choice == kChoiceDisc);
  // Drives named by letter (no drive list here: the disc controls stay
  // hidden) or by description.
  driveNameList_->clear();
  driveNameList_->addItems(driveNames);
  if (driveNameList_->count() > 0) driveNameList_->setCurrentIndex(0);
  if (driveLetters_->count() > 0) driveLetters_->setCurrentIndex(0);
  thumbnailFlag = 0;
  thumbnails_->setChecked(false);
}

// The browser starts at what the field holds now, typed or not; after it,
// Enter confirms: the focus is back on OK, not on "Browse...".
void OpenRecordingDialog::OnBrowse() {
  FolderBrowser browser(this);
  const QString typed = pathEdit_->text().trimmed();
  browser.SetInitialPath(typed.isEmpty() ? initialFolder : typed);
  if (browser.Browse() == FolderBrowser::kChosen) pathEdit_->setText(browser.ChosenPath());
  okButton_->setFocus(Qt::OtherFocusReason);
}

void OpenRecordingDialog::accept() {
  if (!initialised_) InitialiseControls();
  choice = discRadio_->isChecked() ? kChoiceDisc : kChoiceFolder;
  if (choice == kChoiceDisc) {
    QComboBox* visibleList = platformFlag ? driveLetters_ : driveNameList_;
    driveSelection = visibleList->currentIndex();
    driveLetter = driveLetters_->currentText();
  }
  path = pathEdit_->text();
  QDialog::accept();
}

}  // namespace selvo
