#include "panel/FolderBrowser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace selvo {

namespace {

QString NearestExistingFolder(const QString& path) {
  QString current = QDir::cleanPath(path);
  while (!QFileInfo(current).isDir()) {
    const QString parent = QFileInfo(current).path();
    if (parent == current) return QDir::rootPath();
    current = parent;
  }
  return current;
}

}  // namespace

int FolderBrowser::Browse() {
  if (!root_.isEmpty() && !QFileInfo(root_).isDir()) return kRootUnresolved;
  QFileDialog dialog(owner_, title_);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  if (!root_.isEmpty()) dialog.setDirectory(root_);
  if (!initialPath_.isEmpty()) {
    // Open in the folder's parent with the folder itself selected; for a
    // path typed only partly right, in the nearest folder that exists.
    QFileInfo initial(initialPath_);
    if (initial.isDir()) {
      dialog.setDirectory(initial.absolutePath());
      dialog.selectFile(initial.fileName());
    } else {
      dialog.setDirectory(NearestExistingFolder(initial.absoluteFilePath()));
    }
  }
  QObject::connect(&dialog, &QFileDialog::currentChanged, [this](const QString& path) { OnSelectionChanged(path); });
  OnInitialized();
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return kCancelled;
  chosenPath_ = QDir::toNativeSeparators(QDir::cleanPath(dialog.selectedFiles().first()));
  displayName_ = QFileInfo(chosenPath_).fileName();
  return kChosen;
}

}  // namespace selvo
