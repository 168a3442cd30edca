#include "app/MessageBoxNotifier.h"

#include <QApplication>
#include <QMessageBox>

namespace selvo {

void MessageBoxNotifier::Notify(NoticeKind kind, const std::string& text) {
  const QString title = QApplication::applicationDisplayName();
  const QString message = QString::fromStdString(text);
  switch (kind) {
    case NoticeKind::Information: QMessageBox::information(parent_, title, message); break;
    case NoticeKind::Warning: QMessageBox::warning(parent_, title, message); break;
    case NoticeKind::Error: QMessageBox::critical(parent_, title, message); break;
  }
}

}  // namespace selvo
