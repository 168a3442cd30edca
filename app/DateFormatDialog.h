#pragma once
// "Date Display Format": the order of day, month and year and the delimiter
// of every date the viewer shows, with a sample line of today's date.
#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;

namespace selvo {

class DateFormatDialog : public QDialog {
  Q_OBJECT

 public:
  explicit DateFormatDialog(QWidget* parent = nullptr);

  // Preset by the caller, read after OK.
  int formatIndex = 0;     // 0 MM-dd-yyyy, 1 dd-MM-yyyy, 2 yyyy-MM-dd
  int delimiterIndex = 0;  // 0 "/", 1 "-", 2 "."

  QComboBox* FormatList() const { return formatList_; }
  QComboBox* DelimiterList() const { return delimiterList_; }
  QString SampleText() const;

  // The three format patterns with the delimiter in place.
  static QStringList FormatPatterns(int delimiterIndex);
  // The sample of a date in the given format and delimiter.
  static QString FormatSample(int year, int month, int day, int formatIndex, int delimiterIndex);

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void Initialise();
  void FillFormatList(int format, int delimiter);
  void RenderSample(int format, int delimiter);
  void OnFormatChange();

  QComboBox* formatList_ = nullptr;
  QComboBox* delimiterList_ = nullptr;
  QLabel* sample_ = nullptr;
  bool initialised_ = false;
};

}  // namespace selvo
