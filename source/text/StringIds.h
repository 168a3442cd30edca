#pragma once
// The rows of the numbered string table (res/strings_en.tsv and
// res/strings_ja.tsv) that the code asks for by name. Fetch them with
// UiString (source/text/UiText.h) in the windows, with LoadString in the
// core. A control's tooltip row has the control's own id, a command's
// prompt row the command's id (doc/CommandIds.h); those are not repeated here.

namespace selvo {
namespace str {

// The status bar with nothing to tell.
constexpr int kIdleStatus = 57345;
// The setting file the program cannot start without.
constexpr int kSettingFileMissing = 50005;

// The main window: the background check in the status bar.
constexpr int kVerifyingStatus = 64600;  // %1 of %2 examined, %3 problems
constexpr int kVerifiedCleanStatus = 64601;  // %1 images
constexpr int kVerifiedProblemsStatus = 64602;  // %1 images, %2 problems
constexpr int kNoFurtherProblemStatus = 64720;
constexpr int kNoEarlierProblemStatus = 64721;

// Prompts of the background check's commands (the recorder viewer's table
// has none for them).
constexpr int kVerificationMarksPrompt = 64603;
constexpr int kNextProblemPrompt = 64604;
constexpr int kPreviousProblemPrompt = 64605;
constexpr int kVerificationSummaryPrompt = 64606;

// The case file's commands and what the status bar says of them.
constexpr int kAddBookmarkPrompt = 64740;
constexpr int kNextBookmarkPrompt = 64741;
constexpr int kPreviousBookmarkPrompt = 64742;
constexpr int kBookmarksPanelPrompt = 64743;
constexpr int kCaseFilePrompt = 64744;
constexpr int kNoFurtherBookmarkStatus = 64745;
constexpr int kNoEarlierBookmarkStatus = 64746;
constexpr int kCaseFileUnusableStatus = 64747;  // %1: why; the viewer goes on without bookmarks
constexpr int kBookmarkNotShownStatus = 64748;

// Exporting a video.
constexpr int kVideoExportTitle = 64631;
constexpr int kLosslessFilterString = 64632;
constexpr int kShareableFilterString = 64633;
constexpr int kVideoExportProgress = 64634;
constexpr int kVideoExportCancel = 64635;
constexpr int kVideoExportSaved = 64636;
constexpr int kVideoExportFailed = 64637;
constexpr int kVideoExportSavedWithGaps = 64638;
constexpr int kVideoExportCancelled = 64639;

// The video export's options.
constexpr int kCameraString = 64650;  // "camera %1"
constexpr int kEveryImageString = 64651;  // without an INFO index
constexpr int kAllImagesString = 64652;  // "all its images"
constexpr int kImagesFromToString = 64653;  // "images %1 to %2"
constexpr int kWithoutSoundString = 64654;
constexpr int kCameraLabelString = 64655;
constexpr int kAllImagesChoiceString = 64656;
constexpr int kFromImageString = 64657;
constexpr int kToImageString = 64658;
constexpr int kWithSoundString = 64659;
constexpr int kCopyRangeChoiceString = 64660;
constexpr int kCopyRangeString = 64661;  // "the copy range"
constexpr int kRangeLabelString = 64662;
constexpr int kCameraChoiceString = 64663;  // "Camera %1"

// The open flow's notices; %1 is the folder.
constexpr int kNoRecordingString = 64560;
constexpr int kFolderMissingString = 64561;
constexpr int kNotAFolderString = 64562;
constexpr int kFolderUnreadableString = 64563;  // %2: the system's reason
constexpr int kNoUsableImagesString = 64564;
constexpr int kOpenCancelledString = 64565;

// The end of a disc copy.
constexpr int kCopyFinishedText = 64503;
constexpr int kCopyCancelledText = 64504;

// The copy's progress.
constexpr int kCopyingFromText = 64452;
constexpr int kCopyingToText = 64453;

// The copy's save dialog.
constexpr int kSaveAsTitle = 64451;

// A disc that could not be read while copying.
constexpr int kCopyErrorTitle = 64505;
constexpr int kNotWrittenGroup = 64506;

// The enhancement window.
constexpr int kEnhanceTitle = 64675;
constexpr int kBrightnessString = 64676;
constexpr int kContrastString = 64677;
constexpr int kGammaString = 64678;
constexpr int kSharpenString = 64679;
constexpr int kAutoLevelsString = 64680;
constexpr int kGreyscaleString = 64681;
constexpr int kEnhanceReset = 64682;
constexpr int kDisplayOnlyString = 64683;

// The verification summary.
constexpr int kSummaryHeading = 64607;  // %1 problem images of %2 images
constexpr int kSummaryGap = 64608;
constexpr int kStampBackwardsString = 64609;
constexpr int kTimeBackwardsString = 64610;
constexpr int kNoValidTimeString = 64611;
constexpr int kNoTrailerString = 64612;
constexpr int kNotRecorderString = 64613;
constexpr int kReportFailedString = 64614;  // %1: the reason
constexpr int kReportFilterString = 64615;
constexpr int kStampMismatchString = 64616;

// What a copy range writes.
constexpr int kRunFilesText = 64446;
constexpr int kRunNumbersText = 64447;
constexpr int kSingleFileText = 64448;
constexpr int kSingleNumberText = 64449;
constexpr int kUnlistedText = 64454;
constexpr int kNotWrittenText = 64502;

// Reading a disc.
constexpr int kTagAreaUnreadableText = 50003;
constexpr int kDriveNotReadyText = 50002;
constexpr int kFatalReadText = 50004;
constexpr int kCannotOpenText = 64500;
constexpr int kNoDriveAccessText = 64501;

// The image view: fonts, pane menu, printing, zoom and saving.
constexpr int kTimeFontString = 50000;
constexpr int kPrintTitleFontString = 50001;
constexpr int kPaneMenuFirstString = 64550;  // "1 image" .. "16 image", "--", "%1ch"
constexpr int kPaneMenuChannelString = 64555;
constexpr int kPrintFailedString = 64556;
constexpr int kPrintFooterFileString = 64590;
constexpr int kPrintFooterImageString = 64591;
constexpr int kPrintFooterSha256String = 64592;
constexpr int kPrintNotAvailableString = 64593;
constexpr int kZoomFitString = 64670;
constexpr int kZoomFactorString = 64671;
constexpr int kSaveZoomedQuestionString = 64672;
constexpr int kSaveWholeString = 64673;
constexpr int kSaveShownString = 64674;

// The speed slider's tick labels.
constexpr int kFirstTickString = 64460;

// Menus people look for: recent recordings, sound device, the empty view,
// Go To and the list of keys.
constexpr int kRecentMissingString = 64780;  // %1: the folder or disc
constexpr int kSoundDeviceMissingStatus = 64781;
constexpr int kSoundUnavailableTip = 64782;
constexpr int kEmptyViewTitle = 64783;
constexpr int kEmptyViewHint = 64784;
constexpr int kGoToTitle = 64785;
constexpr int kGoToPrompt = 64786;  // %1: the last image number, %2: a time as shown
constexpr int kGoToBadInput = 64787;  // %1: the last image number, %2: a time as shown
constexpr int kGoToNoSuchImage = 64788;  // %1: the number typed, %2: the last image number
constexpr int kGoToNoTimes = 64789;
constexpr int kGoToBadTime = 64790;  // %1: what was typed
constexpr int kKeyboardTitle = 64791;
constexpr int kKeyColumnString = 64792;
constexpr int kActionColumnString = 64793;
constexpr int kMenuColumnString = 64794;
constexpr int kMouseWheelString = 64795;
constexpr int kMouseWheelAction = 64796;
constexpr int kMouseDragString = 64797;
constexpr int kMouseDragAction = 64798;
constexpr int kRightClickString = 64799;
constexpr int kRightClickAction = 64800;
constexpr int kDropString = 64801;
constexpr int kDropAction = 64802;
constexpr int kImageViewString = 64803;

}  // namespace str
}  // namespace selvo
