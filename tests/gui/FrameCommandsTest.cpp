// Command dispatch and command-update rules of the main window, fired by id
// as menus, toolbar and accelerators fire them; and the document's
// alteration boxes.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QPainter>
#include <QSettings>

#include <memory>

#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/ImageViewLink.h"
#include "source/ImageInfo.h"
#include "source/Notifier.h"
#include "tests/TestFolder.h"
#include "tests/gui/SmallRecording.h"

namespace selvo {
namespace {

class FrameCommandsTest : public ::testing::Test {
 protected:
  FrameCommandsTest() {
    DocumentOptions options;
    options.persistSettings = false;
    doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
    frame = std::make_unique<CMainFrame>(*doc, profile, 0);
  }
  ~FrameCommandsTest() override { frame.reset(); }

  bool Enabled(int id) { return frame->ActionFor(id)->isEnabled(); }
  bool Checked(int id) { return frame->ActionFor(id)->isChecked(); }
  std::string Recording(bool withInfo) {
    return test::WriteSmallRecording(scratch, withInfo ? "info" : "plain", {{0}, {1}, {2}, {0}}, withInfo);
  }

  test::TestFolder scratch;
  QSettings profile{QString::fromStdString(scratch / "profile.ini"), QSettings::IniFormat};
  RecordingNotifier notifier;
  std::unique_ptr<CSelvoViewerDoc> doc;
  std::unique_ptr<CMainFrame> frame;
};

TEST_F(FrameCommandsTest, WithoutRecordingOnlyOpenAndSettingsAreAvailable) {
  EXPECT_TRUE(Enabled(cmd::kFileOpen));
  EXPECT_FALSE(Enabled(cmd::kFileSaveImage));
  EXPECT_FALSE(Enabled(cmd::kFilePrint));
  for (int id : {cmd::kCameraTitle, cmd::kSplit1, cmd::kSplit4, cmd::kSplit9, cmd::kSplit16}) {
    EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(Checked(id)) << id;
  }
  EXPECT_TRUE(Enabled(cmd::kTitleInput));
  EXPECT_TRUE(Enabled(cmd::kDateFormat));
  EXPECT_TRUE(Checked(cmd::kTimeRightDown));
  EXPECT_TRUE(Checked(cmd::kViewToolbar));
}

TEST_F(FrameCommandsTest, SplitCommandsFollowTheViewAndDisableSaveAndPrint) {
  ASSERT_EQ(doc->OpenFolder(Recording(true)), CSelvoViewerDoc::OpenOutcome::Opened);
  EXPECT_TRUE(Enabled(cmd::kFileSaveImage));
  EXPECT_TRUE(Enabled(cmd::kFilePrint));
  EXPECT_TRUE(Checked(cmd::kSplit1));
  EXPECT_TRUE(Checked(cmd::kCameraTitle));

  frame->FireCommand(cmd::kSplit4);

  EXPECT_EQ(doc->ImageView()->GetPaneCount(), 4);
  EXPECT_TRUE(Checked(cmd::kSplit4));
  EXPECT_FALSE(Checked(cmd::kSplit1));
  EXPECT_FALSE(Enabled(cmd::kFileSaveImage));
  EXPECT_FALSE(Enabled(cmd::kFilePrint));

  frame->FireCommand(cmd::kSplit16);
  EXPECT_EQ(doc->ImageView()->GetPaneCount(), 16);
  frame->FireCommand(cmd::kSplit1);
  EXPECT_EQ(doc->ImageView()->GetPaneCount(), 1);
  EXPECT_TRUE(Enabled(cmd::kFilePrint));
}

TEST_F(FrameCommandsTest, RecordingWithoutInfoIndexOffersNoChannelCommands) {
  ASSERT_EQ(doc->OpenFolder(Recording(false)), CSelvoViewerDoc::OpenOutcome::Opened);
  EXPECT_TRUE(Enabled(cmd::kFileSaveImage));
  EXPECT_FALSE(Enabled(cmd::kCameraTitle));
  EXPECT_FALSE(Checked(cmd::kCameraTitle));
  EXPECT_FALSE(Enabled(cmd::kSplit4));

  // A disabled command fired by id does nothing.
  frame->FireCommand(cmd::kSplit4);
  EXPECT_EQ(doc->ImageView()->GetPaneCount(), 1);
  EXPECT_TRUE(Checked(cmd::kSplit1));
}

TEST_F(FrameCommandsTest, ToggleAndRadioCommandsKeepTheirMarks) {
  ASSERT_EQ(doc->OpenFolder(Recording(true)), CSelvoViewerDoc::OpenOutcome::Opened);
  frame->FireCommand(cmd::kCameraTitle);
  EXPECT_FALSE(doc->IsCameraTitleShown());
  EXPECT_FALSE(Checked(cmd::kCameraTitle));
  EXPECT_TRUE(Enabled(cmd::kCameraTitle));

  frame->FireCommand(cmd::kTimeLeftUp);
  EXPECT_EQ(doc->GetTimePosition(), 2);
  for (int id = cmd::kTimeRightDown; id <= cmd::kTimeLeftDown; ++id)
    EXPECT_EQ(Checked(id), id == cmd::kTimeLeftUp) << id;

  frame->FireCommand(cmd::kViewToolbar);
  EXPECT_FALSE(Checked(cmd::kViewToolbar));
}

TEST_F(FrameCommandsTest, BusyWindowRefusesToClose) {
  frame->show();
  frame->DisableClose();
  EXPECT_FALSE(Enabled(cmd::kAppExit));
  EXPECT_FALSE(frame->close());
  EXPECT_TRUE(frame->isVisible());
  frame->EnableClose();
  EXPECT_TRUE(frame->close());
}

TEST(AlterationMarksTest, BoxesFollowStatusFlagsOnlyInCheckMode) {
  RecordingNotifier notifier;
  struct Case {
    bool checkMode;
    int status;
    bool imageBox;
    bool timeBox;
  };
  const Case cases[] = {
      {true, 0, false, false},
      {true, kImageAltered, true, false},
      {true, kTimeAltered, false, true},
      {true, kImageAltered | kTimeAltered, true, true},
      {true, kNoValidTime, false, false},
      {true, kImageAltered | kNoValidTime, true, true},
      {true, kTimeAltered | kNoValidTime, false, false},
      {true, kNoTrailer, true, true},
      {true, -1, false, false},  // not examined: every bit set, no meaning
      {false, kNoTrailer, false, false},
  };
  const QColor red(255, 0, 0);
  const QColor yellow(255, 255, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "status " << c.status << " check " << c.checkMode);
    DocumentOptions options;
    options.persistSettings = false;
    options.checkMode = c.checkMode;
    CSelvoViewerDoc doc(options, notifier);
    QImage image(420, 300, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
      QPainter painter(&image);
      doc.DrawAlterationMarks(painter, 10, 0, 400, 300, c.status);
    }
    // Image box: x 110..310, y 150..180; time box: y 240..270 (offset x by 10).
    EXPECT_EQ(image.pixelColor(112, 152) == red, c.imageBox);
    EXPECT_EQ(image.pixelColor(112, 242) == red, c.timeBox);
    if (c.imageBox) {
      EXPECT_EQ(image.pixelColor(110, 160), yellow);  // frame on the left edge
      EXPECT_EQ(image.pixelColor(109, 160), QColor(Qt::black));
      EXPECT_EQ(image.pixelColor(309, 160), yellow);
      EXPECT_EQ(image.pixelColor(310, 160), QColor(Qt::black));
      EXPECT_EQ(image.pixelColor(200, 149), QColor(Qt::black));
      EXPECT_EQ(image.pixelColor(200, 180), QColor(Qt::black));
    }
  }
}

}  // namespace
}  // namespace selvo
