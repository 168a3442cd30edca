// The open flow's outcomes as the user sees them: a folder that opens, one
// that holds nothing usable, a probe that finds nothing, and a cancel while
// the loader thread is still indexing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "doc/CSelvoViewerDoc.h"
#include "panel/SearchingDialog.h"
#include "source/FolderImageSource.h"
#include "source/Notifier.h"
#include "tests/TestFolder.h"
#include "tests/gui/SmallRecording.h"

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

  TestFolder scratch;
  RecordingNotifier notifier;
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

TEST_F(DocumentOpenFlowTest, FolderWithoutUsableImagesLeavesAnEmptyRecording) {
  UseScriptedSource(ScriptedSource::Script::FindNothing);

  EXPECT_EQ(doc->OpenFolder(recording), Outcome::Empty);

  EXPECT_TRUE(doc->HasSource());
  EXPECT_EQ(doc->GetCount(), 0);
  EXPECT_FALSE(doc->HasImage());
  EXPECT_TRUE(doc->LastOpenFolder().empty());
  EXPECT_EQ(notifier.Count(), 0);
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
}

}  // namespace
}  // namespace selvo
