#pragma once
// The single document of the viewer: the open recording (its ImageSource and
// the decoded current image), the display settings, the commands that act on
// them, the open flow and the play loops. The image view and the control
// panel keep no recording state; they read the document and call its
// operations. It runs on the user-interface thread; the loader and the disc
// copy run their threads in job objects (FolderLoadJob, DiscCopyJob) that
// have ended when the document goes on. The background check
// (BackgroundVerification) runs while a folder recording is open and ends before it
// closes. What playback keeps between steps lives in PlaybackState.
//
// Its code is split by what it does: CSelvoViewerDoc.cpp (settings,
// commands, position, queries), CSelvoViewerDocOpen.cpp (the open flow),
// CSelvoViewerDocPlay.cpp (the play loops), CSelvoViewerDocDisc.cpp (disc
// and copy range), CSelvoViewerDocVerify.cpp (the background check).
//
// How the document reaches the windows:
// - the image view through ImageViewLink (doc/ImageViewLink.h), attached by
//   the frame with AttachImageView; without one attached every redraw is a
//   no-op and the view counts as showing one pane;
// - the control panel through the signals below for everything it shows of
//   the recording, and through PlaybackControls for what the play loops ask
//   and drive (doc/PlaybackControls.h says which path carries what);
// - the user through DocumentPrompts: the open and save dialogs, the
//   progress dialogs of the loader and the copy, the wait cursor;
// - the frame learns of every change that can alter a command's state
//   through commandStatesChanged(), and when it may close through
//   closeAllowedChanged().
#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "doc/BackgroundVerification.h"
#include "doc/CameraTimeLock.h"
#include "doc/CaseSession.h"
#include "doc/CommandIds.h"
#include "doc/DocumentPrompts.h"
#include "doc/PlaybackState.h"
#include "doc/ProblemList.h"
#include "doc/ThreadNotifier.h"
#include "source/CalendarTime.h"
#include "source/DibBlock.h"
#include "source/DiscReader.h"
#include "source/ImageSource.h"
#include "source/MediaKind.h"
#include "source/settings/AppSettings.h"
#include "source/RangeCopy.h"

namespace selvo {

class DocumentPrompts;
class FolderOpenJob;
class ImageViewLink;
class Notifier;
class PlaybackClock;
class PlaybackControls;
class PlaybackSound;
class MotionSearches;
class RecordingFiles;

// Start-up facts the application object hands to the document.
struct DocumentOptions {
  int variant = 0;            // product variant 0..2: decides the settings key
  bool checkMode = false;     // "check" switch: alteration marks are drawn
  bool logMode = false;       // "log" switch: disc trace log
  MediaKind probeFlags;       // last probe result kept by the application
  bool persistSettings = true;  // false: neither read nor write the settings (tests)
};

class CSelvoViewerDoc : public QObject {
  Q_OBJECT

 public:
  // Builds a folder source for a probed recording; the loader polls cancel.
  using FolderSourceFactory =
      std::function<std::unique_ptr<ImageSource>(const MediaKind& kind, const std::atomic<int>* cancel)>;

  // Reads the settings once.
  CSelvoViewerDoc(const DocumentOptions& options, Notifier& notifier, QObject* parent = nullptr);
  // Writes the settings once.
  ~CSelvoViewerDoc() override;

  CSelvoViewerDoc(const CSelvoViewerDoc&) = delete;
  CSelvoViewerDoc& operator=(const CSelvoViewerDoc&) = delete;

  // ---------------------------------------------------------------- windows
  void AttachImageView(ImageViewLink* view);
  ImageViewLink* ImageView() const { return view_; }
  // Who answers the document's questions and shows its progress; null: no
  // one, the open dialog chooses nothing and the threads run unwatched.
  void SetPrompts(DocumentPrompts* prompts) { prompts_ = prompts; }

  // --------------------------------------------------------------- commands
  // Runs a document command; false when the id is not one of the document's.
  bool OnCommand(int id);
  // Fills in the state of a document command; false when the id is not one
  // of the document's (the state is then left alone).
  bool UpdateCommand(int id, CommandState& state) const;

  // -------------------------------------------------------------- open flow
  enum class OpenOutcome {
    NotOpened,  // dialog cancelled, or the probe found nothing (the user is
                // told why): the recording that was open stays
    Cancelled,  // the user cancelled "Searching...": no recording afterwards,
                // and the user is told so
    Empty,      // the folder held no usable recording: an empty source stays
    Opened      // positioned on the first image
  };
  // Command 57601: the open dialog, then OpenFolder on its path.
  OpenOutcome OnFileOpen();
  // The open flow from the probe on, as the open dialog's OK and a folder
  // named on the command line run it. Shows "Searching..." modally while the
  // loader thread builds the index.
  OpenOutcome OpenFolder(const std::string& folder);
  // The same open of a folder whose probe and index began before the
  // document (the folder named on the command line): what the job found is
  // taken as the loader's, and "Searching..." waits for it only while it
  // still runs. Opens the same document as OpenFolder(job.Folder()).
  OpenOutcome OpenFolder(FolderOpenJob& job);
  // A folder or image dropped onto the window: the recording it stands for
  // goes through OpenFolder. Nothing while an open is already under way.
  OpenOutcome OpenDroppedPath(const std::string& path);
  // File > Recent Recordings: a folder or disc opened before. False, after
  // telling the user, when it is no longer there; else the open flow ran.
  bool OpenRecentRecording(const RecordingChoice& recording);
  // Tests replace the folder source with one of their own.
  void SetFolderSourceFactory(FolderSourceFactory factory) { sourceFactory_ = std::move(factory); }

  // ================== what the image view and the panel read ==================
  bool HasSource() const { return source_ != nullptr; }
  // An open is in progress: the view draws only its background.
  bool IsOpenBusy() const { return openBusy_; }
  bool HasImage() const { return imageBlock_ != nullptr; }
  // A fresh copy of the current decoded image for the caller to keep; null
  // when no image is held.
  DibPtr CopyImageBlock() const;
  const DibBlock* CurrentImage() const { return imageBlock_.get(); }

  int GetPosition() const;                   // 0 without a source
  int GetCount() const;                      // 0 without a source
  int GetCurrentStatus() const;              // alteration flags; -1 without a source
  int GetStatusAt(int index) const;
  CalendarSeconds GetCurrentTime() const;    // 0 without a source
  CalendarSeconds GetTimeAt(int index) const;  // 0 when no time is known
  std::uint32_t GetStampAt(int index) const;   // the stamp that paces playback; 0 without a source
  int GetCurrentChannel() const;             // 0 without a source
  std::string GetCurrentChannelTitle() const;  // UTF-8; empty without a source
  std::string GetCurrentPath() const;        // empty for a disc or without a source
  int GetFirstChannel() const;               // -1 without a source
  bool HasChannel(int channel) const;        // -1: any channel known (INFO index)
  int GetChannelImageCount(int channel) const;  // 0..15 by the INFO index; 0 without one
  bool IsCameraTitleShown() const;
  int GetTimePosition() const { return settings_.timePosition; }  // 0 RD, 1 RU, 2 LU, 3 LD
  int GetDateFormat() const { return settings_.dateFormat; }
  int GetDateDelimiter() const { return settings_.dateDelimiter; }
  bool IsCheckMode() const { return checkMode_; }
  const MediaKind& ProbeFlags() const { return probeFlags_; }
  // The panel's 1ch/2ch sound boxes follow the probe's jp2 flag.
  bool IsTwoChannelSound() const { return probeFlags_.jp2 != 0; }
  int HasSound() const { return playback_.HasSound(); }
  // What the open of the recording left out and why: a sound track or an
  // INFO index that is there and cannot be read, index entries that name no
  // camera 1..16. The status bar shows them.
  const std::vector<std::string>& RecordingNotes() const { return recordingNotes_; }
  int SourceKind() const { return sourceKind_; }  // 0 folder, 1 disc
  // No sound device: recordings play into a silent sink. Learnt at start
  // (NoteSoundDeviceMissing) or when a sound track first fails to start.
  bool IsSoundDeviceMissing() const { return soundDeviceMissing_; }
  void NoteSoundDeviceMissing();

  // Time texts in the chosen date format and delimiter.
  std::string FormatImageTime(CalendarSeconds time) const;
  std::string GetTimeTextAt(int index) const;  // needs a source
  std::string GetCurrentTimeText() const;      // needs a source
  std::string GetChannelLabel() const;         // "--" or " 1".."16"
  std::string GetPrintTitle() const { return printTitle_; }

  // The view's channel menu: rebuild the source's list for a channel (one
  // pane) or for the panes' channels (16 entries, -9 empty) and reposition.
  // The source fills empty entries with the recording's channels in order of
  // first appearance (a fresh 4-pane split shows the first four cameras);
  // the view stores paneChannels back into its slots afterwards.
  bool SelectChannel(int channel, int paneCount, int* paneChannels);
  // As above, for a caller that keeps its pane channels as they are.
  bool SelectChannel(int channel, int paneCount, const int* paneChannels);

  // ================================================== panes locked to a moment
  // View > Lock Cameras to Time: every pane of a split shows its camera's
  // image nearest in time to the current one.
  bool IsLockedToTime() const { return lockedToTime_; }
  void SetLockedToTime(bool locked);
  // The image of channel nearest in time and stamp to the current image;
  // index -1 when the list holds none of that camera.
  LockedImage NearestImageOf(int channel);
  // Go To by time: the list image of the current camera (of any camera
  // without an INFO index) whose recording time is nearest; the earlier one
  // of two as near. -1 when no image of it has a time.
  int NearestImageAtTime(CalendarSeconds time) const;
  // Changes whenever the list the indices point into is read anew.
  int LockGeneration() const { return timeLock_.Generation(); }
  // The image at index decoded for a pane, the current position kept; null
  // when it cannot be read or the source is busy.
  DibPtr DecodeImageAt(int index);
  std::string GetChannelTitleAt(int index) const;  // UTF-8

  // ===================================================== position operations
  // Each returns false and changes nothing without a source. refresh redraws
  // the image view at once and tells the panel.
  bool GoNext(bool refresh);
  bool GoPrevious(bool refresh);
  bool GoFirst(bool refresh);
  bool GoLast(bool refresh);
  bool SetImage(int index);   // no refresh
  bool ShowImage(int index);  // refresh

  // =========================================================== recorder disc
  // The disc branch of the open flow for a CD device node or a disc-image
  // file: stops playback, discards the old recording, opens the disc and
  // shows its first image. A disc that cannot be opened has told the user
  // why (through the notifier) and leaves an empty recording: Empty.
  OpenOutcome OpenDisc(const std::string& path);
  // Tests read discs through a device of their own; null restores the
  // device the path names.
  void SetDiscDeviceFactory(DiscReader::DeviceFactory factory) { discDeviceFactory_ = std::move(factory); }

  // Copy range, 1-based image numbers, -1 while unset. Setting does nothing
  // without a recording; every copy and every open unsets the range.
  int GetCopyStart() const { return copyStart_; }
  int GetCopyEnd() const { return copyEnd_; }
  bool IsCopyRangeValid() const { return copyStart_ != -1 && copyEnd_ != -1 && copyEnd_ >= copyStart_; }
  bool IsCopying() const { return copyBusy_ != 0; }
  void SetCopyStart();
  void SetCopyEnd();
  enum class CopyOutcome {
    NotStarted,  // no valid range, no recording, or the save dialog was cancelled
    Copied,      // every image of the range was tried
    Cancelled    // the user stopped "Copying..."; the files written stay
  };
  // Start Copy: the save dialog suggests DefaultCopyName, then CopyRangeTo.
  CopyOutcome CopyRange();
  // The current image's date, month-day-year or as the date format says,
  // always with "-" ("03-15-2006-").
  std::string DefaultCopyName() const;
  // The copy into the folder of chosenPath, named after its file name
  // without extension: the copy thread paced by "Copying...", then the
  // list of the images that failed, a message saying how the copy ended,
  // and the position on the range's last image (a cancelled copy stays on
  // the image shown before). While it runs, the document answers every
  // query from what it showed when the copy began.
  CopyOutcome CopyRangeTo(const std::string& chosenPath);
  // The failures of the last copy; null before the first.
  const RangeCopy* LastCopy() const { return rangeCopy_.get(); }

  // ================================================================ settings
  void SetPrintTitle(const std::string& title) { printTitle_ = title; }
  // Both values 0..2. Redraws the overlays when a recording is open and a
  // value changed; true when something changed.
  bool SetDateDisplay(int dateFormat, int dateDelimiter);
  const std::string& LastOpenFolder() const { return settings_.lastOpenFolder; }
  void SetLastOpenFolder(const std::string& folder) { settings_.lastOpenFolder = folder; }
  const std::string& LastSaveFolder() const { return settings_.lastSaveFolder; }
  // The main window's size and position as the window saved them; empty
  // when none was kept.
  const std::string& WindowGeometry() const { return settings_.windowGeometry; }
  void SetWindowGeometry(const std::string& geometry) { settings_.windowGeometry = geometry; }
  // The case file File > Case File... last chose, kept between runs; empty: the default one.
  const std::string& ChosenCaseFile() const { return settings_.caseFile; }
  void SetChosenCaseFile(const std::string& path) { settings_.caseFile = path; }

  // ============================================================ verification
  // After a folder recording opens, a thread runs the trailer check over all
  // its images; the document takes the results into the records as they
  // come, and when the last is in, finds the time-line breaks and keeps the
  // list of problems. A new open, or closing, stops it.
  bool IsVerifying() const;
  // While held, an open leaves the check to start at the release: at
  // start-up it waits for the first picture to be on the screen, rather
  // than take the second core from it.
  void HoldVerification(bool hold);
  bool IsVerified() const { return verification_.IsFinished(); }
  int VerificationDone() const { return verification_.Done(); }
  int VerificationTotal() const;
  // Images the check objected to so far; once verified, every problem image.
  int VerificationProblemCount() const;
  const ProblemList& Problems() const { return verification_.Problems(); }
  // The problems among the images of the current list (every camera it
  // holds), in list order; none before the check has finished.
  std::vector<ProblemMark> ProblemMarks() const;
  // Next / Previous Problem: the nearest problem image of the list after /
  // before the current image; false (nothing moves) when there is none or
  // the check has not finished.
  bool GoToNextProblem();
  bool GoToPreviousProblem();
  // Shows the image of file fileIndex (a problem's) when the current list
  // holds it; false otherwise, and nothing moves.
  bool ShowFileImage(int fileIndex);
  // A camera's title from the index, UTF-8; empty when there is none.
  std::string GetCameraTitle(int channel) const;
  // The file of the current image; -1 without a folder recording.
  int GetCurrentFileIndex() const;
  // The path of file fileIndex of a folder recording; empty otherwise.
  std::string GetFilePath(int fileIndex) const;
  // The file of list image index, and the list image of a file; -1 without
  // a folder recording or when there is none.
  int GetFileIndexAt(int index) const;
  int ListIndexOfFile(int fileIndex) const;
  // The camera of list image index as the source names it; -1 when unknown.
  int GetChannelAt(int index) const;

  // ============================================================ motion search
  MotionSearches& Motion() { return *motion_; }
  const MotionSearches& Motion() const { return *motion_; }
  // View > Verification Marks (remembered): the slider marks problems even
  // without the "check" switch.
  bool IsVerificationMarksOn() const { return settings_.verificationMarks != 0; }
  // The "check" switch marks the problems whatever the menu says.
  bool AreProblemMarksShown() const { return checkMode_ || IsVerificationMarksOn(); }

  // ============================================================= case file
  // The case file, the open recording's identity and its bookmarks
  // (CSelvoViewerDocCase.cpp). The application opens the case file; until
  // then, and when it cannot be used, there are no bookmarks.
  CaseSession& Case() { return case_; }
  const CaseSession& Case() const { return case_; }
  // Where the image at list index is, as a bookmark keeps it: its camera,
  // its number among that camera's images of the list, its file relative
  // to the recording folder, its time and stamp.
  BookmarkPlace PlaceAt(int index) const;
  // The image a pane of camera channel shows: the nearest in time when the
  // panes are locked, else that camera's last image up to the current one;
  // the current image when the list holds none of that camera.
  int ImageIndexOfChannel(int channel);
  // The list index of each bookmark (in Case().Bookmarks() order); -1 for
  // those the list does not hold.
  std::vector<int> BookmarkIndices() const;
  // Shows the bookmark's image; false when the list does not hold it.
  bool GoToBookmark(std::int64_t bookmarkId);
  // The nearest bookmarked image of the list after / before the current one.
  bool GoToNextBookmark();
  bool GoToPreviousBookmark();

  // ================================================================ playback
  // The panel and the frame the loops drive; null detaches.
  void AttachPlaybackControls(PlaybackControls* controls) { controls_ = controls; }
  // Tests drive time through their own clock; null restores the real one.
  void SetPlaybackClock(PlaybackClock* clock);
  // The sound track of the open recording (null: none); hasSound is what
  // its Open answered. Reads check the image order exactly when it has.
  void SetSoundTrack(std::unique_ptr<PlaybackSound> sound, int hasSound);
  PlaybackSound* GetSoundTrack() const { return playback_.Sound(); }

  bool IsPlaying() const { return playback_.IsPlaying(); }
  bool IsPlayingForward() const { return playback_.Playing() == PlaybackState::State::Forward; }
  bool IsPlayingReverse() const { return playback_.Playing() == PlaybackState::State::Reverse; }
  bool IsResumePending() const { return playback_.PendingResume() != PlaybackState::State::Idle; }
  // Makes a running loop end when control returns to it (the panel's Stop).
  void RequestPlaybackStop();
  // The play loops: nested event loops that step, read and redraw until the
  // recording ends, a stop is requested or the drive fails. False at once
  // without a source, else true when the loop has ended. Every handler may
  // run inside them; they talk to the loop only through PlaybackState's
  // flags (RequestPlaybackStop, PausePlayback).
  bool PlayForward();
  bool PlayReverse();
  // What the panel's Play / Reverse Play run when the other direction is
  // not playing: a fresh start, not a resumed pause, and a stop request
  // left behind for anything still dispatching inside. False, doing
  // nothing, while either loop runs: loops never nest.
  bool RunForwardPlay();
  bool RunReversePlay();
  // Ends a running loop and remembers its direction (a slider drag began).
  void PausePlayback();
  // Restarts the remembered direction through a queued Play / Reverse Play.
  void ResumePlayback();

 signals:
  // The panel's read-outs (image number, times, channel) and its position
  // slider need refreshing.
  void positionDisplayChanged();
  // A new recording replaced the old one, an open was cancelled, or a copy
  // ended.
  void recordingChanged();
  // Anything a command's enabled or checked state depends on changed.
  void commandStatesChanged();
  // A play loop or a copy began (false) or ended (true): the window must
  // not close while the loop or the copy thread still runs.
  void closeAllowedChanged(bool allowed);
  // The background check made progress, finished, or stopped.
  void verificationChanged();
  // A recording opened: kind 0 a folder, 1 a disc; the absolute path.
  void recordingOpened(int kind, const QString& path);
  // Sent once, when the document first learns there is no sound device.
  void soundDeviceMissing();

 private:
  // ---- CSelvoViewerDoc.cpp
  void LoadSettings();
  void SaveSettings() const;
  void SetTimePosition(int position);  // 0..3
  void SetCameraTitleShown(bool shown);
  void SetVerificationMarksOn(bool on);
  void RunSplitCommand(int id);
  // Decodes the current image into the held block (mode 0) or writes the
  // raw image to target (mode 1, the block stays). True when it worked.
  bool ReadCurrentImage(int mode, const SaveTarget& target, bool orderCheckArgument);
  // A disc's cursor moves by Seek, a folder's by SetPosition.
  void PlaceCursor(int index);
  // Redraw at once and tell the panel: the refresh after a position change.
  void Refresh();
  void UpdateAllViews();
  void AllowClose(bool allowed);

  // ---- CSelvoViewerDocOpen.cpp
  bool ProbeFolder(const std::string& folder);
  void StopPlaybackForOpen();
  void DiscardRecording();
  // The folder's sound track; hasSound and the order check follow its Open.
  void OpenSoundTrack(const std::string& folder);
  std::unique_ptr<ImageSource> MakeFolderSource(const MediaKind& kind);
  OpenOutcome LoadFolderRecording(const std::string& folder);
  OpenOutcome IndexFolderRecording(const std::string& folder);
  // Keeps the source unless the load was cancelled, and shows the outcome.
  OpenOutcome FinishFolderLoad(const std::string& folder, OpenOutcome outcome, std::unique_ptr<ImageSource> loading);
  void NoteIndexProblems();
  void FinishCancelledOpen(const std::string& folder);
  void FinishEmptyOpen(const std::string& folder);
  void FinishSuccessfulOpen(const std::string& folder);
  // The end of every open, whatever it found (folder or disc, opened,
  // empty or cancelled): one pane on the first camera, the panel's channel
  // display, sound controls and read-outs redone for what is open now.
  void ShowOpenOutcome();

  // ---- CSelvoViewerDocPlay.cpp
  bool IsStopRequested() const { return playback_.IsStopRequested(); }
  bool ChooseSoundMode() const;
  int SpeedPosition() const;
  bool StepFailedOnDrive(bool stepped);
  void ShowPlayedStep();
  void BeginLoop(PlaybackState::State direction);
  // Ends a loop of that direction: the controls go idle unless a pause
  // waits to resume it, and a restart that came meanwhile is posted.
  void EndLoop(PlaybackState::State direction);
  void FinishLoop(bool resumePending);
  bool RunFreshLoop(bool forward);
  void PostPanelCommand(bool forward);
  void PostRestartAfterLoop();
  void AbandonPause();

  // ---- CSelvoViewerDocDisc.cpp
  // A finished copy says how many files it wrote and where; a cancelled one
  // how many of how many.
  void TellCopyOutcome(CopyOutcome outcome, const std::string& chosenPath);
  // Unsets the range and shows the image at showIndex: the range's last
  // after a finished copy, the one shown before after a cancelled one.
  void FinishCopy(int showIndex);

  // ---- CSelvoViewerDocVerify.cpp
  void StartVerification();
  void StopVerification();
  void AdoptVerifiedRecords();
  // The open recording's image files; null without a folder recording.
  RecordingFiles* Files() const;
  int StepToProblem(int step) const;
  bool JumpToProblem(int step);

  // ---- CSelvoViewerDocCase.cpp
  bool JumpToIndex(int index);

  Notifier& notifier_;
  ImageViewLink* view_ = nullptr;
  DocumentPrompts* prompts_ = nullptr;
  FolderSourceFactory sourceFactory_;

  // Recording and current image.
  std::unique_ptr<ImageSource> source_;
  int sourceKind_ = 0;
  bool soundDeviceMissing_ = false;
  DibPtr imageBlock_;
  std::uint32_t imageSize_ = 0;
  int orderCheck_ = 0;
  MediaKind probeFlags_;

  // Playback.
  PlaybackControls* controls_ = nullptr;
  PlaybackState playback_;

  // Stopped before source_ goes: its thread reads the recording.
  BackgroundVerification verification_;
  bool verificationHeld_ = false;
  bool verificationPending_ = false;  // an open came while held

  // Display settings. settings_ is what persists between runs, read and
  // written whole under the variant's key; the switches and the rest last
  // one run.
  DisplaySettings settings_;
  int variant_ = 0;
  bool checkMode_ = false;
  bool logMode_ = false;
  bool persistSettings_ = true;
  int cameraTitleShown_ = 1;
  std::string printTitle_;

  // Open flow. The folder source polls loaderCancel_ while it indexes; the
  // dialog's CANCEL sets it from this thread.
  int openBusy_ = 0;
  std::atomic<int> loaderCancel_{0};

  // Recorder disc and copy range. While DiscCopyJob runs, its thread alone
  // touches the disc and rangeCopy_.
  ThreadNotifier discNotifier_{notifier_};
  DiscReader::DeviceFactory discDeviceFactory_;
  int copyStart_ = -1;
  int copyEnd_ = -1;
  int copyBusy_ = 0;
  std::string copyFolder_;
  std::string copyPrefix_;
  std::unique_ptr<RangeCopy> rangeCopy_;

  bool lockedToTime_ = false;
  CameraTimeLock timeLock_;
  std::vector<std::string> recordingNotes_;

  CaseSession case_;
  // Holds paths, never the source; forgotten when the recording goes.
  std::unique_ptr<MotionSearches> motion_;
};

}  // namespace selvo
