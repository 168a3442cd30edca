// Command dispatch and command-update rules of the main window, fired by id
// as menus, toolbar and accelerators fire them; and the document's
// alteration boxes.
#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>
#include <QTableWidget>
#include <QTranslator>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <memory>
#include <set>
#include <vector>

#include "app/CMainFrame.h"
#include "app/GoToDialog.h"
#include "app/KeyboardShortcutsDialog.h"
#include "app/CSelvoViewerApp.h"
#include "doc/CSelvoViewerDoc.h"
#include "doc/CommandIds.h"
#include "doc/ImageViewLink.h"
#include "source/ImageInfo.h"
#include "source/Notifier.h"
#include "source/settings/RecentRecordings.h"
#include "source/text/StringIds.h"
#include "source/text/UiLanguage.h"
#include "source/text/UiText.h"
#include "panel/CSelvoFormView.h"
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

bool IsRecentEntry(const QAction* item) {
  const int id = item->data().toInt();
  return id >= cmd::kRecentFirst && id <= cmd::kRecentLast;
}

// The playback items run the panel's own handlers and are enabled as its
// buttons are, also when the panel changes its enabling by itself.
TEST_F(FrameCommandsTest, PlaybackItemsDoWhatThePanelsButtonsDo) {
  for (int id : {cmd::kPlayOrStop, cmd::kNextImage, cmd::kFirstImage, cmd::kStopPlay, cmd::kGoTo})
    EXPECT_FALSE(Enabled(id)) << id;
  ASSERT_EQ(doc->OpenFolder(Recording(false)), CSelvoViewerDoc::OpenOutcome::Opened);
  EXPECT_TRUE(Enabled(cmd::kPlayOrStop));
  EXPECT_FALSE(Enabled(cmd::kStopPlay));
  frame->FireCommand(cmd::kLastImage);
  EXPECT_EQ(doc->GetPosition(), 3);
  frame->FireCommand(cmd::kPreviousImage);
  EXPECT_EQ(doc->GetPosition(), 2);
  frame->FireCommand(cmd::kFirstImage);
  frame->FireCommand(cmd::kNextImage);
  EXPECT_EQ(doc->GetPosition(), 1);
  auto* panel = static_cast<CSelvoFormView*>(frame->PanelStrip());
  const int speed = panel->SpeedPosition();
  frame->FireCommand(cmd::kFaster);
  EXPECT_EQ(panel->SpeedPosition(), speed + 1);
  frame->FireCommand(cmd::kSlower);
  EXPECT_EQ(panel->SpeedPosition(), speed);

  panel->ShowForwardPlayMode(false);
  EXPECT_FALSE(Enabled(cmd::kNextImage));
  EXPECT_FALSE(Enabled(cmd::kLastImage));
  EXPECT_TRUE(Enabled(cmd::kStopPlay));
  frame->FireCommand(cmd::kNextImage);
  EXPECT_EQ(doc->GetPosition(), 1);
  panel->RestoreIdleEnabling(false);
  EXPECT_TRUE(Enabled(cmd::kNextImage));
}

// A number is the panel's; a time finds the current camera's nearest image,
// never another camera's that is nearer; anything else says what to type.
TEST_F(FrameCommandsTest, GoToResolvesNumbersAndTimesAndExplainsBadInput) {
  constexpr std::uint32_t kBase = 100000000;
  const std::string path = test::WriteSmallRecording(
      scratch, "cams", {{0, kBase}, {1, kBase + 2}, {0, kBase + 10}, {1, kBase + 11}, {0, kBase + 20}}, true);
  ASSERT_EQ(doc->OpenFolder(path), CSelvoViewerDoc::OpenOutcome::Opened);
  const int camera = doc->GetCurrentChannel();
  const auto shown = [&](std::uint32_t seconds) { return doc->FormatImageTime(CalendarFromRecorderSeconds(seconds)); };
  const auto indexAt = [&](std::uint32_t seconds) {
    for (int i = 0; i < doc->GetCount(); ++i)
      if (doc->GetTimeAt(i) == CalendarFromRecorderSeconds(seconds) && doc->GetChannelAt(i) == camera) return i;
    return -2;
  };
  const std::string timeOfDay = shown(kBase + 19).substr(shown(kBase + 19).find(' ') + 1);
  struct Case {
    std::string typed;
    int expected;        // -1: refused
    const char* reason;  // a word of the reason given
  } cases[] = {
      {"2", 1, ""},
      {" 2 / 3 ", 1, ""},
      {"0", -1, "no image 0"},
      {"4000000000", -1, "no image"},
      {"", -1, "Type an image number"},
      {"next one", -1, "Type an image number"},
      {shown(kBase + 14), indexAt(kBase + 10), ""},
      {timeOfDay, indexAt(kBase + 20), ""},
      {"02/30/2026 10:00:00", -1, "not a valid date"},
      {"25:00", -1, "not a valid date"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    QString problem;
    EXPECT_EQ(GoToDialog::ResolveInput(*doc, QString::fromStdString(c.typed), problem), c.expected);
    EXPECT_EQ(problem.isEmpty(), c.expected >= 0) << problem.toStdString();
    EXPECT_TRUE(problem.contains(QString::fromLatin1(c.reason), Qt::CaseInsensitive)) << problem.toStdString();
  }
  EXPECT_GE(indexAt(kBase + 10), 0);

  // The dialog stays open with the reason until the input names an image.
  GoToDialog dialog(*doc, frame.get());
  dialog.InputBox()->setText(QStringLiteral("next one"));
  dialog.accept();
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.Problem().isEmpty());
  dialog.InputBox()->setText(QStringLiteral("2"));
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.chosenIndex, 1);
}

std::vector<QAction*> RecentEntries(const CMainFrame& frame) {
  std::vector<QAction*> entries;
  for (QAction* action : frame.RecentMenu()->actions())
    if (action->data().toInt() >= cmd::kRecentFirst && action->data().toInt() <= cmd::kRecentLast)
      entries.push_back(action);
  return entries;
}

// Opened recordings come first in File > Recent Recordings and in the
// settings; one that is gone is said to be gone and leaves the list.
TEST_F(FrameCommandsTest, RecentRecordingsListWhatOpenedAndDropWhatIsGone) {
  const std::string first = Recording(false);
  const std::string second = Recording(true);
  ASSERT_EQ(doc->OpenFolder(first), CSelvoViewerDoc::OpenOutcome::Opened);
  ASSERT_EQ(doc->OpenFolder(second), CSelvoViewerDoc::OpenOutcome::Opened);
  ASSERT_EQ(RecentEntries(*frame).size(), 2u);
  EXPECT_EQ(frame->Recent().Entries().front().path, second);
  EXPECT_TRUE(RecentEntries(*frame).back()->text().contains(QString::fromStdString(first).right(5)));

  std::filesystem::remove_all(first);
  const int before = notifier.Count();
  frame->OpenRecent(1);
  EXPECT_EQ(notifier.Count(), before + 1);
  EXPECT_NE(notifier.Last().find(first), std::string::npos) << notifier.Last();
  EXPECT_EQ(doc->LastOpenFolder(), second) << "the open recording stays";
  ASSERT_EQ(RecentEntries(*frame).size(), 1u);
  EXPECT_EQ(RecentRecordings(profile).Entries(), frame->Recent().Entries());

  doc->OpenFolder(test::WriteSmallRecording(scratch, "third", {{0}}, false));
  frame->OpenRecent(1);
  EXPECT_EQ(doc->LastOpenFolder(), second);
  frame->FireCommand(cmd::kClearRecent);
  EXPECT_TRUE(RecentEntries(*frame).empty());
  EXPECT_FALSE(Enabled(cmd::kClearRecent));
}

TEST_F(FrameCommandsTest, MissingSoundDeviceIsSaidOnceAndTheSoundControlsSayWhy) {
  doc->NoteSoundDeviceMissing();
  EXPECT_EQ(frame->statusBar()->currentMessage(), UiString(str::kSoundDeviceMissingStatus));
  frame->statusBar()->clearMessage();
  doc->NoteSoundDeviceMissing();
  EXPECT_TRUE(frame->statusBar()->currentMessage().isEmpty());
  auto* panel = static_cast<CSelvoFormView*>(frame->PanelStrip());
  EXPECT_FALSE(panel->Control(CSelvoFormView::kVolumeSlider)->isEnabled());
  EXPECT_EQ(panel->Control(CSelvoFormView::kVolumeSlider)->toolTip(), UiString(str::kSoundUnavailableTip));
}

// The man page and the README name every key the menus have.
TEST(KeyDocumentation, ManPageAndReadmeListEveryKey) {
  const auto read = [](const char* name) {
    std::ifstream file(std::string(SELVO_SOURCE_DIR) + "/" + name);
    std::stringstream text;
    text << file.rdbuf();
    // troff's escapes: fonts go, "\-" is a minus.
    return QString::fromStdString(text.str()).remove(QRegularExpression(QStringLiteral(R"(\\f[BIRP])"))).remove('\\');
  };
  const QString man = read("docs/man/selvo-viewer.1");
  const QString readme = read("README.md");
  const QString manKeys = man.mid(man.indexOf(QLatin1String(".SH KEYS")));
  ASSERT_GT(manKeys.size(), 200);
  const QString readmeKeys = readme.mid(readme.indexOf(QLatin1String("## Keyboard")), 6000);
  for (const FrameCommand& row : CMainFrame::Commands()) {
    for (const QKeySequence& key : row.keys) {
      const QString text = key.toString(QKeySequence::PortableText);
      EXPECT_TRUE(manKeys.contains(text)) << "man page lacks " << text.toStdString();
      EXPECT_TRUE(readmeKeys.contains(text)) << "README lacks " << text.toStdString();
    }
  }
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
  // Nothing in the menus that is not a row, but the recent recordings.
  for (QAction* item : items) {
    if (item->menu() != nullptr || IsRecentEntry(item)) continue;
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
                              cmd::kVerificationSummary, cmd::kAddBookmark, cmd::kCaseFile, cmd::kFindMotion,
                              cmd::kGoTo,   cmd::kKeyboardShortcuts};
  const std::vector<QAction*> items = MenuItems(frame->menuBar());
  ASSERT_GT(items.size(), 20u);
  for (QAction* item : items) {
    const QString text = item->text();
    SCOPED_TRACE(text.toStdString());
    if (IsRecentEntry(item)) continue;  // a path, not a text of ours
    EXPECT_EQ(text.count(QLatin1Char('&')), 1);
    EXPECT_TRUE((japanese ? japaneseStyle : english).match(text).hasMatch());
    const bool opensDialog = item->data().isValid() && dialogs.count(item->data().toInt()) != 0;
    EXPECT_EQ(text.endsWith(QLatin1String("...")), opensDialog);
  }
}

// Alt and a letter must reach one item: within each menu, the menu bar
// included, no two items share a mnemonic.
TEST_P(MenuLanguageTest, MnemonicsAreUniqueWithinEachMenu) {
  std::vector<QWidget*> menus{frame->menuBar()};
  for (QAction* item : MenuItems(frame->menuBar()))
    if (item->menu() != nullptr) menus.push_back(item->menu());
  ASSERT_GE(menus.size(), 7u);
  for (QWidget* menu : menus) {
    std::map<QChar, QString> taken;
    for (QAction* item : menu->actions()) {
      if (item->isSeparator() || IsRecentEntry(item)) continue;
      const QString text = item->text();
      const int at = text.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
      ASSERT_GE(at, 0) << text.toStdString();
      const QChar letter = text.at(at + 1).toUpper();
      const auto [where, fresh] = taken.emplace(letter, text);
      EXPECT_TRUE(fresh) << text.toStdString() << " and " << where->second.toStdString() << " share "
                         << QString(letter).toStdString();
    }
  }
}

// The list is built from the table: every key of every row is in it, in the
// words the menus show, and so is the mouse.
TEST_P(MenuLanguageTest, KeyboardShortcutsWindowListsEveryKey) {
  frame->FireCommand(cmd::kKeyboardShortcuts);
  auto* dialog = frame->findChild<KeyboardShortcutsDialog*>("keyboardShortcutsDialog");
  ASSERT_NE(dialog, nullptr);
  const QTableWidget* table = dialog->Table();
  std::set<QString> listed;
  std::set<QString> actions;
  for (int row = 0; row < table->rowCount(); ++row) {
    for (const QString& key : table->item(row, 0)->text().split(QStringLiteral(", "))) listed.insert(key);
    actions.insert(table->item(row, 1)->text());
  }
  int keys = 0;
  for (const FrameCommand& row : CMainFrame::Commands()) {
    for (const QKeySequence& key : row.keys) {
      ++keys;
      EXPECT_EQ(listed.count(key.toString(QKeySequence::NativeText)), 1u) << key.toString().toStdString();
    }
  }
  EXPECT_GT(keys, 25);
  const bool japanese = GetParam() == UiLanguage::Japanese;
  EXPECT_EQ(actions.count(japanese ? QStringLiteral("再生/停止") : QStringLiteral("Play/Stop")), 1u);
  EXPECT_EQ(listed.count(japanese ? QStringLiteral("マウス ホイール") : QStringLiteral("Mouse wheel")), 1u);
  for (const QString& action : actions) EXPECT_FALSE(action.contains(QLatin1Char('&'))) << action.toStdString();
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
