// The viewer started on a folder named on its command line, as its main
// starts it: the open begun before Qt (EarlyStart) ends in the document a
// late open makes, and a folder that cannot be opened is told once the
// window is up, in the open flow's own words.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "app/CSelvoViewerApp.h"
#include "app/EarlyStart.h"
#include "doc/CSelvoViewerDoc.h"
#include "source/Notifier.h"
#include "source/settings/CommandLineSwitches.h"
#include "tests/SmallRecording.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

class ViewerStartTest : public ::testing::Test {
 protected:
  // The viewer's setting file, settings, case file and mixer as selvo-viewer
  // finds them, all in the scratch folder.
  ViewerStartTest() : before_(std::filesystem::current_path()) {
    std::filesystem::copy_file(std::string(SELVO_BINARY_DIR) + "/Viewer2.ini", scratch / "Viewer2.ini");
    const std::string home = scratch.MakeDir("home");
    for (const char* variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"}) setenv(variable, home.c_str(), 1);
    std::filesystem::current_path(scratch.Path());
  }
  ~ViewerStartTest() override { std::filesystem::current_path(before_); }

  // Starts the viewer on path as main does, and runs its event loop until
  // done answers true (or ten seconds went by); message boxes are answered
  // and their texts kept, with whether the window was up when they came.
  std::unique_ptr<CSelvoViewerApp> StartOn(const std::string& path,
                                           const std::function<bool(const CSelvoViewerApp&)>& done) {
    ViewerCommandLineInfo commandLine;
    commandLine.Parse(std::vector<std::string>{path});
    early = std::make_unique<EarlyStart>(commandLine);
    auto viewer = std::make_unique<CSelvoViewerApp>(commandLine, early.get());
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      messages.push_back(box->text().toStdString());
      windowUpAtMessage = viewer->MainFrame() != nullptr && viewer->MainFrame()->isVisible();
      box->accept();
    });
    answer.start(5);
    EXPECT_TRUE(viewer->InitInstance());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done(*viewer) && std::chrono::steady_clock::now() < deadline)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    return viewer;
  }

  test::TestFolder scratch;
  std::unique_ptr<EarlyStart> early;
  std::vector<std::string> messages;
  bool windowUpAtMessage = false;

 private:
  std::filesystem::path before_;
};

TEST_F(ViewerStartTest, AFolderThatCannotBeOpenedIsToldOnceTheWindowIsUp) {
  scratch.Write("a-file", std::string("not a folder"));
  for (const std::string& path : {scratch / "no-such-folder", scratch / "a-file"}) {
    SCOPED_TRACE(path);
    messages.clear();
    RecordingNotifier late;
    DocumentOptions options;
    options.persistSettings = false;
    CSelvoViewerDoc lateDoc(options, late);
    lateDoc.OpenFolder(path);

    const std::unique_ptr<CSelvoViewerApp> viewer =
        StartOn(path, [this](const CSelvoViewerApp&) { return !messages.empty(); });

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], late.Last());
    EXPECT_TRUE(windowUpAtMessage);
    EXPECT_FALSE(viewer->Document()->HasSource());
  }
}

TEST_F(ViewerStartTest, ARecordingNamedOnTheCommandLineOpensAsWhenOpenedLate) {
  const std::string recording = test::WriteSmallRecording(scratch, "rec", {{0}, {1}, {0}, {1}}, true);
  RecordingNotifier late;
  DocumentOptions options;
  options.persistSettings = false;
  CSelvoViewerDoc lateDoc(options, late);
  ASSERT_EQ(lateDoc.OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);

  // What waits for the first picture's paint comes after it: the background
  // check and the case file.
  const std::unique_ptr<CSelvoViewerApp> viewer = StartOn(recording, [](const CSelvoViewerApp& started) {
    const CSelvoViewerDoc& doc = *started.Document();
    return doc.HasImage() && doc.Case().IsOpen() && (doc.IsVerifying() || doc.IsVerified());
  });

  const CSelvoViewerDoc& doc = *viewer->Document();
  EXPECT_TRUE(messages.empty());
  ASSERT_EQ(doc.GetCount(), lateDoc.GetCount());
  EXPECT_EQ(doc.LastOpenFolder(), lateDoc.LastOpenFolder());
  ASSERT_TRUE(doc.HasImage());
  const DibBlock& shown = *doc.CurrentImage();
  const DibBlock& expected = *lateDoc.CurrentImage();
  ASSERT_EQ(shown.Stride() * shown.Height(), expected.Stride() * expected.Height());
  EXPECT_EQ(0, std::memcmp(shown.Data(), expected.Data(), shown.Stride() * shown.Height()));
  EXPECT_TRUE(doc.Case().IsOpen());
  EXPECT_TRUE(doc.IsVerifying() || doc.IsVerified());
}

}  // namespace
}  // namespace selvo
