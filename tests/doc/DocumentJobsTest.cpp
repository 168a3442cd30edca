// The document's open flow and disc copy as the prompts see them, with no
// window: what the open dialog chose is what opens, a cancel in
// "Searching..." drops the recording, a copy whose save dialog is cancelled
// lets the window close again, and without prompts the loader and the copy
// run to the end unwatched.
#include <gtest/gtest.h>

#include <QObject>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "doc/AutoResetEvent.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/DocumentPrompts.h"
#include "source/DiscImageFileDevice.h"
#include "source/Notifier.h"
#include "source/text/UiLanguage.h"
#include "tests/SmallDisc.h"
#include "tests/doc/CopyRangeSteps.h"
#include "tests/SmallRecording.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

using Outcome = CSelvoViewerDoc::OpenOutcome;
using CopyOutcome = CSelvoViewerDoc::CopyOutcome;

// Answers as scripted and runs the watched work as the dialogs would, with
// the user's cancel (when scripted) before the work starts.
class ScriptedPrompts : public DocumentPrompts {
 public:
  RecordingChoice ChooseRecording(const std::string& lastFolder) override {
    askedFromFolder = lastFolder;
    return choice;
  }
  std::string ChooseCopyDestination(const std::string& suggestedName, const std::string&) override {
    suggestedCopyName = suggestedName;
    return copyDestination;
  }
  void ShowSearching(std::atomic<int>& cancel, AutoResetEvent& ready, const WatchedWork& loader) override {
    ++searchingShown;
    waitShownDuringSearch = waits > 0;
    if (cancelSearching) cancel.store(1);
    ready.Set();
    loader.start(nullptr);
    // What a repaint during "Searching..." would ask, while the loader runs.
    recordingSeenWhileSearching = doc && doc->HasSource();
    loader.join();
  }
  void ShowCopying(const std::string& destination, const std::string& fileTitle, int first, int last,
                   const CopyHandshake&, const WatchedWork& copier) override {
    copying = {destination, fileTitle, std::to_string(first), std::to_string(last)};
    // Cancelled before the first image: the join stops the thread.
    copier.start(nullptr);
    copier.join();
  }
  void ShowCopyFailures(const RangeCopy&) override { ++failuresShown; }
  void BeginWait() override { ++waits; }
  void EndWait() override { --waits; }

  const CSelvoViewerDoc* doc = nullptr;
  RecordingChoice choice;
  std::string copyDestination;
  bool cancelSearching = false;

  std::string askedFromFolder;
  std::string suggestedCopyName;
  std::vector<std::string> copying;
  int searchingShown = 0;
  int failuresShown = 0;
  int waits = 0;
  bool waitShownDuringSearch = false;
  bool recordingSeenWhileSearching = false;
};

class DocumentJobsTest : public ::testing::Test {
 protected:
  DocumentJobsTest() {
    SetUiLanguage(UiLanguage::English);
    DocumentOptions options;
    options.persistSettings = false;
    doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
    prompts.doc = doc.get();
    QObject::connect(doc.get(), &CSelvoViewerDoc::closeAllowedChanged,
                     [this](bool allowed) { closeSignals.push_back(allowed); });
    recording = test::WriteSmallRecording(scratch, "rec", {{0}, {1}, {0}}, /*withInfo=*/true);
  }

  void OpenDiscOf(int count) {
    test::WriteSmallDisc(scratch / "disc.img", count);
    doc->SetDiscDeviceFactory([](const std::string&) { return std::make_unique<DiscImageFileDevice>(); });
    ASSERT_EQ(doc->OpenDisc(scratch / "disc.img"), Outcome::Opened);
  }

  void SetRange(int first, int last) { test::StepCopyRange(*doc, first, last); }

  test::TestFolder scratch;
  RecordingNotifier notifier;
  ScriptedPrompts prompts;
  std::unique_ptr<CSelvoViewerDoc> doc;
  std::string recording;
  std::vector<bool> closeSignals;
};

TEST_F(DocumentJobsTest, WithoutPromptsTheOpenDialogChoosesNothingAndAFolderIndexesUnwatched) {
  EXPECT_EQ(doc->OnFileOpen(), Outcome::NotOpened);
  EXPECT_FALSE(doc->HasSource());

  EXPECT_EQ(doc->OpenFolder(recording), Outcome::Opened);

  EXPECT_EQ(doc->GetCount(), 2);
  EXPECT_TRUE(doc->HasImage());
  EXPECT_FALSE(doc->IsOpenBusy());
}

TEST_F(DocumentJobsTest, WhatTheOpenDialogChoseIsWhatOpensUnderTheWaitCursor) {
  doc->SetPrompts(&prompts);
  doc->SetLastOpenFolder("/last/place");

  EXPECT_EQ(doc->OnFileOpen(), Outcome::NotOpened);  // the dialog was cancelled
  EXPECT_EQ(prompts.askedFromFolder, "/last/place");
  EXPECT_EQ(prompts.searchingShown, 0);

  prompts.choice = {RecordingChoice::Kind::Folder, recording};
  EXPECT_EQ(doc->OnFileOpen(), Outcome::Opened);
  EXPECT_EQ(prompts.searchingShown, 1);
  EXPECT_TRUE(prompts.waitShownDuringSearch);
  EXPECT_EQ(prompts.waits, 0);
  EXPECT_EQ(doc->GetCount(), 2);

  test::WriteSmallDisc(scratch / "disc.img", 3);
  doc->SetDiscDeviceFactory([](const std::string&) { return std::make_unique<DiscImageFileDevice>(); });
  prompts.choice = {RecordingChoice::Kind::Disc, scratch / "disc.img"};
  EXPECT_EQ(doc->OnFileOpen(), Outcome::Opened);
  EXPECT_EQ(doc->SourceKind(), 1);
  EXPECT_EQ(doc->GetCount(), 3);
  EXPECT_EQ(prompts.waits, 0);
  doc->SetPrompts(nullptr);
}

// The loader writes the source it indexes; a repaint that read it meanwhile
// would race the loader thread.
TEST_F(DocumentJobsTest, WhileTheLoaderIndexesTheWindowsSeeNoRecording) {
  ASSERT_EQ(doc->OpenFolder(recording), Outcome::Opened);
  doc->SetPrompts(&prompts);

  EXPECT_EQ(doc->OpenFolder(recording), Outcome::Opened);

  EXPECT_EQ(prompts.searchingShown, 1);
  EXPECT_FALSE(prompts.recordingSeenWhileSearching);
  EXPECT_EQ(doc->GetCount(), 2);
  doc->SetPrompts(nullptr);
}

TEST_F(DocumentJobsTest, CancelInSearchingDropsTheRecordingAndSaysSo) {
  ASSERT_EQ(doc->OpenFolder(recording), Outcome::Opened);
  doc->SetPrompts(&prompts);
  prompts.cancelSearching = true;

  EXPECT_EQ(doc->OpenFolder(recording), Outcome::Cancelled);

  EXPECT_FALSE(doc->HasSource());
  EXPECT_FALSE(doc->HasImage());
  EXPECT_EQ(prompts.waits, 0);
  EXPECT_EQ(notifier.Count(), 1);
  EXPECT_NE(notifier.Last().find(recording), std::string::npos) << notifier.Last();
  doc->SetPrompts(nullptr);
}

TEST_F(DocumentJobsTest, CancelledSaveDialogStartsNoCopyAndLetsTheWindowCloseAgain) {
  OpenDiscOf(5);
  doc->SetPrompts(&prompts);
  SetRange(2, 4);
  closeSignals.clear();

  EXPECT_EQ(doc->CopyRange(), CopyOutcome::NotStarted);

  EXPECT_EQ(prompts.suggestedCopyName, doc->DefaultCopyName());
  EXPECT_EQ(closeSignals, (std::vector<bool>{false, true}));
  EXPECT_TRUE(doc->IsCopyRangeValid());  // nothing copied: the range stays
  EXPECT_EQ(prompts.copying.size(), 0u);
  doc->SetPrompts(nullptr);
}

TEST_F(DocumentJobsTest, CopyCancelledInItsDialogWritesNothingAndStaysOnTheImageShown) {
  OpenDiscOf(5);
  doc->SetPrompts(&prompts);
  SetRange(2, 4);
  const std::string out = scratch.MakeDir("out");
  prompts.copyDestination = out + "/cam.jpg";
  closeSignals.clear();

  EXPECT_EQ(doc->CopyRange(), CopyOutcome::Cancelled);

  EXPECT_EQ(prompts.copying, (std::vector<std::string>{out + "/cam.jpg", "cam", "2", "4"}));
  ASSERT_NE(doc->LastCopy(), nullptr);
  EXPECT_EQ(doc->LastCopy()->WrittenImages(), 0);
  EXPECT_EQ(doc->GetPosition(), 3);  // image 4, shown when the copy began
  EXPECT_FALSE(doc->IsCopyRangeValid());
  EXPECT_FALSE(doc->IsCopying());
  ASSERT_FALSE(closeSignals.empty());
  EXPECT_FALSE(closeSignals.front());
  EXPECT_TRUE(closeSignals.back());
  doc->SetPrompts(nullptr);
}

TEST_F(DocumentJobsTest, WithoutPromptsACopyRunsToTheEndAndEndsOnTheRangesLastImage) {
  OpenDiscOf(5);
  SetRange(2, 4);
  const std::string out = scratch.MakeDir("out");

  EXPECT_EQ(doc->CopyRange(), CopyOutcome::NotStarted);  // no save dialog to ask
  EXPECT_EQ(doc->CopyRangeTo(out + "/cam.jpg"), CopyOutcome::Copied);

  ASSERT_NE(doc->LastCopy(), nullptr);
  EXPECT_EQ(doc->LastCopy()->WrittenImages(), 3);
  EXPECT_FALSE(doc->LastCopy()->HasFailures());
  EXPECT_EQ(doc->GetPosition(), 3);
  EXPECT_FALSE(doc->IsCopyRangeValid());
  EXPECT_EQ(notifier.Count(), 1);  // how the copy ended
}

}  // namespace
}  // namespace selvo
