// File > Export Video... in the main window, offscreen: offered for a
// recording folder only, followed by a progress dialog that leaves the
// window usable, and ended with a note that names the video.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSettings>

#include <memory>
#include <string>

#include "app/CMainFrame.h"
#include "app/VideoExportDialog.h"
#include "app/VideoExportOptionsDialog.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/CommandIds.h"
#include "source/FileBytes.h"
#include "source/Notifier.h"
#include "source/text/UiLanguage.h"
#include "tests/SmallRecording.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

class VideoExportDialogTest : public ::testing::Test {
 protected:
  VideoExportDialogTest() {
    SetUiLanguage(UiLanguage::English);
    DocumentOptions options;
    options.persistSettings = false;
    doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
    frame = std::make_unique<CMainFrame>(*doc, profile, 0);
    recording = test::WriteSmallRecording(scratch, "rec", {{0}, {1}, {0}, {1}}, true);
  }
  ~VideoExportDialogTest() override { frame.reset(); }

  bool ExportEnabled() {
    frame->UpdateCommandStates();
    return frame->ActionFor(cmd::kFileExportVideo)->isEnabled();
  }

  // The outcome note, once the worker has ended; null after 30 s.
  QMessageBox* WaitForOutcome() {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000) {
      QApplication::processEvents(QEventLoop::AllEvents, 50);
      if (auto* note = frame->findChild<QMessageBox*>(QStringLiteral("videoExportOutcome"))) return note;
    }
    return nullptr;
  }

  test::TestFolder scratch;
  QSettings profile{QString::fromStdString(scratch / "profile.ini"), QSettings::IniFormat};
  RecordingNotifier notifier;
  std::unique_ptr<CSelvoViewerDoc> doc;
  std::unique_ptr<CMainFrame> frame;
  std::string recording;
};

TEST_F(VideoExportDialogTest, ExportVideoIsOfferedOnceARecordingFolderIsOpen) {
  EXPECT_FALSE(ExportEnabled());
  ASSERT_EQ(doc->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
  EXPECT_TRUE(ExportEnabled());
}

TEST_F(VideoExportDialogTest, ProgressLeavesTheWindowUsableAndTheNoteNamesTheVideo) {
  ASSERT_EQ(doc->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
  VideoExportRequest request = VideoExportJob::RequestFor(*doc);
  request.output = scratch / "video.mkv";
  VideoExportDialog* dialog = VideoExportDialog::Begin(request, PaneOverlayStyle(), frame.get());
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  QMessageBox* note = WaitForOutcome();
  ASSERT_NE(note, nullptr);
  EXPECT_FALSE(note->isModal());
  EXPECT_TRUE(note->text().contains(QString::fromStdString(request.output))) << note->text().toStdString();
  EXPECT_EQ(FileReadError(request.output), 0);
}

// The export asks which camera (the current pane's first), which of its
// images and whether with sound, and the note names what was written.
TEST_F(VideoExportDialogTest, CameraImagesAndSoundAreChosenAndTheNoteNamesThem) {
  const std::string six = test::WriteSmallRecording(scratch, "six", {{0}, {1}, {0}, {1}, {0}, {1}}, true);
  ASSERT_EQ(doc->OpenFolder(six), CSelvoViewerDoc::OpenOutcome::Opened);
  const VideoExportRequest asked = VideoExportJob::RequestFor(*doc);
  struct Case {
    int paneCamera;
    int offered;
  };
  for (const Case c : {Case{2, 2}, Case{1, 1}, Case{9, asked.selection.camera}}) {
    VideoExportOptionsDialog options(*doc, asked, c.paneCamera, frame.get());
    EXPECT_EQ(options.CameraList()->count(), 2);
    EXPECT_EQ(options.CameraList()->currentData().toInt(), c.offered) << "pane camera " << c.paneCamera;
    EXPECT_TRUE(options.AllImages()->isChecked());
  }

  VideoExportOptionsDialog options(*doc, asked, 2, frame.get());
  options.Stretch()->setChecked(true);
  EXPECT_EQ(options.LastImage()->maximum(), 3) << "camera 2 has three images";
  options.FirstImage()->setValue(2);
  options.LastImage()->setValue(3);
  options.Sound()->setChecked(false);
  VideoExportRequest request = options.Request();
  EXPECT_EQ(request.selection.camera, 2);
  EXPECT_EQ(request.selection.first, 2);
  EXPECT_EQ(request.selection.last, 3);
  EXPECT_FALSE(request.selection.byStamps);

  request.output = scratch / "two.mkv";
  VideoExportDialog::Begin(request, PaneOverlayStyle(), frame.get());
  QMessageBox* note = WaitForOutcome();
  ASSERT_NE(note, nullptr);
  const std::string text = note->text().toStdString();
  EXPECT_NE(text.find("camera 2, images 2 to 3"), std::string::npos) << text;
  EXPECT_NE(text.find(request.output), std::string::npos) << text;
  EXPECT_EQ(FileReadError(request.output), 0);
}

TEST_F(VideoExportDialogTest, TheChosenKindGivesTheExtension) {
  struct Case {
    const char* chosen;
    bool shareable;
    const char* expected;
  };
  for (const Case& c : {Case{"/v/a", false, "/v/a.mkv"}, Case{"/v/a", true, "/v/a.mp4"},
                        Case{"/v/a.MKV", false, "/v/a.MKV"}, Case{"/v/a.mkv", true, "/v/a.mkv.mp4"}}) {
    EXPECT_EQ(VideoExportDialog::WithKindExtension(QString::fromUtf8(c.chosen), c.shareable).toStdString(), c.expected);
  }
}

}  // namespace
}  // namespace selvo
