// The bookmarks as the user meets them, offscreen: Ctrl+B opens the note
// dialog with the note field focused, Enter saves, Escape cancels; the dock
// lists the bookmark and edits and removes it; the slider marks it; Next
// and Previous Bookmark step to it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest/QTest>

#include <memory>
#include <string>

#include "app/CMainFrame.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/CommandIds.h"
#include "panel/BookmarkDialog.h"
#include "panel/BookmarksDock.h"
#include "source/Notifier.h"
#include "source/text/UiLanguage.h"
#include "tests/SmallRecording.h"
#include "tests/TestFolder.h"
#include "view/CSelvoViewerView.h"
#include "view/PositionSlider.h"

namespace selvo {
namespace {

class BookmarksViewTest : public ::testing::Test {
 protected:
  BookmarksViewTest() {
    SetUiLanguage(UiLanguage::English);
    DocumentOptions options;
    options.persistSettings = false;
    doc = std::make_unique<CSelvoViewerDoc>(options, notifier);
    frame = std::make_unique<CMainFrame>(*doc, profile, 0);
    EXPECT_TRUE(doc->Case().Open(scratch / "cases.sqlite")) << doc->Case().Message();
    // Camera 1 holds the first, third and fourth image.
    const std::string recording = test::WriteSmallRecording(scratch, "rec", {{0}, {1}, {0}, {0}}, true);
    EXPECT_EQ(doc->OpenFolder(recording), CSelvoViewerDoc::OpenOutcome::Opened);
  }
  ~BookmarksViewTest() override { frame.reset(); }

  // Fires Ctrl+B's command and answers its dialog with note and key.
  void BookmarkWith(const QString& note, Qt::Key key) {
    bool focused = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<BookmarkDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      focused = dialog->focusWidget() == dialog->NoteField();
      QTest::keyClicks(dialog->NoteField(), note);
      QTest::keyClick(dialog->NoteField(), key);
      // Escape or Enter that did not close it would hang the test.
      if (dialog->isVisible()) dialog->reject();
    });
    frame->FireCommand(cmd::kAddBookmark);
    EXPECT_TRUE(focused);
  }

  test::TestFolder scratch;
  QSettings profile{QString::fromStdString(scratch / "profile.ini"), QSettings::IniFormat};
  RecordingNotifier notifier;
  std::unique_ptr<CSelvoViewerDoc> doc;
  std::unique_ptr<CMainFrame> frame;
};

TEST_F(BookmarksViewTest, CtrlBSavesANoteThatTheDockTheSliderAndTheBookmarkKeysFollow) {
  EXPECT_EQ(frame->ActionFor(cmd::kAddBookmark)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
  ASSERT_TRUE(doc->GoNext(true));
  BookmarkWith("cancelled", Qt::Key_Escape);
  EXPECT_TRUE(doc->Case().Bookmarks().empty());
  BookmarkWith("man at the gate", Qt::Key_Return);
  ASSERT_EQ(doc->Case().Bookmarks().size(), 1u);
  EXPECT_EQ(doc->Case().Bookmarks()[0].place.camera, 1);
  EXPECT_EQ(doc->Case().Bookmarks()[0].place.number, 2);

  QTreeWidget* list = frame->Bookmarks()->List();
  ASSERT_EQ(list->topLevelItemCount(), 1);
  EXPECT_EQ(list->topLevelItem(0)->text(BookmarksDock::kNoteColumn), "man at the gate");
  EXPECT_EQ(list->topLevelItem(0)->text(BookmarksDock::kCameraColumn), "1");
  EXPECT_TRUE(frame->Bookmarks()->Warning()->isHidden());
  auto* slider = frame->findChild<PositionSlider*>();
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(slider->BookmarkMarks(), std::vector<int>{2});

  ASSERT_TRUE(doc->GoLast(true));
  frame->FireCommand(cmd::kPreviousBookmark);
  EXPECT_EQ(doc->GetPosition(), 1);
  frame->FireCommand(cmd::kPreviousBookmark);
  EXPECT_EQ(doc->GetPosition(), 1);
  ASSERT_TRUE(doc->GoFirst(true));
  frame->FireCommand(cmd::kNextBookmark);
  EXPECT_EQ(doc->GetPosition(), 1);
  ASSERT_TRUE(doc->GoFirst(true));
  emit list->itemClicked(list->topLevelItem(0), BookmarksDock::kNoteColumn);
  EXPECT_EQ(doc->GetPosition(), 1);

  list->topLevelItem(0)->setText(BookmarksDock::kNoteColumn, "two men at the gate");
  QCoreApplication::processEvents();
  ASSERT_EQ(doc->Case().Bookmarks().size(), 1u);
  EXPECT_EQ(doc->Case().Bookmarks()[0].note, "two men at the gate");
  list->setCurrentItem(list->topLevelItem(0));
  frame->Bookmarks()->findChild<QPushButton*>()->click();
  EXPECT_TRUE(doc->Case().Bookmarks().empty());
  EXPECT_EQ(list->topLevelItemCount(), 0);
  EXPECT_TRUE(slider->BookmarkMarks().empty());
  EXPECT_FALSE(frame->ActionFor(cmd::kNextBookmark)->isEnabled());
}

// A still saved is logged with the file's SHA-256 as written and the
// enhancement it shows.
TEST_F(BookmarksViewTest, ASavedStillIsLoggedWithItsHashAndEnhancement) {
  auto* view = static_cast<CSelvoViewerView*>(frame->ImageViewWidget());
  EnhanceSettings enhance;
  enhance.contrast = 20;
  view->SetEnhancement(enhance);
  const QString still = QString::fromStdString(scratch / "still.bmp");
  QString reason;
  ASSERT_TRUE(view->SaveImageTo(still, reason)) << reason.toStdString();
  auto caseFile = CaseFile::Open(scratch / "cases.sqlite");
  ASSERT_TRUE(caseFile) << caseFile.message();
  auto log = caseFile.value().Log();
  ASSERT_TRUE(log && !log.value().empty());
  const LogEntry& last = log.value().back();
  EXPECT_EQ(last.kind, "still-saved");
  const auto sha = FileSha256(still.toStdString());
  ASSERT_TRUE(sha);
  EXPECT_NE(last.details.find(sha.value()), std::string::npos) << last.details;
  EXPECT_NE(last.details.find("contrast +20"), std::string::npos) << last.details;
  EXPECT_FALSE(last.recording.empty());
}

}  // namespace
}  // namespace selvo
