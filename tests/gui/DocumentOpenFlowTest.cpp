// The open flow's outcomes as the user sees them: a folder that opens, one
// that holds nothing usable, a probe that finds nothing, and a cancel while
// the loader thread is still indexing; the same for an open begun before the
// document (the folder on the command line); and what the window shows
// after each when the recording before was split into panes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "app/CMainFrame.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/CommandIds.h"
#include "doc/FolderOpenJob.h"
#include "panel/CSelvoFormView.h"
#include "panel/DialogPrompts.h"
#include "panel/SearchingDialog.h"
#include "source/FolderImageSource.h"
#include "source/Notifier.h"
#include "tests/SmallRecording.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/SoundWriter.h"
#include "view/CSelvoViewerView.h"

namespace selvo {
namespace {

using test::SmallFrame;
using test::TestFolder;
using Outcome = CSelvoViewerDoc::OpenOutcome;

// What the loader did, readable after the source is gone.
struct LoaderTrace {
  std::atomic<bool> started{false};
  std::atomic<bool> running{false};
  std::atomic<bool> destroyedWhileRunning{false};
};

// A folder source whose indexing waits for the cancel flag (or answers
// "nothing found" at once), so the dialog's outcome is deterministic.
class ScriptedSource : public FolderImageSource {
 public:
  enum class Script { WaitForCancel, FindNothing };
  ScriptedSource(const MediaKind& kind, const std::atomic<int>* cancel, Script script, LoaderTrace& trace)
      : FolderImageSource(kind, cancel), cancel_(cancel), script_(script), trace_(trace) {}
  ~ScriptedSource() override {
    if (trace_.running) trace_.destroyedWhileRunning = true;
  }
  bool OpenRecording(const std::string&, bool) override {
    trace_.started = true;
    trace_.running = true;
    if (script_ == Script::WaitForCancel) {
      while (cancel_->load() != 1) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      // Finishing the current file takes a moment after the flag is seen.
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    trace_.running = false;
    return false;
  }

 private:
  const std::atomic<int>* cancel_;
  Script script_;
  LoaderTrace& trace_;
};

class DocumentOpenFlowTest : public ::testing::Test {
 protected:
  DocumentOpenFlowTest() {
    DocumentOptions options;
    options.persistSettings = false;
    doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
    doc->SetPrompts(&prompts);
    recording = test::WriteSmallRecording(scratch, "rec", {{0}, {1}, {0}}, /*withInfo=*/true);
  }

  void UseScriptedSource(ScriptedSource::Script script) {
    doc->SetFolderSourceFactory([this, script](const MediaKind& kind, const std::atomic<int>* cancel) {
      return std::make_unique<ScriptedSource>(kind, cancel, script, trace);
    });
  }

  // Presses CANCEL once the loader is indexing and the dialog is up.
  void CancelWhenSearching() {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [this, poll] {
      auto* dialog = qobject_cast<SearchingDialog*>(QApplication::activeModalWidget());
      if (!dialog || !trace.started) return;
      sawSearchingDialog = true;
      dialog->CancelButton()->click();
      poll->deleteLater();
    });
    poll->start(10);
  }

  // A short mono wave track beside the images of folder.
  static void WriteSoundTrack(const std::string& folder, int lengthMs) {
    SoundSpec sound;
    sound.format = SoundFormat::kWav;
    sound.sampleRate = 8000;
    sound.channels = 1;
    sound.lengthMs = lengthMs;
    std::string error;
    EXPECT_TRUE(SoundWriter::Write(folder + "/sound.wav", sound, error)) << error;
  }

  TestFolder scratch;
  RecordingNotifier notifier;
  DialogPrompts prompts;
  std::unique_ptr<CSelvoViewerDoc> doc;
  std::string recording;
  LoaderTrace trace;
  bool sawSearchingDialog = false;
};

TEST_F(DocumentOpenFlowTest, SuccessfulOpenShowsFirstImageAndRemembersFolder) {
  int recordingSignals = 0;
  QObject::connect(doc.get(), &CSelvoViewerDoc::recordingChanged, [&] { ++recordingSignals; });

  EXPECT_EQ(doc->OpenFolder(recording), Outcome::Opened);

  EXPECT_TRUE(doc->HasSource());
  EXPECT_EQ(doc->GetCount(), 2);  // the INFO index keeps the first channel's images
  EXPECT_EQ(doc->GetPosition(), 0);
  ASSERT_TRUE(doc->HasImage());
  EXPECT_EQ(doc->CurrentImage()->Width(), 64);
  EXPECT_EQ(doc->LastOpenFolder(), recording);
  EXPECT_TRUE(doc->ProbeFlags().jpeg);
  EXPECT_FALSE(doc->IsOpenBusy());
  EXPECT_EQ(recordingSignals, 1);
  EXPECT_EQ(notifier.Count(), 0);
}

// A folder named on the command line relative to the working directory is
// remembered by its absolute path, for the next File > Open and the next run.
TEST_F(DocumentOpenFlowTest, AFolderNamedRelativeIsRememberedByItsAbsolutePath) {
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(scratch.Path());
  const Outcome outcome = doc->OpenFolder("./rec/");
  std::filesystem::current_path(before);

  ASSERT_EQ(outcome, Outcome::Opened);
  const std::filesystem::path remembered(doc->LastOpenFolder());
  EXPECT_TRUE(remembered.is_absolute()) << remembered;
  EXPECT_EQ(remembered.filename(), "rec");
  EXPECT_TRUE(std::filesystem::equivalent(remembered, recording));
}

TEST_F(DocumentOpenFlowTest, FolderWithoutUsableImagesLeavesAnEmptyRecordingAndSaysSo) {
  UseScriptedSource(ScriptedSource::Script::FindNothing);

  EXPECT_EQ(doc->OpenFolder(recording), Outcome::Empty);

  EXPECT_TRUE(doc->HasSource());
  EXPECT_EQ(doc->GetCount(), 0);
  EXPECT_FALSE(doc->HasImage());
  EXPECT_TRUE(doc->LastOpenFolder().empty());
  EXPECT_EQ(notifier.Count(), 1);
  EXPECT_NE(notifier.Last().find(recording), std::string::npos) << notifier.Last();
}

TEST_F(DocumentOpenFlowTest, FolderThatCannotBeOpenedIsNamedWithTheReason) {
  ASSERT_EQ(doc->OpenFolder(recording), Outcome::Opened);
  scratch.MakeDir("empty");
  scratch.Write("a-file", std::string("not a folder"));
  struct Case {
    std::string path;
    const char* reason;
  };
  const Case cases[] = {
      {scratch / "no-such-folder", "does not exist"},
      {scratch / "a-file", "is not a folder"},
      {scratch / "empty", "No recording was found"},
  };
  for (const Case& c : cases) {
    const int before = notifier.Count();

    EXPECT_EQ(doc->OpenFolder(c.path), Outcome::NotOpened);

    EXPECT_EQ(notifier.Count(), before + 1) << c.path;
    EXPECT_NE(notifier.Last().find(c.path), std::string::npos) << notifier.Last();
    EXPECT_NE(notifier.Last().find(c.reason), std::string::npos) << notifier.Last();
    EXPECT_EQ(doc->GetCount(), 2);  // the recording open before stays
  }
}

TEST_F(DocumentOpenFlowTest, ProbeFindingNothingKeepsThePreviousRecording) {
  ASSERT_EQ(doc->OpenFolder(recording), Outcome::Opened);
  doc->GoNext(false);
  const std::string nothing = scratch.MakeDir("nothing");
  scratch.Write("nothing/sound.wav", std::string("RIFF"));  // sound alone is no recording

  EXPECT_EQ(doc->OpenFolder(nothing), Outcome::NotOpened);

  EXPECT_EQ(doc->GetCount(), 2);
  EXPECT_EQ(doc->GetPosition(), 1);
  EXPECT_TRUE(doc->HasImage());
  EXPECT_EQ(doc->LastOpenFolder(), recording);
  EXPECT_TRUE(doc->ProbeFlags().jpeg);
}

TEST_F(DocumentOpenFlowTest, CancelWhileLoadingWaitsForTheLoaderAndDropsTheRecording) {
  ASSERT_EQ(doc->OpenFolder(recording), Outcome::Opened);
  UseScriptedSource(ScriptedSource::Script::WaitForCancel);
  CancelWhenSearching();

  EXPECT_EQ(doc->OpenFolder(recording), Outcome::Cancelled);

  EXPECT_TRUE(sawSearchingDialog);
  EXPECT_TRUE(trace.started);
  EXPECT_FALSE(trace.running);
  EXPECT_FALSE(trace.destroyedWhileRunning);
  EXPECT_FALSE(doc->HasSource());
  EXPECT_FALSE(doc->HasImage());
  EXPECT_EQ(doc->GetCount(), 0);
  EXPECT_FALSE(doc->IsOpenBusy());
  // The old recording went before the loader began: the user is told.
  EXPECT_EQ(notifier.Count(), 1);
  EXPECT_NE(notifier.Last().find("closed"), std::string::npos) << notifier.Last();
}

// The folder named on the command line is probed and indexed from the start
// of main (FolderOpenJob), and the document takes what was found: it must be
// the document the open flow builds from the path, whatever the recording.
class EarlyOpenTest : public DocumentOpenFlowTest {
 protected:
  // The same open by path, in a document of its own.
  struct LateOpen {
    RecordingNotifier notifier;
    std::unique_ptr<CSelvoViewerDoc> doc;
    Outcome outcome = Outcome::NotOpened;
  };
  std::unique_ptr<LateOpen> OpenLate(const std::string& path) {
    auto late = std::make_unique<LateOpen>();
    DocumentOptions options;
    options.persistSettings = false;
    late->doc = std::make_unique<CSelvoViewerDoc>(options, late->notifier);
    late->doc->SetPrompts(&prompts);
    late->outcome = late->doc->OpenFolder(path);
    return late;
  }

  static void ExpectSameDocument(CSelvoViewerDoc& early, CSelvoViewerDoc& late) {
    ASSERT_EQ(early.GetCount(), late.GetCount());
    EXPECT_EQ(early.GetPosition(), late.GetPosition());
    EXPECT_EQ(early.ProbeFlags().jpeg, late.ProbeFlags().jpeg);
    EXPECT_EQ(early.ProbeFlags().jp2, late.ProbeFlags().jp2);
    EXPECT_EQ(early.HasSound(), late.HasSound());
    EXPECT_EQ(early.RecordingNotes(), late.RecordingNotes());
    EXPECT_EQ(early.LastOpenFolder(), late.LastOpenFolder());
    EXPECT_EQ(early.GetFirstChannel(), late.GetFirstChannel());
    ASSERT_EQ(early.HasImage(), late.HasImage());
    if (early.HasImage()) {
      const DibBlock& a = *early.CurrentImage();
      const DibBlock& b = *late.CurrentImage();
      ASSERT_EQ(a.Width(), b.Width());
      ASSERT_EQ(a.Height(), b.Height());
      EXPECT_EQ(0, std::memcmp(a.Data(), b.Data(), a.Stride() * static_cast<std::size_t>(a.Height())));
    }
    for (int i = 0; i < early.GetCount(); ++i) {
      EXPECT_EQ(early.GetStatusAt(i), late.GetStatusAt(i)) << i;
      EXPECT_EQ(early.GetTimeAt(i), late.GetTimeAt(i)) << i;
      EXPECT_EQ(early.GetStampAt(i), late.GetStampAt(i)) << i;
      EXPECT_EQ(early.GetChannelTitleAt(i), late.GetChannelTitleAt(i)) << i;
    }
  }
};

TEST_F(EarlyOpenTest, TheDocumentOfAnOpenBegunEarlyIsTheOneOpenedLate) {
  const std::string withSound = test::WriteSmallRecording(scratch, "sound", {{0}, {1}, {0}, {1}}, true);
  WriteSoundTrack(withSound, 500);
  // An image beside the subfolders: a recording with sound keeps its images
  // in them, so whether the sound plays decides whether this one counts.
  std::filesystem::copy_file(withSound + "/IMG00001/IMG00001.jpg", withSound + "/IMG00099.jpg");
  const std::string brokenSound = test::WriteSmallRecording(scratch, "broken-sound", {{0}, {0}}, false);
  scratch.Write("broken-sound/sound.wav", std::string("RIFF"));
  std::filesystem::copy_file(brokenSound + "/IMG00001/IMG00001.jpg", brokenSound + "/IMG00099.jpg");
  const std::string tampered = test::WriteSmallRecording(
      scratch, "tampered",
      {{0}, {1, 100000005, TrailerDamage::kAlteredImage}, {0, 100000010, TrailerDamage::kNoTrailer}}, true, 64, 48,
      /*withTimeList=*/true);
  const std::string badIndex = test::WriteSmallRecording(scratch, "bad-index", {{0}, {1}}, false);
  scratch.MakeDir("bad-index/INFO");
  scratch.Write("bad-index/INFO/REC.INF", std::string("short"));
  const std::string withoutIndex = test::WriteSmallRecording(scratch, "no-index", {{0}, {0}, {0}}, false);

  for (const std::string& path : {recording, withSound, brokenSound, tampered, badIndex, withoutIndex}) {
    SCOPED_TRACE(path);
    const std::unique_ptr<LateOpen> late = OpenLate(path);
    FolderOpenJob job(path);

    EXPECT_EQ(doc->OpenFolder(job), late->outcome);

    EXPECT_EQ(late->outcome, Outcome::Opened);
    ExpectSameDocument(*doc, *late->doc);
    EXPECT_EQ(notifier.Count(), late->notifier.Count());
  }
}

TEST_F(EarlyOpenTest, AFolderThatCannotBeOpenedIsToldAsWhenOpenedLate) {
  ASSERT_EQ(doc->OpenFolder(recording), Outcome::Opened);
  scratch.MakeDir("empty");
  scratch.Write("a-file", std::string("not a folder"));
  scratch.MakeDir("sound-only");
  scratch.Write("sound-only/sound.wav", std::string("RIFF"));
  for (const std::string& path : {scratch / "no-such-folder", scratch / "a-file", scratch / "a-file/below",
                                  scratch / "empty", scratch / "sound-only"}) {
    SCOPED_TRACE(path);
    const std::unique_ptr<LateOpen> late = OpenLate(path);
    FolderOpenJob job(path);
    const int before = notifier.Count();

    EXPECT_EQ(doc->OpenFolder(job), Outcome::NotOpened);

    EXPECT_EQ(late->outcome, Outcome::NotOpened);
    ASSERT_EQ(notifier.Count(), before + 1);
    EXPECT_EQ(notifier.Last(), late->notifier.Last());
    EXPECT_EQ(doc->GetCount(), 2);  // the recording open before stays
    EXPECT_EQ(doc->LastOpenFolder(), recording);
  }
}

// An index still under way when the window asks for it is waited for with
// "Searching...", whose CANCEL reaches the job's thread.
TEST_F(EarlyOpenTest, CancelWhileTheEarlyIndexRunsDropsTheRecording) {
  std::atomic<bool> cancelPressed{false};
  FolderOpenJob job(recording, [&] {
    while (!cancelPressed) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  });
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, [&, poll] {
    auto* dialog = qobject_cast<SearchingDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    sawSearchingDialog = true;
    dialog->CancelButton()->click();
    cancelPressed = true;
    poll->deleteLater();
  });
  poll->start(10);

  EXPECT_EQ(doc->OpenFolder(job), Outcome::Cancelled);

  EXPECT_TRUE(sawSearchingDialog);
  EXPECT_TRUE(job.IsFinished());
  EXPECT_FALSE(job.Indexed());
  EXPECT_FALSE(doc->HasSource());
  EXPECT_FALSE(doc->IsOpenBusy());
  EXPECT_EQ(notifier.Count(), 1);
  EXPECT_NE(notifier.Last().find("closed"), std::string::npos) << notifier.Last();
}

// The whole window around the document: a four-camera recording with sound,
// shown split into four panes when the next open begins.
class OpenFromSplitTest : public DocumentOpenFlowTest {
 protected:
  using Panel = CSelvoFormView;

  OpenFromSplitTest() {
    frame = std::make_unique<CMainFrame>(*doc, profile, 0);
    panel = static_cast<Panel*>(frame->PanelStrip());
    view = static_cast<CSelvoViewerView*>(frame->ImageViewWidget());
    cameras = test::WriteSmallRecording(scratch, "cameras", {{0}, {1}, {2}, {3}, {0}, {1}, {2}, {3}}, true);
    WriteSoundTrack(cameras, 1000);
    frame->show();
    QApplication::processEvents();
  }
  ~OpenFromSplitTest() override { frame.reset(); }

  void OpenSplitRecording() {
    ASSERT_EQ(doc->OpenFolder(cameras), Outcome::Opened);
    ASSERT_EQ(doc->HasSound(), 1);
    frame->FireCommand(cmd::kSplit4);
    ASSERT_EQ(view->GetPaneCount(), 4);
    ASSERT_FALSE(panel->Control(Panel::kChannelPane1)->isHidden());
    ASSERT_NE(BluePixels(), 0);  // the split shows the cameras' pictures
  }

  // The test pictures are blue; the empty view is grey and black.
  int BluePixels() {
    const QImage shown = view->ComposeClientArea().convertToFormat(QImage::Format_RGB32);
    int blue = 0;
    for (int y = 0; y < shown.height(); y += 2) {
      for (int x = 0; x < shown.width(); x += 2) {
        const QRgb pixel = shown.pixel(x, y);
        if (qBlue(pixel) > 120 && qBlue(pixel) - qRed(pixel) > 40) ++blue;
      }
    }
    return blue;
  }

  void ExpectOnePaneAndSingleChannelField() {
    EXPECT_EQ(view->GetPaneCount(), 1);
    EXPECT_FALSE(panel->Control(Panel::kChannelSingle)->isHidden());
    for (int id : {Panel::kChannelPane1, Panel::kChannelPane2, Panel::kChannelPane3, Panel::kChannelPane4})
      EXPECT_TRUE(panel->Control(id)->isHidden()) << id;
    EXPECT_EQ(panel->Control(Panel::kSound)->isEnabled(), doc->HasSound() != 0);
  }

  QSettings profile{QString::fromStdString(scratch / "profile.ini"), QSettings::IniFormat};
  std::unique_ptr<CMainFrame> frame;
  Panel* panel = nullptr;
  CSelvoViewerView* view = nullptr;
  std::string cameras;
};

TEST_F(OpenFromSplitTest, SuccessfulOpenShowsOnePaneWithTheSingleChannelFieldAndLiveSoundControls) {
  OpenSplitRecording();

  ASSERT_EQ(doc->OpenFolder(cameras), Outcome::Opened);

  ExpectOnePaneAndSingleChannelField();
  EXPECT_TRUE(panel->Control(Panel::kSound)->isEnabled());
  EXPECT_TRUE(panel->Control(Panel::kVolumeSlider)->isEnabled());
  EXPECT_EQ(static_cast<QLabel*>(panel->Control(Panel::kChannelSingle))->text(), QStringLiteral(" 1"));
}

TEST_F(OpenFromSplitTest, EmptyCancelledAndDiscOutcomesShowNothingOfTheDiscardedRecording) {
  struct Case {
    const char* name;
    std::function<Outcome()> open;
    Outcome outcome;
  };
  const Case cases[] = {
      {"empty",
       [this] {
         UseScriptedSource(ScriptedSource::Script::FindNothing);
         return doc->OpenFolder(recording);
       },
       Outcome::Empty},
      {"cancelled",
       [this] {
         UseScriptedSource(ScriptedSource::Script::WaitForCancel);
         CancelWhenSearching();
         return doc->OpenFolder(recording);
       },
       Outcome::Cancelled},
      {"disc that cannot be read", [this] { return doc->OpenDisc(scratch / "no-such-disc.img"); }, Outcome::Empty},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    doc->SetFolderSourceFactory(nullptr);
    trace.started = false;
    OpenSplitRecording();

    EXPECT_EQ(c.open(), c.outcome);

    ExpectOnePaneAndSingleChannelField();
    EXPECT_FALSE(panel->Control(Panel::kSound)->isEnabled());
    EXPECT_EQ(BluePixels(), 0);
    EXPECT_TRUE(static_cast<QLabel*>(panel->Control(Panel::kImageNumber))->text().startsWith(QLatin1Char('0')) ||
                static_cast<QLabel*>(panel->Control(Panel::kImageNumber))->text().isEmpty());
  }
}

}  // namespace
}  // namespace selvo
