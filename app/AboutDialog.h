#pragma once
// The About box of the running variant: the program icon, a version line and
// one OK button.
#include <QDialog>
#include <QString>

namespace selvo {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  AboutDialog(int variant, QWidget* parent = nullptr);

  static QString VersionLine(int variant);
};

}  // namespace selvo
