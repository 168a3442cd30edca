// The main window's menus people look for: File > Recent Recordings,
// View > Playback > Go To, Help > Keyboard Shortcuts, and the word in the
// status bar when there is no sound device.
#include <QAction>
#include <QMenu>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStringList>

#include "app/CMainFrame.h"
#include "app/GoToDialog.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/DocumentPrompts.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"

namespace selvo {

namespace {

// Read once: the window does not repeat it at every play.
constexpr int kSoundNoticeMs = 15000;
// Long paths are shortened in their middle, where they say least.
constexpr int kRecentTextWidth = 420;

// A menu text as plain words: no mnemonic, no Japanese "(&X)", no "...".
QString PlainMenuText(QString text) {
  static const QRegularExpression japaneseMnemonic(QStringLiteral("\\(&.\\)"));
  text.remove(japaneseMnemonic);
  if (text.endsWith(QLatin1String("..."))) text.chop(3);
  text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
  text.remove(QLatin1Char('&'));
  text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
  return text.trimmed();
}

QString MenuPath(FrameMenu menu) {
  for (const FrameMenuTitle& title : CMainFrame::Menus()) {
    if (title.menu != menu) continue;
    const QString text = PlainMenuText(UiText(title.english, title.japanese));
    return title.parent == menu ? text : MenuPath(title.parent) + QStringLiteral(" › ") + text;
  }
  return {};
}

}  // namespace

void CMainFrame::CreateMenuAdditions() {
  connect(&doc_, &CSelvoViewerDoc::recordingOpened, this, [this](int kind, const QString& path) {
    recent_.Add({kind == 1 ? RecentRecording::Kind::Disc : RecentRecording::Kind::Folder, path.toStdString()});
    RebuildRecentMenu();
  });
  connect(&doc_, &CSelvoViewerDoc::soundDeviceMissing, this,
          [this] { statusBar()->showMessage(UiString(str::kSoundDeviceMissingStatus), kSoundNoticeMs); });
  RebuildRecentMenu();
}

// ---------------------------------------------------------- recent recordings

void CMainFrame::RebuildRecentMenu() {
  QAction* clear = actions_.at(cmd::kClearRecent);
  for (QAction* action : recentMenu_->actions()) {
    if (action == clear) continue;
    recentMenu_->removeAction(action);
    // It may be the item whose click is being answered.
    action->deleteLater();
  }
  const bool canOpen = QueryCommand(cmd::kFileOpen).enabled;
  const std::vector<RecentRecording>& entries = recent_.Entries();
  for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
    const RecentRecording& entry = entries[static_cast<std::size_t>(i)];
    const QString path = QString::fromStdString(entry.path);
    QString shown = fontMetrics().elidedText(path, Qt::ElideMiddle, kRecentTextWidth);
    if (entry.kind == RecentRecording::Kind::Disc) shown = UiText("Disc %1", "ディスク %1").arg(shown);
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown), recentMenu_);
    action->setData(cmd::kRecentFirst + i);
    action->setStatusTip(path);
    action->setToolTip(path);
    action->setEnabled(canOpen);
    connect(action, &QAction::triggered, this, [this, i] { OpenRecent(i); });
    recentMenu_->insertAction(clear, action);
  }
  if (!entries.empty()) recentMenu_->insertSeparator(clear);
  clear->setEnabled(!entries.empty());
}

void CMainFrame::OpenRecent(int i) {
  if (i < 0 || i >= static_cast<int>(recent_.Entries().size()) || !QueryCommand(cmd::kFileOpen).enabled) return;
  const RecentRecording entry = recent_.Entries()[static_cast<std::size_t>(i)];
  RecordingChoice choice;
  choice.kind = entry.kind == RecentRecording::Kind::Disc ? RecordingChoice::Kind::Disc : RecordingChoice::Kind::Folder;
  choice.path = entry.path;
  if (!doc_.OpenRecentRecording(choice)) {
    recent_.Remove(entry);
    RebuildRecentMenu();
  }
  UpdateCommandStates();
}

void CMainFrame::OnClearRecent() {
  recent_.Clear();
  RebuildRecentMenu();
}

// ---------------------------------------------------------------------- go to

void CMainFrame::OnGoTo() {
  GoToDialog dialog(doc_, this);
  if (dialog.exec() == QDialog::Accepted) doc_.ShowImage(dialog.chosenIndex);
}

// --------------------------------------------------------- keyboard shortcuts

std::vector<ShortcutEntry> CMainFrame::ShortcutEntries() const {
  std::vector<ShortcutEntry> entries;
  for (const FrameCommand& row : Commands()) {
    if (row.keys.empty()) continue;
    QStringList keys;
    for (const QKeySequence& key : row.keys) keys << key.toString(QKeySequence::NativeText);
    const QAction* action = ActionFor(row.id == cmd::kAppAbout ? aboutCommandId_ : row.id);
    const QString text = action != nullptr ? action->text() : UiText(row.english, row.japanese);
    entries.push_back({keys.join(QStringLiteral(", ")), PlainMenuText(text), MenuPath(row.menu)});
  }
  const QString view = UiString(str::kImageViewString);
  entries.push_back({UiString(str::kMouseWheelString), UiString(str::kMouseWheelAction), view});
  entries.push_back({UiString(str::kMouseDragString), UiString(str::kMouseDragAction), view});
  entries.push_back({UiString(str::kRightClickString), UiString(str::kRightClickAction), view});
  entries.push_back({UiString(str::kDropString), UiString(str::kDropAction), view});
  return entries;
}

void CMainFrame::OnKeyboardShortcuts() {
  if (keysDialog_ == nullptr) {
    keysDialog_ = new KeyboardShortcutsDialog(ShortcutEntries(), this);
    keysDialog_->setObjectName("keyboardShortcutsDialog");
  }
  keysDialog_->show();
  keysDialog_->raise();
}

}  // namespace selvo
