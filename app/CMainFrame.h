#pragma once
// The main window: menus, toolbar and a one-pane status bar around the
// image view, with a fixed 80-pixel strip below it for the control panel.
// Every menu item, toolbar button and accelerator goes through one command
// dispatch by id (FireCommand) over the rows of app/FrameCommands; the
// command-update step (UpdateCommandStates) runs before a menu opens and
// after every state change. A folder or image
// dropped onto the window opens as File > Open would open it. The window
// takes the size and position it had when it was last closed.
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/FrameCommands.h"
#include "app/KeyboardShortcutsDialog.h"
#include "doc/CommandIds.h"
#include "panel/CSelvoFormView.h"
#include "panel/DialogPrompts.h"
#include "source/settings/RecentRecordings.h"

class QAction;
class QLabel;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMenu;
class QMimeData;
class QSettings;
class QToolBar;

namespace selvo {

class BookmarksDock;
class CSelvoViewerDoc;
class CSelvoViewerView;
class EnhanceDialog;
class FindMotionDialog;
class VideoExportDialog;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kInitialWidth = 810;
  static constexpr int kInitialHeight = 748;
  static constexpr int kMinWidth = CSelvoFormView::kWindowMinWidth;
  static constexpr int kMinHeight = 440;

  // profile keeps the print-title history. The frame answers the
  // document's prompts with its dialogs while it lives.
  CMainFrame(CSelvoViewerDoc& doc, QSettings& profile, int variant, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Runs a command as a menu item would: nothing when it is disabled.
  void FireCommand(int id);
  // The command-update step for one id.
  CommandState QueryCommand(int id) const;
  // Applies the command-update step to every menu item and toolbar button.
  void UpdateCommandStates();
  // The menu item of an id (toolbar buttons share it); null when none.
  QAction* ActionFor(int id) const;
  // The rows the menus are built from (app/FrameCommands.cpp).
  static const std::vector<FrameCommand>& Commands();
  static const std::vector<FrameMenuTitle>& Menus();

  QWidget* ImageViewWidget() const { return imageView_; }
  // The Bookmarks dock, built at its first use: most sessions never show
  // it, and the window's first paint need not wait for it.
  BookmarksDock* Bookmarks();
  QWidget* PanelStrip() const { return panelStrip_; }
  QToolBar* ToolBar() const { return toolBar_; }
  // File > Recent Recordings, and its entries as the menu shows them.
  QMenu* RecentMenu() const { return recentMenu_; }
  const RecentRecordings& Recent() const { return recent_; }
  // Opens entry i of the recent list as its menu item does.
  void OpenRecent(int i);
  // What Help > Keyboard Shortcuts lists: every key of the command table in
  // table order, then what the mouse does in the image view.
  std::vector<ShortcutEntry> ShortcutEntries() const;

  // While a play loop or a copy runs the window refuses to close; the
  // document says when (closeAllowedChanged).
  void DisableClose();
  void EnableClose();
  bool IsCloseDisabled() const { return closeDisabled_ != 0; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  // The docks' and toolbars' menu, which lists the Bookmarks dock too.
  QMenu* createPopupMenu() override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The row of an id: the About row answers to either variant's id.
  static const FrameCommand* FindCommand(int id);
  QAction* AddCommand(QMenu* menu, const FrameCommand& row);
  void ShowVerificationProgress();
  void ShowRecordingNotes();
  void OnVerificationSummary();
  // Next / Previous Problem, with a word in the status bar when there is
  // none further.
  void OnProblemStep(bool next);
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  void CreateClient();
  void OnTitleInput();
  void OnDateDisplayFormat();
  void OnAbout();
  void RestoreWindowGeometry();
  // The local path of a drop the window takes: empty when it carries none
  // or when opening is not possible now.
  std::string AcceptableDropPath(const QMimeData* data) const;
  void OnSmoothScaling();
  void OnEnhance();
  void OnLockCamerasToTime();
  void RestoreExamineSettings();
  void OnExportVideo();
  // ---- CMainFrameCase.cpp
  void CreateCaseControls();
  void ShowCaseProblem(const QString& message);
  void OnAddBookmark();
  void OnBookmarkStep(bool next);
  void OnBookmarksPanel();
  bool IsBookmarksPanelShown() const;
  void OnCaseFile();
  // The summary's report, listing the case file's bookmarks and logged in it.
  bool WriteCaseReport(const QString& pdfPath, QString& reason);
  void OnFindMotion();
  // Next / Previous Event, with a word in the status bar when there is none further.
  void OnMotionEventStep(bool next);
  // ---- CMainFrameMenus.cpp: menus people look for
  void CreateMenuAdditions();
  CSelvoFormView& Panel() const { return *static_cast<CSelvoFormView*>(panelStrip_); }
  void RebuildRecentMenu();
  void OnClearRecent();
  void OnGoTo();
  void OnKeyboardShortcuts();

  CSelvoViewerDoc& doc_;
  DialogPrompts prompts_{this};
  QSettings& profile_;
  int variant_;
  int aboutCommandId_;
  int closeDisabled_ = 0;
  QToolBar* toolBar_ = nullptr;
  QLabel* idleText_ = nullptr;
  QLabel* verificationText_ = nullptr;
  QLabel* notesText_ = nullptr;  // what the open left out of the recording
  // How the summary's button writes the report; empty: it cannot.
  std::function<bool(const QString&, QString&)> reportWriter_;
  QWidget* imageView_ = nullptr;
  CSelvoViewerView* view_ = nullptr;
  EnhanceDialog* enhanceDialog_ = nullptr;
  QLabel* zoomText_ = nullptr;
  QWidget* panelStrip_ = nullptr;
  std::map<int, QAction*> actions_;
  QPointer<VideoExportDialog> videoExport_;  // while an export runs
  BookmarksDock* bookmarksDock_ = nullptr;
  FindMotionDialog* findMotion_ = nullptr;
  RecentRecordings recent_{profile_};
  QMenu* recentMenu_ = nullptr;
  KeyboardShortcutsDialog* keysDialog_ = nullptr;
};

}  // namespace selvo
