#pragma once
// The playback control panel under the image view: the position slider with
// the times of the first and last image, the transport buttons, the speed
// slider, the sound controls, the read-outs of camera channel, current time
// and image number, and (recorder discs only) the copy-range controls.
// It keeps no recording state: it reads the document and calls its
// operations, and the document and the image view publish their changes to
// it through the calls below.
//
// Controls keep the recorder viewer's form: its rows and sizes (dialog units
// converted with the panel font's metrics) and its control ids, which also
// number their tooltip texts in the string table. Along a row they follow
// one another by their real widths, so that pictures and texts in either
// language never cover each other; a disc's copy controls get a row of
// their own under the read-outs, and the window is kept wide enough for all.
// Where each control goes is panel/PanelLayout's to say, which controls are
// enabled the mode table's of panel/PanelEnabling; building the controls is
// in CSelvoFormViewSetup.cpp.
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <map>
#include <utility>

#include "doc/PlaybackControls.h"
#include "panel/PanelEnabling.h"
#include "view/PositionSlider.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

namespace selvo {

class ActivityStrip;

class CSelvoViewerDoc;
class CSelvoViewerView;
class SkinButton;
class SkinToggleButton;
class SpeedSlider;
class TipSlider;

// Start play in a direction once the running loop has returned: the
// recorder viewer's UM_PLAY_FORWARD / UM_PLAY_REVERSE, as Qt event types
// QEvent::User + 0x512 / + 0x513 posted to the panel.
constexpr int kUmPlayForward = 0x512;
constexpr int kUmPlayReverse = 0x513;
inline QEvent::Type PlayForwardEventType() { return static_cast<QEvent::Type>(QEvent::User + kUmPlayForward); }
inline QEvent::Type PlayReverseEventType() { return static_cast<QEvent::Type>(QEvent::User + kUmPlayReverse); }

class CSelvoFormView : public QWidget, public PlaybackControls {
  Q_OBJECT

 public:
  // Sets the volume slider from the mixer. The panel asks on its timer; the
  // application asks once it has opened the mixer, which it does after
  // opening the recording named on the command line, not before.
  void SyncVolumeSliderFromMixer();
  // Control ids of the form.
  enum ControlId : int {
    kPrevious = 1001,
    kReversePlay = 1002,
    kStop = 1003,
    kPlay = 1004,
    kNext = 1005,
    kImageNumber = 1022,
    kCurrentTime = 1023,
    kSetCopyStart = 1047,
    kSetCopyEnd = 1048,
    kStartCopy = 1049,
    kCopyStartNumber = 1050,
    kCopyEndNumber = 1051,
    kFirstTime = 1059,
    kLastTime = 1060,
    kPositionSlider = 1061,
    kSpeedSlider = 1062,
    kSound = 1064,
    kChannelIcon = 1065,
    kTimeIcon = 1066,
    kNumberIcon = 1067,
    kSoundChannel1 = 1068,
    kSoundChannel2 = 1069,
    kVolumeSlider = 1070,
    kChannelSingle = 1071,
    kChannelPane1 = 1072,
    kChannelPane2 = 1073,
    kChannelPane3 = 1074,
    kChannelPane4 = 1075,
  };
  static constexpr int kPanelHeight = 80;
  // The narrowest the main window gets; the panel widens it to fit the
  // controls it shows.
  static constexpr int kWindowMinWidth = 345;
  static constexpr int kVolumeTimerMs = 500;

  explicit CSelvoFormView(CSelvoViewerDoc& doc, QWidget* parent = nullptr);
  ~CSelvoFormView() override;

  // Once, when the panel is first shown: pictures, tooltips, speed 3, the
  // volume read from the mixer, the 500 ms volume timer, sound on.
  void OnInitialUpdate();

  // ---------------------------------------------- read by the play loops
  int SpeedPosition() const override;  // 1..10
  void SetSpeedPosition(int position);
  bool IsSoundWanted(bool twoChannel) const override;
  // Channels of the sound track to play: 1, 2, 3 (both) or 0.
  int GetChannelMask() const override;
  void ShowForwardPlayMode(bool soundMode) override;
  // The enabling after a play loop ends (not after a pause): speed slider,
  // transport and copy buttons on, stop off; the sound controls only when
  // the recording has sound.
  void RestoreIdleEnabling(bool hasSound) override;
  void UpdateStartCopyButton();
  void SetPositionRange(int count);
  PositionSlider* GetPositionSlider() const { return positionSlider_; }

  // --------------------------- published by the document and the image view
  // Every read-out from the document.
  void UpdatePositionDisplay();
  // The document moved: the read-outs follow, at most every
  // kReadOutIntervalMs while a play loop runs, and at once when it ends.
  void FollowPosition();
  // Asks a running play loop to stop and shows the idle enabling.
  void ShowStoppedState();
  // The copy-range controls are shown for recorder discs only.
  void ShowCopyControls();
  // Panel height and the window's minimum width for the controls shown.
  void FitHeightToVisibleControls();
  void UpdateSoundControls(int twoChannel, int allowSound);
  // 4 panes: the four small channel fields; otherwise the single one.
  void SetChannelDisplayLayout(int paneCount);
  void ResetChannelDisplay() { SetChannelDisplayLayout(1); }

  // The control with a form id (null when none).
  QWidget* Control(int id) const;
  // The same as clicking the control (nothing when it is disabled).
  void Click(int id);
  // The recorder viewer's posted WM_COMMAND: click the control once the
  // running loop has returned to the event loop.
  void PostCommand(int id);

 signals:
  // The buttons' enabling changed: the main window's playback items, whose
  // keys the button tooltips name, follow it.
  void enablingChanged();

 public slots:
  void OnPrevious();
  void OnNext();
  void OnFirst();
  void OnLast();
  void OnPlay() override;
  void OnReversePlay() override;
  void OnStop();
  void OnPlayOrStop();
  void OnReverseOrStop();
  void OnPreviousKey();
  void OnNextKey();
  void OnSpeedUp();
  void OnSpeedDown();
  void OnSetCopyStart();
  void OnSetCopyEnd();
  void OnStartCopy();
  void OnSound();
  void OnSoundChannelBox();
  void OnPositionSliderMoved(int value);
  void OnVolumeSliderMoved(int value);
  void OnPaneLayoutChanged(int paneCount);
  void OnRecordingChanged();
  // The slider's ticks at the current camera's problems, when shown.
  void UpdateProblemMarks();
  // bookmarksChanged: the case session changed them; else only a new list redraws.
  void UpdateBookmarkMarks(bool bookmarksChanged);
  // The motion search's activity strip along the slider, for the current camera.
  void UpdateActivityStrip();
  // No sound device: the sound controls stay off and say why.
  void ShowSoundUnavailable();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void CreateControls();
  // Measures the controls and puts them where panel/PanelLayout says.
  void PlaceControls();
  void PlaceRightAlignedControls();
  // Enables and disables the controls as the mode's row of the table in
  // panel/PanelEnabling says, from the document's facts.
  void ApplyEnabling(PanelMode mode);
  void ApplyEnabling(PanelMode mode, const PanelFacts& facts);
  PanelFacts Facts() const;
  void LoadSkins();
  void ApplyTooltips();
  void SetEnabled(int id, bool enabled);
  void SetVisible(int id, bool visible);
  void SetText(int id, const QString& text);
  void RepaintNow();
  QString ImageTimeText(int index, bool dashMode) const;
  CSelvoViewerView* ImageView() const;
  int PaneCount() const;
  void RedrawImageView();

  CSelvoViewerDoc& doc_;
  // What the slider's marks were last built for.
  struct MarksKey {
    bool shown = false;
    int count = 0;
    int listGeneration = -1;  // a channel choice reads the list anew
    int problems = 0;
    bool operator==(const MarksKey& other) const {
      return shown == other.shown && count == other.count && listGeneration == other.listGeneration &&
             problems == other.problems;
    }
  };
  MarksKey marksKey_;
  std::pair<int, int> bookmarkMarksKey_{-1, -1};  // image count, list generation
  ActivityStrip* activityStrip_ = nullptr;
  std::vector<int> activityKey_;  // what the strip was last built for
  std::map<int, QWidget*> controls_;
  PositionSlider* positionSlider_ = nullptr;
  SpeedSlider* speedSlider_ = nullptr;
  TipSlider* volumeSlider_ = nullptr;
  SkinToggleButton* soundButton_ = nullptr;
  QCheckBox* channel1Box_ = nullptr;
  QCheckBox* channel2Box_ = nullptr;
  QLabel* speedLabel_ = nullptr;
  int soundOn_ = 1;
  bool copyControlsShown_ = false;
  int stripBottom_ = 42;
  int tabRight_ = 0;
  int panelHeight_ = kPanelHeight;
  int requiredWidth_ = 0;
  int volumeTimerId_ = 0;
  bool initialUpdateDone_ = false;
  static constexpr int kVolumeRangeMax = 10;
  static constexpr int kReadOutIntervalMs = 40;
  QElapsedTimer sinceReadOut_;
  QTimer readOutDue_;
};

}  // namespace selvo
