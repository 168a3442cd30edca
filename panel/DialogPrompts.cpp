#include "panel/DialogPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

#include "panel/CopyingDialog.h"
#include "panel/DiskReadErrorDialog.h"
#include "panel/OpenRecordingDialog.h"
#include "panel/SearchingDialog.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"

namespace selvo {

RecordingChoice DialogPrompts::ChooseRecording(const std::string& lastFolder) {
  OpenRecordingDialog dialog(parent_);
  dialog.platformFlag = 4;
  dialog.initialFolder = QString::fromStdString(lastFolder);
  dialog.driveSelection = -1;
  dialog.choice = OpenRecordingDialog::kChoiceFolder;
  if (dialog.exec() != QDialog::Accepted) return {};
  // The disc controls stay hidden, so the dialog answers the folder choice;
  // the disc branch opens the drive it names (selvo-viewer --disc PATH).
  if (dialog.choice == OpenRecordingDialog::kChoiceDisc) {
    const QString drive = dialog.driveLetter.isEmpty() ? dialog.path : dialog.driveLetter;
    return {RecordingChoice::Kind::Disc, drive.toStdString()};
  }
  if (dialog.choice != OpenRecordingDialog::kChoiceFolder) return {};
  return {RecordingChoice::Kind::Folder, dialog.path.toStdString()};
}

std::string DialogPrompts::ChooseCopyDestination(const std::string& suggestedName,
                                                 const std::string& lastSaveFolder) {
  QFileDialog dialog(parent_, UiString(str::kSaveAsTitle));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The chosen name is only the prefix of the files: nothing to overwrite.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setNameFilter(QStringLiteral("JPG Files (*.jpg)"));
  dialog.setDefaultSuffix(QStringLiteral("JPG"));
  const QFileInfo last(QString::fromStdString(lastSaveFolder));
  if (!lastSaveFolder.empty()) dialog.setDirectory(last.isDir() ? last.absoluteFilePath() : last.absolutePath());
  dialog.selectFile(QString::fromStdString(suggestedName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front().toStdString();
}

void DialogPrompts::ShowSearching(std::atomic<int>& cancel, AutoResetEvent& ready, const WatchedWork& loader) {
  SearchingDialog dialog(cancel, ready, parent_);
  loader.start(&dialog);
  dialog.exec();
  loader.join();
}

void DialogPrompts::ShowCopying(const std::string& destination, const std::string& fileTitle, int first, int last,
                                const CopyHandshake& handshake, const WatchedWork& copier) {
  CopyingDialog dialog(destination, fileTitle, first, last, handshake, parent_);
  copier.start(&dialog);
  dialog.exec();
  copier.join();
}

void DialogPrompts::ShowCopyFailures(const RangeCopy& job) {
  DiskReadErrorDialog errors(job, parent_);
  errors.exec();
}

void DialogPrompts::BeginWait() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void DialogPrompts::EndWait() { QApplication::restoreOverrideCursor(); }

}  // namespace selvo
