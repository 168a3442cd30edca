#pragma once
// "Open": the user names the folder that holds a recording, typed or chosen
// with "Browse...". The disc controls belong to the dialog but stay hidden,
// so the dialog always answers the folder choice.
#include <QDialog>
#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace selvo {

class OpenRecordingDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kChoiceFolder = 0;
  static constexpr int kChoiceDisc = 1;

  explicit OpenRecordingDialog(QWidget* parent = nullptr);

  // Set before exec().
  QString initialFolder;
  int choice = -1;          // -1 until the caller sets it
  int driveSelection = -1;
  int platformFlag = 0;     // nonzero: drives are named by letter
  QStringList driveNames;   // drive descriptions when drives are listed by name

  // Read after OK.
  QString path;
  QString driveLetter;
  int thumbnailFlag = 0;

  QLineEdit* PathEdit() const { return pathEdit_; }
  QPushButton* BrowseButton() const { return browseButton_; }
  QPushButton* OkButton() const { return okButton_; }

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void InitialiseControls();
  void OnBrowse();

  QRadioButton* folderRadio_ = nullptr;
  QRadioButton* discRadio_ = nullptr;
  QLineEdit* pathEdit_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QComboBox* driveLetters_ = nullptr;
  QComboBox* driveNameList_ = nullptr;
  QCheckBox* thumbnails_ = nullptr;
  bool initialised_ = false;
};

}  // namespace selvo
