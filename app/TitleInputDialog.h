#pragma once
// "Title Input": the title printed under the picture, with the last ten
// titles offered in a drop-down and kept in the application profile
// (section "Print Title", keys "1".."10", "1" the most recent).
#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QSettings;

namespace selvo {

class TitleInputDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHistorySize = 10;

  TitleInputDialog(QSettings& profile, QWidget* parent = nullptr);

  QString title;        // preset by the caller, read after OK
  QStringList history;  // most recent first, as read from the profile

  QComboBox* TitleBox() const { return titleBox_; }

  // The remembered titles, empty entries skipped.
  static QStringList ReadHistory(QSettings& profile);

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void Initialise();
  void WriteHistory();

  QSettings& profile_;
  QComboBox* titleBox_ = nullptr;
  bool initialised_ = false;
};

}  // namespace selvo
