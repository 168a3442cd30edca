// The frame's part of the case file: Ctrl+B and its dialog, the Bookmarks
// dock, stepping between bookmarks, File > Case File... and what the status
// bar says of them.
#include <QDir>
#include <QFileDialog>
#include <QStatusBar>

#include "app/CMainFrame.h"
#include "app/CheckReportRun.h"
#include "doc/CSelvoViewerDoc.h"
#include "panel/BookmarkDialog.h"
#include "panel/BookmarksDock.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"
#include "view/CSelvoViewerView.h"

namespace selvo {

namespace {
constexpr int kCaseNoticeMs = 5000;
}

void CMainFrame::CreateCaseControls() {
  connect(&doc_.Case(), &CaseSession::bookmarksChanged, this, &CMainFrame::UpdateCommandStates);
  connect(&doc_.Case(), &CaseSession::problem, this, &CMainFrame::ShowCaseProblem);
}

BookmarksDock* CMainFrame::Bookmarks() {
  if (bookmarksDock_ != nullptr) return bookmarksDock_;
  bookmarksDock_ = new BookmarksDock(doc_, this);
  addDockWidget(Qt::BottomDockWidgetArea, bookmarksDock_);
  bookmarksDock_->hide();
  connect(bookmarksDock_, &BookmarksDock::bookmarkNotShown, this,
          [this] { statusBar()->showMessage(UiString(str::kBookmarkNotShownStatus), kCaseNoticeMs); });
  connect(bookmarksDock_, &QDockWidget::visibilityChanged, this, &CMainFrame::UpdateCommandStates);
  return bookmarksDock_;
}

QMenu* CMainFrame::createPopupMenu() {
  Bookmarks();
  return QMainWindow::createPopupMenu();
}

// A case file that cannot be used is said once, and stays said until
// something else takes the status bar: the viewer works on without it.
void CMainFrame::ShowCaseProblem(const QString& message) {
  if (doc_.Case().IsOpen()) {
    statusBar()->showMessage(message, kCaseNoticeMs);
  } else {
    statusBar()->showMessage(UiString(str::kCaseFileUnusableStatus).arg(message));
  }
}

// In a split, the pane under the pointer says which image is meant.
void CMainFrame::OnAddBookmark() {
  const int channel = view_->ChannelUnderCursor();
  const int index = channel >= 0 ? doc_.ImageIndexOfChannel(channel) : doc_.GetPosition();
  const BookmarkPlace place = doc_.PlaceAt(index);
  const QString where = UiText("Camera %1, image %2, %3", "カメラ %1、画像 %2、%3")
                            .arg(place.camera > 0 ? QString::number(place.camera) : QStringLiteral("--"))
                            .arg(place.number)
                            .arg(QString::fromStdString(doc_.FormatImageTime(place.recordTime)));
  BookmarkDialog dialog(where, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const CaseResult<Bookmark> added = doc_.Case().AddBookmark(place, dialog.Note().toStdString());
  if (added) statusBar()->showMessage(UiText("Bookmarked: %1", "ブックマークしました: %1").arg(where), kCaseNoticeMs);
}

void CMainFrame::OnBookmarkStep(bool next) {
  const bool moved = next ? doc_.GoToNextBookmark() : doc_.GoToPreviousBookmark();
  if (moved) {
    statusBar()->clearMessage();
    return;
  }
  const int row = next ? str::kNoFurtherBookmarkStatus : str::kNoEarlierBookmarkStatus;
  statusBar()->showMessage(UiString(row), kCaseNoticeMs);
}

void CMainFrame::OnBookmarksPanel() { Bookmarks()->setVisible(Bookmarks()->isHidden()); }

bool CMainFrame::IsBookmarksPanelShown() const { return bookmarksDock_ != nullptr && !bookmarksDock_->isHidden(); }

// selvo-check, which the viewer runs for the report, lists the case file's
// bookmarks and logs the report there itself: one entry, whoever writes the
// PDF. The case file the viewer could not use is named all the same, so
// that the report says why it lists no bookmarks instead of reading another.
bool CMainFrame::WriteCaseReport(const QString& pdfPath, QString& reason) {
  const bool written = CheckReportRun().Write(QString::fromStdString(doc_.LastOpenFolder()), pdfPath, reason,
                                              QString::fromStdString(doc_.Case().ChosenPath()));
  if (written && !reason.isEmpty()) ShowCaseProblem(reason);
  return written;
}

// Another case file, or a new one: the dialog does not ask before naming a
// file that exists, for that one is opened, never replaced.
void CMainFrame::OnCaseFile() {
  const QString current = QString::fromStdString(doc_.Case().Path());
  const QString path = QFileDialog::getSaveFileName(
      this, UiText("Case File", "ケースファイル"), current.isEmpty() ? QDir::homePath() : current,
      UiText("Case files (*.sqlite);;All files (*)", "ケースファイル (*.sqlite);;すべてのファイル (*)"), nullptr,
      QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) return;
  if (doc_.Case().Open(path.toStdString())) {
    doc_.SetChosenCaseFile(doc_.Case().Path());
    statusBar()->showMessage(UiText("Case file: %1", "ケースファイル: %1").arg(path), kCaseNoticeMs);
  }
  UpdateCommandStates();
}

}  // namespace selvo
