#pragma once
// Command ids of the menus, the toolbar and the accelerators. The numbers are
// the recorder viewer's own and are kept so that every command can be named
// and fired by its id.

namespace selvo {

namespace cmd {
// File
constexpr int kFileNew = 57600;
constexpr int kFileOpen = 57601;
constexpr int kFileSaveImage = 33001;
constexpr int kFilePrint = 57607;
constexpr int kFileExportVideo = 64630;  // its prompt is string-table row 64630
constexpr int kTitleInput = 32772;
constexpr int kAppExit = 57665;
// View
constexpr int kViewToolbar = 59392;
constexpr int kViewStatusBar = 59393;
constexpr int kCameraTitle = 40035;
constexpr int kDateFormat = 32773;
constexpr int kTimeRightDown = 40031;
constexpr int kTimeRightUp = 40032;
constexpr int kTimeLeftUp = 40033;
constexpr int kTimeLeftDown = 40034;
constexpr int kSplit1 = 40041;
constexpr int kSplit4 = 40042;
constexpr int kSplit9 = 40043;
constexpr int kSplit16 = 40044;
// Examining a picture: zoom, smooth scaling, the enhancement window, and a
// split locked to one moment.
constexpr int kZoomIn = 40070;
constexpr int kZoomOut = 40071;
constexpr int kZoomFit = 40072;
constexpr int kZoomActualPixels = 40073;
constexpr int kSmoothScaling = 40074;
constexpr int kEnhance = 40075;
constexpr int kLockCamerasToTime = 40076;
// Verification (no counterpart in the recorder viewer's own menus).
constexpr int kNextProblem = 40080;
constexpr int kPreviousProblem = 40081;
constexpr int kVerificationMarks = 40082;
constexpr int kVerificationSummary = 40083;
// The case file (no counterpart in the recorder viewer's own menus).
constexpr int kAddBookmark = 40100;
constexpr int kNextBookmark = 40101;
constexpr int kPreviousBookmark = 40102;
constexpr int kBookmarksPanel = 40103;
constexpr int kCaseFile = 40104;
// Motion search (no counterpart in the recorder viewer's own menus).
constexpr int kFindMotion = 40090;
constexpr int kNextMotionEvent = 40091;
constexpr int kPreviousMotionEvent = 40092;
// The panel's buttons and keys as menu items, going to an image or a time,
// the list of keys, and the recordings opened last (no counterpart in the
// recorder viewer's own menus).
constexpr int kPlayOrStop = 40110;
constexpr int kReversePlayOrStop = 40111;
constexpr int kStopPlay = 40112;
constexpr int kNextImage = 40113;
constexpr int kPreviousImage = 40114;
constexpr int kFirstImage = 40115;
constexpr int kLastImage = 40116;
constexpr int kFaster = 40117;
constexpr int kSlower = 40118;
constexpr int kGoTo = 40119;
constexpr int kKeyboardShortcuts = 40120;
constexpr int kClearRecent = 40121;
// File > Recent Recordings: one id per entry, newest first.
constexpr int kRecentFirst = 40122;
constexpr int kRecentLast = 40129;
// Help: variant 0 uses the framework's About id, variants 1 and 2 their own.
constexpr int kAppAbout = 57664;
constexpr int kAppAboutVariant = 32774;
// Pane menu of the image view: 40001..40004 layouts, 40005 "--" (all
// channels), 40006..40021 channels 1ch..16ch.
constexpr int kPaneFirst = 40001;
constexpr int kPaneLast = 40021;
}  // namespace cmd

// What a command's menu item and toolbar button show: the command-update
// step fills it in before a menu opens and after every state change.
struct CommandState {
  bool enabled = true;
  bool checkable = false;
  bool checked = false;
};

}  // namespace selvo
