// The play loops driven by a clock the tests own: which images a loop
// shows and when, how sound mode follows a late or early sound track, and
// how pauses, channel choices and direction changes reach a running loop.
// They share one file, past 600 lines, because they share its stand-ins:
// the recording view, the panel and the sources that fail or read slowly.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "doc/CSelvoViewerDoc.h"
#include "doc/EventLoopClock.h"
#include "doc/ImageViewLink.h"
#include "doc/PlaybackClock.h"
#include "doc/PlaybackControls.h"
#include "doc/PlaybackSound.h"
#include "source/FolderImageSource.h"
#include "source/Notifier.h"
#include "tests/ScriptedPlayback.h"
#include "tests/SmallRecording.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

using test::ScriptedClock;
using test::ScriptedSound;
using test::SmallFrame;
using test::TestFolder;

struct Shown {
  std::int64_t ms;
  int position;
  int channel;
};

class RecordingView : public ImageViewLink {
 public:
  RecordingView(CSelvoViewerDoc& doc, PlaybackClock& clock) : doc_(doc), clock_(clock) {}
  void RedrawImageView() override { shown.push_back({clock_.NowMs(), doc_.GetPosition(), doc_.GetCurrentChannel()}); }
  void UpdateImageView() override {}
  void ResetPanes() override {}
  void SetSplit1() override { panes = 1; }
  void SetSplit4() override { panes = 4; }
  void SetSplit9() override { panes = 9; }
  void SetSplit16() override { panes = 16; }
  int GetPaneCount() const override { return panes; }
  void PrintImage() override {}
  void SaveImage() override {}

  std::vector<int> Positions() const {
    std::vector<int> positions;
    for (const Shown& s : shown) positions.push_back(s.position);
    return positions;
  }

  std::vector<Shown> shown;
  int panes = 1;

 private:
  CSelvoViewerDoc& doc_;
  PlaybackClock& clock_;
};

// Behaves as the panel does around the loops: the other direction is
// started by stopping the running loop and posting the start. Its position
// slider follows the document's signals as the panel's does; the panel
// holds back the read-outs of a running loop's steps, so the slider here
// keeps the positions shown outside a loop and the one a pause (a channel
// choice, a problem jump) lands on.
class PanelStandIn : public PlaybackControls {
 public:
  explicit PanelStandIn(CSelvoViewerDoc& doc) : doc_(doc) {
    const auto followSlider = [this] {
      if (doc_.IsPlaying() && !doc_.IsResumePending()) return;
      sliderRange = doc_.GetCount();
      sliderValue = doc_.GetPosition() + 1;
    };
    QObject::connect(&doc_, &CSelvoViewerDoc::positionDisplayChanged, &receiver_, followSlider);
    QObject::connect(&doc_, &CSelvoViewerDoc::recordingChanged, &receiver_, followSlider);
  }
  int SpeedPosition() const override { return speed; }
  bool IsSoundWanted(bool) const override { return soundWanted; }
  int GetChannelMask() const override { return 3; }
  void ShowForwardPlayMode(bool sound) override { soundMode = sound; }
  void RestoreIdleEnabling(bool) override { ++idleRestored; }
  void OnPlay() override { Start(true); }
  void OnReversePlay() override { Start(false); }

  int speed = 4;
  bool soundWanted = false;
  bool soundMode = false;
  int idleRestored = 0;
  int sliderRange = 0;
  int sliderValue = 0;
  bool closeEnabled = true;  // what the document last said to the frame
  int depth = 0;
  int deepest = 0;

 private:
  void Start(bool forward) {
    const bool otherRunning = forward ? doc_.IsPlayingReverse() : doc_.IsPlayingForward();
    if (otherRunning) {
      doc_.RequestPlaybackStop();
      QMetaObject::invokeMethod(
          &doc_, [this, forward] { forward ? OnPlay() : OnReversePlay(); }, Qt::QueuedConnection);
      return;
    }
    deepest = std::max(deepest, ++depth);
    forward ? doc_.RunForwardPlay() : doc_.RunReversePlay();
    --depth;
  }

  CSelvoViewerDoc& doc_;
  QObject receiver_;  // ends the slider's connections with the stand-in
};

// Reads fail from one image on, with the drive reported as gone.
class FailingDriveSource : public FolderImageSource {
 public:
  FailingDriveSource(const MediaKind& kind, const std::atomic<int>* cancel, int failFrom)
      : FolderImageSource(kind, cancel), failFrom_(failFrom) {}
  ReadOutcome ReadImage(std::uint32_t& size, int mode, const SaveTarget& target, bool order, bool log) override {
    if (GetPosition() >= failFrom_) return {};
    return FolderImageSource::ReadImage(size, mode, target, order, log);
  }
  bool IsDriveNotReady() override { return GetPosition() >= failFrom_; }

 private:
  int failFrom_;
};

// Every read costs what readCost answers for the position read.
class SlowReadSource : public FolderImageSource {
 public:
  SlowReadSource(const MediaKind& kind, const std::atomic<int>* cancel, std::function<void(int)> readCost)
      : FolderImageSource(kind, cancel), readCost_(std::move(readCost)) {}
  ReadOutcome ReadImage(std::uint32_t& size, int mode, const SaveTarget& target, bool order, bool log) override {
    readCost_(GetPosition());
    return FolderImageSource::ReadImage(size, mode, target, order, log);
  }

 private:
  std::function<void(int)> readCost_;
};

std::vector<SmallFrame> Frames(int count, int channels = 1) {
  std::vector<SmallFrame> frames(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) frames[static_cast<std::size_t>(i)].channel = i % channels;
  return frames;
}

class DocumentPlayTest : public ::testing::Test {
 protected:
  DocumentPlayTest() {
    DocumentOptions options;
    options.persistSettings = false;
    doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
    view = std::make_unique<RecordingView>(*doc, clock);
    panel = std::make_unique<PanelStandIn>(*doc);
    doc->SetPlaybackClock(&clock);
    doc->AttachImageView(view.get());
    doc->AttachPlaybackControls(panel.get());
    QObject::connect(doc.get(), &CSelvoViewerDoc::closeAllowedChanged,
                     [p = panel.get()](bool allowed) { p->closeEnabled = allowed; });
  }
  ~DocumentPlayTest() override {
    doc->AttachImageView(nullptr);
    doc->AttachPlaybackControls(nullptr);
  }

  // Images are stamped 100 ms apart from 0; with channels > 1 they take
  // turns and an INFO index names them.
  void Open(int count, int channels = 1, bool withTimeList = false) {
    const std::string name = "rec" + std::to_string(++recordings);
    const std::string path =
        test::WriteSmallRecording(scratch, name, Frames(count, channels), channels > 1, 16, 16, withTimeList);
    ASSERT_EQ(doc->OpenFolder(path), CSelvoViewerDoc::OpenOutcome::Opened);
    view->shown.clear();
  }

  ScriptedSound* AddSound(std::int64_t lateMs, std::int64_t lengthMs = 1000000) {
    auto sound = std::make_unique<ScriptedSound>(clock, lateMs, lengthMs);
    ScriptedSound* raw = sound.get();
    doc->SetSoundTrack(std::move(sound), 1);
    panel->soundWanted = true;
    return raw;
  }

  void DrainPostedCommands() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }

  TestFolder scratch;
  int recordings = 0;
  RecordingNotifier notifier;
  ScriptedClock clock;
  std::unique_ptr<CSelvoViewerDoc> doc;
  std::unique_ptr<RecordingView> view;
  std::unique_ptr<PanelStandIn> panel;
};

TEST_F(DocumentPlayTest, SpeedModeStepsBySkipCountAndNeverPassesTheEnd) {
  struct Case {
    int count, speed, start;
    std::vector<int> shown;
    std::int64_t intervalMs;
  };
  const Case cases[] = {
      {100, 8, 0, {47, 94}, 20},   // 94 + 47 would pass the end
      {4, 1, 0, {1, 2, 3}, 1000},  // the last image is shown
      {30, 6, 20, {27}, 20},       // 27 + 7 = 34 is past 29
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.speed);
    Open(c.count);
    doc->ShowImage(c.start);
    view->shown.clear();
    panel->speed = c.speed;
    const std::int64_t began = clock.NowMs();

    EXPECT_TRUE(doc->RunForwardPlay());

    EXPECT_EQ(view->Positions(), c.shown);
    for (std::size_t i = 0; i < view->shown.size(); ++i)
      EXPECT_EQ(view->shown[i].ms - began, c.intervalMs * static_cast<std::int64_t>(i + 1));
    EXPECT_FALSE(doc->IsPlaying());
    EXPECT_TRUE(panel->closeEnabled);
  }
}

TEST_F(DocumentPlayTest, ReverseStopsWhereTheSkipLandsWithoutReachingTheFirstImage) {
  Open(20);
  doc->ShowImage(10);
  view->shown.clear();
  panel->speed = 6;  // 7 images per step

  EXPECT_TRUE(doc->RunReversePlay());

  EXPECT_EQ(view->Positions(), std::vector<int>{3});
  EXPECT_EQ(doc->GetPosition(), 3);
  EXPECT_FALSE(doc->IsPlayingReverse());
  EXPECT_EQ(panel->idleRestored, 1);
}

TEST_F(DocumentPlayTest, LoopsAnswerFalseWithoutARecording) {
  EXPECT_FALSE(doc->PlayForward());
  EXPECT_FALSE(doc->PlayReverse());
  EXPECT_EQ(panel->idleRestored, 0);
}

TEST_F(DocumentPlayTest, PicturesWaitForALateSoundTrackButNotForOneAhead) {
  struct Case {
    std::int64_t lateMs;
    std::int64_t lastShownMs;
  };
  // Image 9 is stamped 900 ms after the first.
  for (const Case& c : {Case{300, 1200}, Case{-300, 900}}) {
    SCOPED_TRACE(c.lateMs);
    Open(10);
    ScriptedSound* sound = AddSound(c.lateMs);
    const std::int64_t began = clock.NowMs();

    doc->RunForwardPlay();

    EXPECT_TRUE(panel->soundMode);
    ASSERT_FALSE(view->shown.empty());
    EXPECT_EQ(view->shown.back().position, 9);
    EXPECT_EQ(view->shown.back().ms - began, c.lastShownMs);
    EXPECT_EQ(sound->plays, 1);
    EXPECT_EQ(sound->stops, 1);  // ran to the end: stopped and rewound
  }
}

// The recorder's clock wraps to 0 every 49.7 days; a recording across the
// wrap plays on in step with the sound instead of rushing to its end.
TEST_F(DocumentPlayTest, SoundModePlaysOnAcrossAWrapOfTheStampClock) {
  const std::string path = test::WriteSmallRecording(scratch, "wrap", Frames(10, 1), false, 16, 16);
  std::string times;
  for (std::uint32_t i = 0; i < 10; ++i) times += std::to_string(0xFFFFFE70u + i * 100) + "\r\n";  // 0 after 4
  scratch.Write("wrap/time.txt", times);
  ASSERT_EQ(doc->OpenFolder(path), CSelvoViewerDoc::OpenOutcome::Opened);
  view->shown.clear();
  AddSound(0);
  const std::int64_t began = clock.NowMs();

  doc->RunForwardPlay();

  ASSERT_EQ(view->Positions(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  for (const auto& shown : view->shown) EXPECT_EQ(shown.ms - began, shown.position * 100) << shown.position;
}

// With an index the list holds one camera's images, each stamped by its
// own line of time.txt: camera c's image k is file 4k + c, stamped
// (4k + c) x 100 ms on the clock the sound track starts at 0 with file 0.
// Every camera's pictures must come when the sound reaches their stamps.
TEST_F(DocumentPlayTest, SoundModeKeepsEveryCameraOfAnIndexedRecordingInStep) {
  Open(16, 4, true);
  for (int camera = 0; camera < 4; ++camera) {
    SCOPED_TRACE(camera);
    ASSERT_TRUE(doc->SelectChannel(camera, 1, static_cast<const int*>(nullptr)));
    doc->ShowImage(0);
    ASSERT_EQ(doc->GetCurrentChannel(), camera);
    ScriptedSound* sound = AddSound(0);
    std::vector<std::int64_t> soundAhead;
    const auto connection = QObject::connect(doc.get(), &CSelvoViewerDoc::positionDisplayChanged, [&] {
      if (doc->IsPlayingForward()) soundAhead.push_back(sound->GetPosition() - 100 * (4 * doc->GetPosition() + camera));
    });
    view->shown.clear();
    const std::int64_t began = clock.NowMs();

    doc->RunForwardPlay();
    QObject::disconnect(connection);

    EXPECT_TRUE(panel->soundMode);
    EXPECT_EQ(view->Positions(), (std::vector<int>{1, 2, 3}));
    for (const Shown& s : view->shown) {
      EXPECT_EQ(s.channel, camera);
      EXPECT_EQ(s.ms - began, 400 * s.position) << "image " << s.position;
    }
    EXPECT_EQ(soundAhead, (std::vector<std::int64_t>{0, 0, 0})) << "pictures out of step with the sound";
    EXPECT_EQ(sound->plays, 1);
  }
}

TEST_F(DocumentPlayTest, LatePicturesAreSkippedInSoundMode) {
  Open(30);
  AddSound(0);
  // Showing the first image takes half a second.
  int slowOnce = 0;
  QObject::connect(doc.get(), &CSelvoViewerDoc::positionDisplayChanged, [&] {
    if (doc->GetPosition() == 1 && !slowOnce++) clock.WaitForEventsUntil(700);
  });

  doc->RunForwardPlay();

  const std::vector<int> shown = view->Positions();
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown[0], 1);
  EXPECT_GT(shown[1], 2) << "image 2 was due long ago and must be skipped";
}

// Image 1 is shown at 100 ms; the wait for image 2 ends only at wokeMs.
TEST_F(DocumentPlayTest, LateWakeUpShowsThePictureTheSoundHasReachedNotTheNextInLine) {
  struct Case {
    const char* what;
    std::int64_t soundLateMs;
    std::int64_t wokeMs;
    int expected;
  };
  const Case cases[] = {
      {"sound on time", 0, 700, 7},
      {"woken after the last stamp", 0, 5000, 29},
      {"sound 300 ms behind the clock", 300, 700, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(30);
    AddSound(c.soundLateMs);
    const std::int64_t began = clock.NowMs();
    clock.WakeLate(began + 150, began + c.wokeMs);

    doc->RunForwardPlay();

    ASSERT_GE(view->shown.size(), 2u);
    EXPECT_EQ(view->shown[0].position, 1);
    EXPECT_EQ(view->shown[1].position, c.expected);
    EXPECT_EQ(view->shown[1].ms - began, c.wokeMs);
  }
}

// Reading a picture takes 40 ms, as on a busy machine; the loop learns to
// begin reading that much early, and then shows each picture when the sound
// reaches its stamp, never before. A single slow read or a late wake-up
// (a window being moved) is made up for by skipping, and costs nothing
// afterwards: no picture is shown ahead of its stamp.
TEST_F(DocumentPlayTest, PicturesComeWithTheSoundAndNeverAheadOfItAfterAStall) {
  struct Case {
    const char* what;
    int slowReadAt;      // -1: none
    std::int64_t wokeMs; // 0: on time
  };
  const Case cases[] = {
      {"steady reads", -1, 0},
      {"one read of half a second", 8, 0},
      {"a wake-up half a second late", -1, 1300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    doc->SetFolderSourceFactory([&](const MediaKind& kind, const std::atomic<int>* cancel) {
      return std::make_unique<SlowReadSource>(kind, cancel, [&](int position) {
        if (doc->IsPlayingForward()) clock.Spend(position == c.slowReadAt ? 500 : 40);
      });
    });
    Open(40);
    ScriptedSound* sound = AddSound(0);
    const std::int64_t began = clock.NowMs();
    if (c.wokeMs != 0) clock.WakeLate(began + 750, began + c.wokeMs);
    std::vector<std::int64_t> soundAhead;
    const auto connection = QObject::connect(doc.get(), &CSelvoViewerDoc::positionDisplayChanged, [&] {
      if (doc->IsPlayingForward()) soundAhead.push_back(sound->GetPosition() - 100 * doc->GetPosition());
    });

    doc->RunForwardPlay();
    QObject::disconnect(connection);

    const auto& shown = view->shown;
    ASSERT_GE(shown.size(), 25u);
    EXPECT_EQ(shown.back().position, 39);
    for (const Shown& s : shown) EXPECT_GE(s.ms - began, 100 * s.position) << "image " << s.position << " early";
    // Reads are begun early enough again right after the stall.
    for (std::size_t i = shown.size() - 20; i < shown.size(); ++i)
      EXPECT_EQ(soundAhead[i], 0) << "image " << shown[i].position << " out of step with the sound";
  }
}

// The sound track is not heard: it ended (here after half a second) or is
// shorter than the offset play starts at. A loop woken late then reads the
// picture the clock has reached, instead of flashing every picture missed
// one after another because a silent track stands still.
TEST_F(DocumentPlayTest, WithoutARunningSoundTrackALateLoopCatchesUpByTheClock) {
  struct Case {
    const char* what;
    std::int64_t lengthMs;
    int start;
  };
  const Case cases[] = {
      {"track ended", 500, 0},
      {"track shorter than the start", 300, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(30);
    doc->ShowImage(c.start);
    view->shown.clear();
    ScriptedSound* sound = AddSound(0, c.lengthMs);
    const std::int64_t began = clock.NowMs() - 100 * c.start;
    // The wait for image 9 ends at 1750 ms: image 17 is due.
    clock.WakeLate(began + 850, began + 1750);

    doc->RunForwardPlay();

    const std::vector<int> shown = view->Positions();
    const auto woken = std::find(shown.begin(), shown.end(), 8);
    ASSERT_NE(woken, shown.end());
    ASSERT_NE(woken + 1, shown.end());
    EXPECT_EQ(*(woken + 1), 17);
    EXPECT_EQ(shown.back(), 29);
    EXPECT_EQ(sound->plays, c.start == 0 ? 1 : 0);
  }
}

TEST_F(DocumentPlayTest, SeveralPanesPlayInSpeedModeWithTheSoundSilent) {
  Open(10);
  ScriptedSound* sound = AddSound(0);
  view->panes = 4;
  panel->speed = 5;

  doc->RunForwardPlay();

  EXPECT_FALSE(panel->soundMode);
  EXPECT_EQ(sound->plays, 0);
  EXPECT_EQ(view->shown.back().ms, 9 * 20);
}

TEST_F(DocumentPlayTest, StopDuringSoundPlayPausesTheSoundTrack) {
  Open(10);
  ScriptedSound* sound = AddSound(0);
  clock.At(350, [this] { doc->RequestPlaybackStop(); });

  doc->RunForwardPlay();

  EXPECT_EQ(doc->GetPosition(), 3);
  EXPECT_EQ(sound->pauses, 1);
  EXPECT_EQ(sound->stops, 0);
  EXPECT_EQ(panel->idleRestored, 1);
}

TEST_F(DocumentPlayTest, SliderDragPausesAndReleaseResumesFromTheNewPosition) {
  Open(60);
  clock.At(250, [this] {
    doc->PausePlayback();  // button down on the position slider
    doc->ShowImage(50);    // dragged
  });

  panel->OnPlay();

  EXPECT_FALSE(doc->IsPlaying());
  EXPECT_TRUE(doc->IsResumePending());
  EXPECT_EQ(panel->idleRestored, 0) << "a paused loop leaves the controls playing";
  EXPECT_FALSE(panel->closeEnabled);

  doc->ResumePlayback();  // button up
  DrainPostedCommands();

  const std::vector<int> shown = view->Positions();
  const auto resumed = std::find(shown.begin(), shown.end(), 50);
  ASSERT_NE(resumed, shown.end());
  EXPECT_EQ(*(resumed + 1), 51);
  EXPECT_EQ(shown.back(), 59);
  EXPECT_EQ(panel->idleRestored, 1);
  EXPECT_TRUE(panel->closeEnabled);
}

TEST_F(DocumentPlayTest, NextProblemDuringPlayJumpsThereAndPlaysOn) {
  std::vector<SmallFrame> frames = Frames(60);
  frames[40].damage = TrailerDamage::kTamperedData;
  ASSERT_EQ(doc->OpenFolder(test::WriteSmallRecording(scratch, "problem", frames, false, 16, 16)),
            CSelvoViewerDoc::OpenOutcome::Opened);
  for (int i = 0; i < 2000 && !doc->IsVerified(); ++i) {
    QCoreApplication::processEvents();
    QThread::msleep(5);
  }
  ASSERT_TRUE(doc->IsVerified());
  view->shown.clear();
  clock.At(250, [this] { doc->GoToNextProblem(); });

  panel->OnPlay();
  DrainPostedCommands();

  const std::vector<int> shown = view->Positions();
  const auto jumped = std::find(shown.begin(), shown.end(), 40);
  ASSERT_NE(jumped, shown.end());
  EXPECT_LT(std::count_if(shown.begin(), jumped, [](int position) { return position > 20; }), 1);
  EXPECT_EQ(*(jumped + 1), 41);
  EXPECT_EQ(shown.back(), 59);
  EXPECT_EQ(panel->sliderValue, 41);
  EXPECT_EQ(panel->deepest, 1);
  EXPECT_TRUE(panel->closeEnabled);
}

TEST_F(DocumentPlayTest, QuickClickOnTheSliderRestartsOnlyAfterThePausedLoopReturned) {
  Open(20);
  clock.At(250, [this] {
    doc->PausePlayback();
    doc->ResumePlayback();
  });

  panel->OnPlay();
  DrainPostedCommands();

  EXPECT_EQ(panel->deepest, 1) << "the restart ran inside the loop it should replace";
  EXPECT_EQ(view->Positions().back(), 19);
  EXPECT_FALSE(doc->IsPlaying());
}

TEST_F(DocumentPlayTest, ChannelChoiceDuringPlayMovesToThatChannelAndPlaysOn) {
  Open(24, 4);  // channels 0,1,2,3 in turn; one pane shows channel 0
  ASSERT_EQ(doc->GetCount(), 6);
  clock.At(250, [this] { doc->SelectChannel(3, 1, static_cast<const int*>(nullptr)); });

  panel->OnPlay();
  DrainPostedCommands();

  // Channel 0's image 2 is recording entry 8; channel 3 follows at entry 11.
  const auto& shown = view->shown;
  const auto chosen = std::find_if(shown.begin(), shown.end(), [](const Shown& s) { return s.channel == 3; });
  ASSERT_NE(chosen, shown.end());
  EXPECT_EQ(chosen->position, 2);
  EXPECT_EQ(panel->sliderRange, 6);
  EXPECT_EQ(panel->sliderValue, 3);
  EXPECT_TRUE(std::all_of(chosen, shown.end(), [](const Shown& s) { return s.channel == 3; }));
  EXPECT_EQ(shown.back().position, 5);
  EXPECT_EQ(panel->deepest, 1);
}

TEST_F(DocumentPlayTest, FailedChannelChoiceStopsWithTheWindowClosableAgain) {
  Open(20);  // no INFO index: no channel can be chosen
  bool chosen = true;
  clock.At(250, [&] { chosen = doc->SelectChannel(1, 1, static_cast<const int*>(nullptr)); });

  panel->OnPlay();
  DrainPostedCommands();

  EXPECT_FALSE(chosen);
  EXPECT_EQ(doc->GetPosition(), 2) << "playback must not resume";
  EXPECT_FALSE(doc->IsResumePending());
  EXPECT_EQ(panel->idleRestored, 1);
  EXPECT_TRUE(panel->closeEnabled);
}

TEST_F(DocumentPlayTest, ReversePressedDuringForwardPlayTurnsBackFromTheImageReached) {
  Open(20);
  clock.At(550, [this] { panel->OnReversePlay(); });

  panel->OnPlay();
  DrainPostedCommands();

  EXPECT_EQ(view->Positions(), (std::vector<int>{1, 2, 3, 4, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(panel->deepest, 1);
  EXPECT_FALSE(doc->IsPlaying());
}

TEST_F(DocumentPlayTest, PlayQueuedBehindStopDuringASlowStepStartsNoSecondLoop) {
  for (const bool forward : {true, false}) {
    SCOPED_TRACE(forward);
    Open(20);
    doc->ShowImage(forward ? 0 : 19);
    view->shown.clear();
    auto play = [this, forward] { return forward ? doc->RunForwardPlay() : doc->RunReversePlay(); };
    bool secondLoopRan = true;
    // Stop and Play clicked while a step was still reading: both arrive
    // inside the running loop's dispatch.
    clock.At(clock.NowMs() + 250, [&] {
      doc->RequestPlaybackStop();
      secondLoopRan = play();
    });

    EXPECT_TRUE(play());

    EXPECT_FALSE(secondLoopRan);
    EXPECT_EQ(view->Positions(), forward ? (std::vector<int>{1, 2}) : (std::vector<int>{18, 17, 16}));
    EXPECT_FALSE(doc->IsPlaying());
    EXPECT_TRUE(panel->closeEnabled);
  }
}

TEST_F(DocumentPlayTest, DriveFailureEndsEitherLoopAsIfStopped) {
  for (const bool forward : {true, false}) {
    SCOPED_TRACE(forward);
    const int failFrom = forward ? 3 : 0;
    doc->SetFolderSourceFactory([failFrom](const MediaKind& kind, const std::atomic<int>* cancel) {
      return std::make_unique<FailingDriveSource>(kind, cancel, failFrom);
    });
    Open(10);
    doc->ShowImage(forward ? 0 : 2);
    view->shown.clear();
    panel->idleRestored = 0;

    forward ? panel->OnPlay() : panel->OnReversePlay();

    EXPECT_EQ(doc->GetPosition(), forward ? 3 : 1);
    EXPECT_EQ(panel->idleRestored, 1);
    EXPECT_FALSE(doc->IsPlaying());
  }
}

// The real clock must hand control back as soon as an event was handled,
// not at the due time (a minute away here), or Stop would wait for it.
// A bare JPEG among the pictures ends in xx xx FF D9: read as a stamp, that
// is six weeks on, and sound-mode play would wait for it. It has no stamp,
// so it holds nothing up.
TEST_F(DocumentPlayTest, AnImageWithoutATrailerNeverHoldsUpSoundModePlay) {
  std::vector<SmallFrame> frames = Frames(10, 1);
  frames[4].damage = TrailerDamage::kNoTrailer;
  ASSERT_EQ(doc->OpenFolder(test::WriteSmallRecording(scratch, "bare", frames, false, 16, 16)),
            CSelvoViewerDoc::OpenOutcome::Opened);
  view->shown.clear();
  AddSound(0);
  const std::int64_t began = clock.NowMs();

  doc->RunForwardPlay();

  EXPECT_TRUE(panel->soundMode);
  ASSERT_FALSE(view->shown.empty());
  // Image 4 comes with image 3; the others each at their own stamp.
  const std::vector<std::pair<int, std::int64_t>> expected = {{1, 100}, {2, 200}, {3, 300}, {4, 300}, {5, 500},
                                                              {6, 600}, {7, 700}, {8, 800}, {9, 900}};
  std::vector<std::pair<int, std::int64_t>> shown;
  for (const auto& picture : view->shown) shown.emplace_back(picture.position, picture.ms - began);
  EXPECT_EQ(shown, expected);
}

TEST(EventLoopClockTest, WaitEndsWithTheFirstEventHandled) {
  EventLoopClock clock;
  bool handled = false;
  QMetaObject::invokeMethod(qApp, [&] { handled = true; }, Qt::QueuedConnection);
  const std::int64_t due = clock.NowMs() + 60000;

  clock.WaitForEventsUntil(due);

  EXPECT_TRUE(handled);
  EXPECT_LT(clock.NowMs(), due);
}

}  // namespace
}  // namespace selvo
