#include "app/FrameCommands.h"

#include <QStatusBar>
#include <QToolBar>

#include "app/CMainFrame.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/MotionSearches.h"
#include "doc/VideoExportJob.h"
#include "source/text/StringIds.h"
#include "view/CSelvoViewerView.h"

namespace selvo {

namespace {

CommandState Toggle(bool checked) {
  CommandState state;
  state.checkable = true;
  state.checked = checked;
  return state;
}

}  // namespace

const std::vector<FrameMenuTitle>& CMainFrame::Menus() {
  static const std::vector<FrameMenuTitle> menus{
      {FrameMenu::File, FrameMenu::File, "&File", "ファイル(&F)"},
      {FrameMenu::View, FrameMenu::View, "&View", "表示(&V)"},
      {FrameMenu::TimePosition, FrameMenu::View, "Time Display &Position", "時刻表示位置(&P)"},
      {FrameMenu::Image, FrameMenu::View, "&Image", "画像(&I)"},
      {FrameMenu::Help, FrameMenu::Help, "&Help", "ヘルプ(&H)"},
  };
  return menus;
}

// In menu order. Items that open a dialog end in "...", English items are in
// title case with the mnemonic inside the word, Japanese ones have the
// letter in brackets after the text.
const std::vector<FrameCommand>& CMainFrame::Commands() {
  using Keys = std::vector<QKeySequence>;
  using Frame = CMainFrame;
  const auto document = [](const Frame& f, int id) {
    CommandState state;
    f.doc_.UpdateCommand(id, state);
    return state;
  };
  const auto toDocument = [](Frame& f, int id) { f.doc_.OnCommand(id); };
  const auto zoomable = [](const Frame& f, int) {
    CommandState state;
    state.enabled = f.doc_.HasImage() || f.view_->IsSplit();
    return state;
  };
  const auto bookmarked = [](const Frame& f, int) {
    CommandState state;
    state.enabled = f.doc_.HasSource() && !f.doc_.Case().Bookmarks().empty();
    return state;
  };
  const auto motionEvents = [](const Frame& f, int) {
    CommandState state;
    state.enabled = !f.doc_.Motion().EventsInList().empty();
    return state;
  };
  const Keys none;
  static const std::vector<FrameCommand> commands{
      // File
      {cmd::kFileOpen, "&Open...", "開く(&O)...", {Qt::CTRL | Qt::Key_O}, document, toDocument, FrameMenu::File},
      {cmd::kFileSaveImage, "&Save...", "保存(&S)...", {Qt::CTRL | Qt::Key_S}, document, toDocument, FrameMenu::File},
      {cmd::kFilePrint, "&Print...", "印刷(&P)...", {Qt::CTRL | Qt::Key_P}, document, toDocument, FrameMenu::File},
      {cmd::kFileExportVideo, "Export &Video...", "ビデオ書き出し(&V)...", none,
       [](const Frame& f, int) {
         // One export at a time, of a recording folder.
         CommandState state;
         state.enabled = f.videoExport_.isNull() && !VideoExportJob::RequestFor(f.doc_).folder.empty();
         return state;
       },
       [](Frame& f, int) { f.OnExportVideo(); }, FrameMenu::File},
      {cmd::kCaseFile, "&Case File...", "ケースファイル(&C)...", none, nullptr,
       [](Frame& f, int) { f.OnCaseFile(); }, FrameMenu::File, 0, str::kCaseFilePrompt},
      {cmd::kTitleInput, "&Title Input...", "タイトル入力(&T)...", none, nullptr,
       [](Frame& f, int) { f.OnTitleInput(); }, FrameMenu::File, kSeparatorBefore},
      {cmd::kAppExit, "E&xit", "終了(&X)", none,
       [](const Frame& f, int) {
         CommandState state;
         state.enabled = !f.IsCloseDisabled();
         return state;
       },
       [](Frame& f, int) { f.close(); }, FrameMenu::File, kEnglishSeparatorBefore},
      // View
      {cmd::kViewToolbar, "&Toolbar", "ツール バー(&T)", none,
       [](const Frame& f, int) { return Toggle(!f.toolBar_->isHidden()); },
       [](Frame& f, int) { f.toolBar_->setVisible(f.toolBar_->isHidden()); }, FrameMenu::View},
      {cmd::kViewStatusBar, "&Status Bar", "ステータス バー(&S)", none,
       [](const Frame& f, int) { return Toggle(!f.statusBar()->isHidden()); },
       [](Frame& f, int) { f.statusBar()->setVisible(f.statusBar()->isHidden()); }, FrameMenu::View},
      {cmd::kCameraTitle, "&Camera Title", "カメラタイトル(&C)", none, document, toDocument, FrameMenu::View},
      {cmd::kDateFormat, "&Date Display Format...", "日付表示形式(&D)...", none, nullptr,
       [](Frame& f, int) { f.OnDateDisplayFormat(); }, FrameMenu::View},
      {cmd::kTimeRightDown, "Right &Down", "右下(&D)", none, document, toDocument, FrameMenu::TimePosition, kExclusive},
      {cmd::kTimeRightUp, "Right &Up", "右上(&U)", none, document, toDocument, FrameMenu::TimePosition, kExclusive},
      {cmd::kTimeLeftUp, "&Left Up", "左上(&L)", none, document, toDocument, FrameMenu::TimePosition, kExclusive},
      {cmd::kTimeLeftDown, "Le&ft Down", "左下(&F)", none, document, toDocument, FrameMenu::TimePosition, kExclusive},
      {cmd::kSplit1, "&1 Image", "1 画像(&1)", none, document, toDocument, FrameMenu::Image},
      {cmd::kSplit4, "&4 Image", "4 画像(&4)", none, document, toDocument, FrameMenu::Image},
      {cmd::kSplit9, "&9 Image", "9 画像(&9)", none, document, toDocument, FrameMenu::Image},
      {cmd::kSplit16, "1&6 Image", "16 画像(&6)", none, document, toDocument, FrameMenu::Image},
      // View: examining a picture
      {cmd::kZoomIn, "&Zoom In", "拡大(&Z)", {Qt::CTRL | Qt::Key_Equal, Qt::CTRL | Qt::Key_Plus}, zoomable,
       [](Frame& f, int) { f.view_->ZoomIn(); }, FrameMenu::View, kSeparatorBefore},
      {cmd::kZoomOut, "Zoom &Out", "縮小(&O)", {Qt::CTRL | Qt::Key_Minus}, zoomable,
       [](Frame& f, int) { f.view_->ZoomOut(); }, FrameMenu::View},
      {cmd::kZoomFit, "&Fit to Pane", "全体表示(&F)", {Qt::CTRL | Qt::Key_0}, zoomable,
       [](Frame& f, int) { f.view_->ZoomFit(); }, FrameMenu::View},
      {cmd::kZoomActualPixels, "&Actual Pixels", "等倍表示(&A)", {Qt::CTRL | Qt::Key_1}, zoomable,
       [](Frame& f, int) { f.view_->ZoomActualPixels(); }, FrameMenu::View},
      {cmd::kSmoothScaling, "S&mooth Scaling", "滑らかに拡大(&M)", none,
       [](const Frame& f, int) { return Toggle(f.view_->IsSmoothScaling()); },
       [](Frame& f, int) { f.OnSmoothScaling(); }, FrameMenu::View},
      {cmd::kEnhance, "&Enhance...", "画質調整(&E)...", none, nullptr, [](Frame& f, int) { f.OnEnhance(); },
       FrameMenu::View},
      {cmd::kLockCamerasToTime, "&Lock Cameras to Time", "カメラを時刻で揃える(&L)", none, document,
       [](Frame& f, int) { f.OnLockCamerasToTime(); }, FrameMenu::View},
      // View: the background check; the recorder viewer's string table has
      // no prompts for these, they have rows of their own.
      {cmd::kVerificationMarks, "Verification &Marks", "検証マーク(&M)", none, document, toDocument,
       FrameMenu::View, kSeparatorBefore, str::kVerificationMarksPrompt},
      {cmd::kNextProblem, "&Next Problem", "次の問題(&N)", {Qt::CTRL | Qt::Key_Right}, document,
       [](Frame& f, int) { f.OnProblemStep(true); }, FrameMenu::View, 0, str::kNextProblemPrompt},
      {cmd::kPreviousProblem, "P&revious Problem", "前の問題(&R)", {Qt::CTRL | Qt::Key_Left}, document,
       [](Frame& f, int) { f.OnProblemStep(false); }, FrameMenu::View, 0, str::kPreviousProblemPrompt},
      {cmd::kVerificationSummary, "Verification S&ummary...", "検証結果一覧(&U)...", none, document,
       [](Frame& f, int) { f.OnVerificationSummary(); }, FrameMenu::View, 0, str::kVerificationSummaryPrompt},
      // View: the case file's bookmarks.
      {cmd::kAddBookmark, "Add &Bookmark...", "ブックマークを追加(&B)...", {Qt::CTRL | Qt::Key_B},
       [](const Frame& f, int) {
         CommandState state;
         state.enabled = f.doc_.HasImage() && f.doc_.Case().CanBookmark();
         return state;
       },
       [](Frame& f, int) { f.OnAddBookmark(); }, FrameMenu::View, kSeparatorBefore, str::kAddBookmarkPrompt},
      {cmd::kNextBookmark, "Ne&xt Bookmark", "次のブックマーク(&X)", {Qt::Key_F2}, bookmarked,
       [](Frame& f, int) { f.OnBookmarkStep(true); }, FrameMenu::View, 0, str::kNextBookmarkPrompt},
      {cmd::kPreviousBookmark, "Pre&vious Bookmark", "前のブックマーク(&V)", {Qt::SHIFT | Qt::Key_F2}, bookmarked,
       [](Frame& f, int) { f.OnBookmarkStep(false); }, FrameMenu::View, 0, str::kPreviousBookmarkPrompt},
      {cmd::kBookmarksPanel, "Bookmar&ks", "ブックマーク一覧(&K)", none,
       [](const Frame& f, int) { return Toggle(f.IsBookmarksPanelShown()); },
       [](Frame& f, int) { f.OnBookmarksPanel(); }, FrameMenu::View, 0, str::kBookmarksPanelPrompt},
      // View: motion search
      {cmd::kFindMotion, "Find &Motion...", "動き検出(&M)...", {Qt::CTRL | Qt::Key_M},
       [](const Frame& f, int) {
         CommandState state;
         state.enabled = f.doc_.GetCurrentFileIndex() >= 0;
         return state;
       },
       [](Frame& f, int) { f.OnFindMotion(); }, FrameMenu::View, kSeparatorBefore},
      {cmd::kNextMotionEvent, "Next &Event", "次のイベント(&E)", {Qt::CTRL | Qt::Key_E}, motionEvents,
       [](Frame& f, int) { f.OnMotionEventStep(true); }, FrameMenu::View},
      {cmd::kPreviousMotionEvent, "Previous E&vent", "前のイベント(&V)", {Qt::CTRL | Qt::SHIFT | Qt::Key_E},
       motionEvents, [](Frame& f, int) { f.OnMotionEventStep(false); }, FrameMenu::View},
      // Help: the variants of the program show it under an id of their own.
      {cmd::kAppAbout, "&About %1...", "バージョン情報(&A)...", none, nullptr, [](Frame& f, int) { f.OnAbout(); },
       FrameMenu::Help},
  };
  return commands;
}

}  // namespace selvo
