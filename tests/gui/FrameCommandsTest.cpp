// Command dispatch and command-update rules of the main window, fired by id
// as menus, toolbar and accelerators fire them; and the document's
// alteration boxes.
#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QRegularExpression>
#include <QSettings>
#include <QTranslator>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "app/CMainFrame.h"
#include "app/CSelvoViewerApp.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/CommandIds.h"
#include "doc/ImageViewLink.h"
#include "source/ImageInfo.h"
#include "source/Notifier.h"
#include "source/text/UiLanguage.h"
#include "tests/SmallRecording.h"
#include "tests/TestFolder.h"
#include "view/CSelvoViewerView.h"

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

// Every item of the frame's menus, submenus included.
std::vector<QAction*> MenuItems(QWidget* menuOwner) {
  std::vector<QAction*> items;
  for (QAction* action : menuOwner->actions()) {
    if (action->isSeparator()) continue;
    items.push_back(action);
    if (QMenu* sub = action->menu()) {
      const std::vector<QAction*> inner = MenuItems(sub);
      items.insert(items.end(), inner.begin(), inner.end());
    }
  }
  return items;
}

// A command is one row of the frame's table: the menus must hold each row
// once, with its keys, and no two rows may share an id or a key.
TEST_F(FrameCommandsTest, EveryRowOfTheTableIsOneMenuItemWithItsKeys) {
  const std::vector<QAction*> items = MenuItems(frame->menuBar());
  std::set<int> ids;
  std::set<QString> keys;
  for (const FrameCommand& row : CMainFrame::Commands()) {
    SCOPED_TRACE(row.english);
    EXPECT_TRUE(ids.insert(row.id).second) << "id used twice";
    EXPECT_NE(row.english, nullptr);
    EXPECT_NE(row.japanese, nullptr);
    EXPECT_GT(QString::fromUtf8(row.english).size(), 1);
    EXPECT_GT(QString::fromUtf8(row.japanese).size(), 1);
    EXPECT_NE(QString::fromUtf8(row.english), QString::fromUtf8(row.japanese));
    EXPECT_NE(row.run, nullptr);
    for (const QKeySequence& key : row.keys) EXPECT_TRUE(keys.insert(key.toString()).second) << key.toString().toStdString();

    QAction* action = frame->ActionFor(row.id);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(std::count(items.begin(), items.end(), action), 1);
    EXPECT_EQ(action->shortcuts(), QList<QKeySequence>(row.keys.begin(), row.keys.end()));
  }
  // Nothing in the menus that is not a row.
  for (QAction* item : items) {
    if (item->menu() != nullptr) continue;
    EXPECT_EQ(ids.count(item->data().toInt()), 1u) << item->text().toStdString();
  }
}

// The variants show About under an id of their own; the table's one row
// answers to it.
TEST_F(FrameCommandsTest, VariantsAboutItemIsTheAboutRowUnderItsOwnId) {
  CMainFrame variant(*doc, profile, 1);
  EXPECT_EQ(variant.ActionFor(cmd::kAppAbout), nullptr);
  QAction* about = variant.ActionFor(cmd::kAppAboutVariant);
  ASSERT_NE(about, nullptr);
  const std::vector<QAction*> items = MenuItems(variant.menuBar());
  EXPECT_EQ(std::count(items.begin(), items.end(), about), 1);
  EXPECT_TRUE(variant.QueryCommand(cmd::kAppAboutVariant).enabled);
  EXPECT_FALSE(about->text().contains(QLatin1String("%1")));
}

class MenuLanguageTest : public FrameCommandsTest, public ::testing::WithParamInterface<UiLanguage> {
 protected:
  MenuLanguageTest() {
    SetUiLanguage(GetParam());
    frame = std::make_unique<CMainFrame>(*doc, profile, 0);
  }
  ~MenuLanguageTest() override {
    frame.reset();
    SetUiLanguage(UiLanguage::English);
  }
};

TEST_P(MenuLanguageTest, EveryItemHasOneMnemonicAndDialogItemsEndInAnEllipsis) {
  const bool japanese = GetParam() == UiLanguage::Japanese;
  // English: title case (short prepositions lower case), mnemonic inside a
  // word; Japanese: "(&X)" after the text.
  const QRegularExpression english(QStringLiteral("^(&?[0-9A-Z][^ (]*)( (&?[0-9A-Z][^ (]*|to|of|in))*$"));
  const QRegularExpression japaneseStyle(QStringLiteral("^[^&(]+\\(&[0-9A-Z]\\)(\\.\\.\\.)?$"));
  const std::set<int> dialogs{cmd::kFileOpen,   cmd::kFileSaveImage, cmd::kFilePrint, cmd::kFileExportVideo,
                              cmd::kTitleInput, cmd::kDateFormat,    cmd::kAppAbout,  cmd::kEnhance,
                              cmd::kVerificationSummary, cmd::kAddBookmark, cmd::kCaseFile, cmd::kFindMotion};
  const std::vector<QAction*> items = MenuItems(frame->menuBar());
  ASSERT_GT(items.size(), 20u);
  for (QAction* item : items) {
    const QString text = item->text();
    SCOPED_TRACE(text.toStdString());
    EXPECT_EQ(text.count(QLatin1Char('&')), 1);
    EXPECT_TRUE((japanese ? japaneseStyle : english).match(text).hasMatch());
    const bool opensDialog = item->data().isValid() && dialogs.count(item->data().toInt()) != 0;
    EXPECT_EQ(text.endsWith(QLatin1String("...")), opensDialog);
  }
}

TEST_P(MenuLanguageTest, TimePositionCornersAreExclusiveRadioItems) {
  QActionGroup* corners = frame->ActionFor(cmd::kTimeRightDown)->actionGroup();
  ASSERT_NE(corners, nullptr);
  EXPECT_TRUE(corners->isExclusive());
  for (int id = cmd::kTimeRightDown; id <= cmd::kTimeLeftDown; ++id)
    EXPECT_EQ(frame->ActionFor(id)->actionGroup(), corners) << id;
  frame->FireCommand(cmd::kTimeLeftDown);
  EXPECT_EQ(corners->checkedAction(), frame->ActionFor(cmd::kTimeLeftDown));
}

TEST_P(MenuLanguageTest, PaneMenuSpeaksTheInterfaceLanguage) {
  ASSERT_EQ(doc->OpenFolder(Recording(true)), CSelvoViewerDoc::OpenOutcome::Opened);
  auto* view = static_cast<CSelvoViewerView*>(frame->ImageViewWidget());
  ASSERT_TRUE(view->SelectPaneAt(QPoint(5, 5)));
  QMenu menu;
  view->BuildPaneMenu(menu);
  QStringList texts;
  for (QAction* action : menu.actions()) texts << action->text();
  const bool japanese = GetParam() == UiLanguage::Japanese;
  EXPECT_TRUE(texts.contains(japanese ? QStringLiteral("4 画像") : QStringLiteral("4 image"))) << texts.join('|').toStdString();
  EXPECT_TRUE(texts.contains(QStringLiteral("--")));
  EXPECT_TRUE(texts.contains(QStringLiteral("3ch")));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, MenuLanguageTest,
                         ::testing::Values(UiLanguage::English, UiLanguage::Japanese),
                         [](const ::testing::TestParamInfo<UiLanguage>& info) {
                           return info.param == UiLanguage::Japanese ? "Japanese" : "English";
                         });

TEST(QtTranslationTest, JapaneseInterfaceGetsQtsOwnDialogsInJapanese) {
  EXPECT_EQ(CSelvoViewerApp::InstallQtTranslator(UiLanguage::English), nullptr);
  const QString english = QCoreApplication::translate("QPlatformTheme", "Cancel");
  {
    const std::unique_ptr<QTranslator> japanese = CSelvoViewerApp::InstallQtTranslator(UiLanguage::Japanese);
    ASSERT_NE(japanese, nullptr);
    EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), english);
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
  }
  // Gone with its owner.
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), english);
}

}  // namespace
}  // namespace selvo
