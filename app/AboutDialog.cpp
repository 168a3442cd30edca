#include "app/AboutDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/CSelvoViewerApp.h"
#include "app/ToolbarIcons.h"
#include "source/text/UiText.h"

namespace selvo {

AboutDialog::AboutDialog(int variant, QWidget* parent) : QDialog(parent) {
  const QString product = CSelvoViewerApp::ProductTitle(variant);
  setWindowTitle(UiText("About %1", "%1 のバージョン情報").arg(product));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* row = new QHBoxLayout;
  auto* icon = new QLabel(this);
  icon->setPixmap(ProgramIcon().pixmap(48, 48));
  row->addWidget(icon, 0, Qt::AlignTop);
  auto* version = new QLabel(VersionLine(variant), this);
  version->setObjectName("versionLine");
  row->addWidget(version, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(UiText("OK", "OK"));
  connect(buttons, &QDialogButtonBox::accepted, this, &AboutDialog::accept);
  layout->addWidget(buttons);
}

QString AboutDialog::VersionLine(int variant) {
  return UiText("%1 Version %2", "%1 バージョン %2")
      .arg(CSelvoViewerApp::ProductTitle(variant), QString::fromLatin1(CSelvoViewerApp::kVersion));
}

}  // namespace selvo
