#include "app/FrameCommands.h"

#include <QStatusBar>
#include <QToolBar>

#include "app/CMainFrame.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/MotionSearches.h"
#include "doc/VideoExportJob.h"
#include "panel/CSelvoFormView.h"
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

using Panel = CSelvoFormView;

// The panel's button a playback row does the work of, now: Play/Stop and
// Reverse Play/Stop are the Stop button while they would stop, as the
// panel's own key handlers decide.
int PanelButtonFor(const CSelvoViewerDoc& doc, int id) {
  switch (id) {
    case cmd::kPlayOrStop: return doc.IsPlaying() ? Panel::kStop : Panel::kPlay;
    case cmd::kReversePlayOrStop: return doc.IsPlayingReverse() ? Panel::kStop : Panel::kReversePlay;
    case cmd::kStopPlay: return Panel::kStop;
    case cmd::kNextImage:
    case cmd::kLastImage: return Panel::kNext;
    case cmd::kPreviousImage:
    case cmd::kFirstImage: return Panel::kPrevious;
    default: return Panel::kSpeedSlider;
  }
}

}  // namespace

const std::vector<FrameMenuTitle>& CMainFrame::Menus() {
  static const std::vector<FrameMenuTitle> menus{
      {FrameMenu::File, FrameMenu::File, "&File", "ファイル(&F)"},
      {FrameMenu::Recent, FrameMenu::File, "&Recent Recordings", "最近開いた録画(&R)"},
      {FrameMenu::View, FrameMenu::View, "&View", "表示(&V)"},
      {FrameMenu::TimePosition, FrameMenu::View, "Time Display &Position", "時刻表示位置(&P)"},
      {FrameMenu::Image, FrameMenu::View, "&Image", "画像(&I)"},
      {FrameMenu::Playback, FrameMenu::View, "Pla&yback", "再生(&Y)"},
      {FrameMenu::Zoom, FrameMenu::View, "&Zoom", "ズーム(&Z)"},
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
  // The playback rows are enabled as the panel's button they stand for.
  const auto panelButton = [](const Frame& f, int id) {
    CommandState state;
    state.enabled = f.Panel().Control(PanelButtonFor(f.doc_, id))->isEnabled();
    return state;
  };
  const Keys none;
  static const std::vector<FrameCommand> commands{
      // File
      {cmd::kFileOpen, "&Open...", "開く(&O)...", {Qt::CTRL | Qt::Key_O}, document, toDocument, FrameMenu::File},
      // File > Recent Recordings: its entries stand above this row.
      {cmd::kClearRecent, "&Clear List", "一覧を消去(&C)", none,
       [](const Frame& f, int) {
         CommandState state;
         state.enabled = !f.recent_.Entries().empty();
         return state;
       },
       [](Frame& f, int) { f.OnClearRecent(); }, FrameMenu::Recent},
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
      {cmd::kAppExit, "E&xit", "終了(&X)", {Qt::CTRL | Qt::Key_Q},
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
      {cmd::kSplit1, "&1 Image", "1 画像(&1)", {Qt::ALT | Qt::Key_1}, document, toDocument, FrameMenu::Image},
      {cmd::kSplit4, "&4 Image", "4 画像(&4)", {Qt::ALT | Qt::Key_4}, document, toDocument, FrameMenu::Image},
      {cmd::kSplit9, "&9 Image", "9 画像(&9)", {Qt::ALT | Qt::Key_9}, document, toDocument, FrameMenu::Image},
      {cmd::kSplit16, "1&6 Image", "16 画像(&6)", {Qt::ALT | Qt::Key_6}, document, toDocument, FrameMenu::Image},
      // View > Playback: the panel's buttons and keys, enabled as the
      // buttons are; then going to an image by number or time.
      {cmd::kPlayOrStop, "&Play/Stop", "再生/停止(&P)", {Qt::Key_Space}, panelButton,
       [](Frame& f, int) { f.Panel().OnPlayOrStop(); }, FrameMenu::Playback},
      {cmd::kReversePlayOrStop, "&Reverse Play/Stop", "逆再生/停止(&R)", {Qt::SHIFT | Qt::Key_Space}, panelButton,
       [](Frame& f, int) { f.Panel().OnReverseOrStop(); }, FrameMenu::Playback},
      {cmd::kStopPlay, "&Stop", "停止(&S)", none, panelButton, [](Frame& f, int) { f.Panel().OnStop(); },
       FrameMenu::Playback},
      {cmd::kNextImage, "&Next Image", "次の画像(&N)", {Qt::Key_Right}, panelButton,
       [](Frame& f, int) { f.Panel().OnNextKey(); }, FrameMenu::Playback, kSeparatorBefore},
      {cmd::kPreviousImage, "Pre&vious Image", "前の画像(&V)", {Qt::Key_Left}, panelButton,
       [](Frame& f, int) { f.Panel().OnPreviousKey(); }, FrameMenu::Playback},
      {cmd::kFirstImage, "&First Image", "最初の画像(&F)", {Qt::Key_Home}, panelButton,
       [](Frame& f, int) { f.Panel().OnFirst(); }, FrameMenu::Playback},
      {cmd::kLastImage, "&Last Image", "最後の画像(&L)", {Qt::Key_End}, panelButton,
       [](Frame& f, int) { f.Panel().OnLast(); }, FrameMenu::Playback},
      {cmd::kFaster, "F&aster", "速く(&A)",
       {Qt::Key_Plus, Qt::Key_Equal, Qt::SHIFT | Qt::Key_Plus, Qt::KeypadModifier | Qt::Key_Plus}, panelButton,
       [](Frame& f, int) { f.Panel().OnSpeedUp(); }, FrameMenu::Playback, kSeparatorBefore},
      {cmd::kSlower, "Slo&wer", "遅く(&W)", {Qt::Key_Minus, Qt::KeypadModifier | Qt::Key_Minus}, panelButton,
       [](Frame& f, int) { f.Panel().OnSpeedDown(); }, FrameMenu::Playback},
      {cmd::kGoTo, "&Go To...", "移動(&G)...", {Qt::CTRL | Qt::Key_G},
       [](const Frame& f, int) {
         CommandState state;
         state.enabled = f.doc_.GetCount() > 0 && !f.doc_.IsPlaying();
         return state;
       },
       [](Frame& f, int) { f.OnGoTo(); }, FrameMenu::Playback, kSeparatorBefore},
      // View > Zoom: examining a picture
      {cmd::kZoomIn, "Zoom &In", "拡大(&I)", {Qt::CTRL | Qt::Key_Equal, Qt::CTRL | Qt::Key_Plus}, zoomable,
       [](Frame& f, int) { f.view_->ZoomIn(); }, FrameMenu::Zoom},
      {cmd::kZoomOut, "Zoom &Out", "縮小(&O)", {Qt::CTRL | Qt::Key_Minus}, zoomable,
       [](Frame& f, int) { f.view_->ZoomOut(); }, FrameMenu::Zoom},
      {cmd::kZoomFit, "&Fit to Pane", "全体表示(&F)", {Qt::CTRL | Qt::Key_0}, zoomable,
       [](Frame& f, int) { f.view_->ZoomFit(); }, FrameMenu::Zoom},
      {cmd::kZoomActualPixels, "&Actual Pixels", "等倍表示(&A)", {Qt::CTRL | Qt::Key_1}, zoomable,
       [](Frame& f, int) { f.view_->ZoomActualPixels(); }, FrameMenu::Zoom},
      {cmd::kSmoothScaling, "Smoot&h Scaling", "滑らかに拡大(&H)", none,
       [](const Frame& f, int) { return Toggle(f.view_->IsSmoothScaling()); },
       [](Frame& f, int) { f.OnSmoothScaling(); }, FrameMenu::View, kSeparatorBefore},
      {cmd::kEnhance, "&Enhance...", "画質調整(&E)...", none, nullptr, [](Frame& f, int) { f.OnEnhance(); },
       FrameMenu::View},
      {cmd::kLockCamerasToTime, "&Lock Cameras to Time", "カメラを時刻で揃える(&L)", none, document,
       [](Frame& f, int) { f.OnLockCamerasToTime(); }, FrameMenu::View},
      // View: the background check; the recorder viewer's string table has
      // no prompts for these, they have rows of their own.
      {cmd::kVerificationMarks, "Verification M&arks", "検証マーク(&A)", none, document, toDocument,
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
      {cmd::kPreviousBookmark, "Previous Boo&kmark", "前のブックマーク(&K)", {Qt::SHIFT | Qt::Key_F2}, bookmarked,
       [](Frame& f, int) { f.OnBookmarkStep(false); }, FrameMenu::View, 0, str::kPreviousBookmarkPrompt},
      {cmd::kBookmarksPanel, "Book&marks", "ブックマーク一覧(&M)", none,
       [](const Frame& f, int) { return Toggle(f.IsBookmarksPanelShown()); },
       [](Frame& f, int) { f.OnBookmarksPanel(); }, FrameMenu::View, 0, str::kBookmarksPanelPrompt},
      // View: motion search
      {cmd::kFindMotion, "&Find Motion...", "動き検出(&F)...", {Qt::CTRL | Qt::Key_M},
       [](const Frame& f, int) {
         CommandState state;
         state.enabled = f.doc_.GetCurrentFileIndex() >= 0;
         return state;
       },
       [](Frame& f, int) { f.OnFindMotion(); }, FrameMenu::View, kSeparatorBefore},
      {cmd::kNextMotionEvent, "Next E&vent", "次のイベント(&V)", {Qt::CTRL | Qt::Key_E}, motionEvents,
       [](Frame& f, int) { f.OnMotionEventStep(true); }, FrameMenu::View},
      {cmd::kPreviousMotionEvent, "Previ&ous Event", "前のイベント(&O)", {Qt::CTRL | Qt::SHIFT | Qt::Key_E},
       motionEvents, [](Frame& f, int) { f.OnMotionEventStep(false); }, FrameMenu::View},
      // Help
      {cmd::kKeyboardShortcuts, "&Keyboard Shortcuts...", "キーボード ショートカット(&K)...", {Qt::Key_F1}, nullptr,
       [](Frame& f, int) { f.OnKeyboardShortcuts(); }, FrameMenu::Help},
      // Help: the variants of the program show it under an id of their own.
      {cmd::kAppAbout, "&About %1...", "バージョン情報(&A)...", none, nullptr, [](Frame& f, int) { f.OnAbout(); },
       FrameMenu::Help},
  };
  return commands;
}

}  // namespace selvo
