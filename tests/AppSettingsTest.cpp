#include <gtest/gtest.h>

#include <QSettings>
#include <QString>
#include <QVariant>

#include <filesystem>
#include <string>

#include "source/settings/AppSettings.h"
#include "source/settings/RecentRecordings.h"
#include "source/settings/ViewerProfile.h"
#include "source/text/UiLanguage.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

// Points the user settings at a scratch folder and restores the language.
class AppSettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(folder_.Path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(folder_.Path()));
    SetUiLanguage(UiLanguage::English);
  }
  void TearDown() override { SetUiLanguage(UiLanguage::English); }

  // Replaces what the store of a variant holds with one raw value.
  void StoreOnly(int variant, const QString& name, const QVariant& value) {
    std::unique_ptr<QSettings> store = OpenSettingsStore(SettingsKeyFor(variant));
    store->clear();
    store->setValue("Settings/" + name, value);
  }

  bool Exists(const std::string& name) const { return std::filesystem::exists(folder_ / name); }

  test::TestFolder folder_;
};

TEST_F(AppSettingsTest, SavedSettingsLoadBack) {
  // Geometry bytes hold NULs and bytes above 0x7F; none may be lost.
  // The case file's path is kept whole, however long: it is no field of the original.
  DisplaySettings saved{2, 1, 3, "/media/rec 1", "/home/ユーザー/保存", std::string("\x01\xd9\0\xff@", 5), 1,
                        "/cases/" + std::string(300, 'c') + "/事件 1.sqlite"};
  ASSERT_TRUE(SaveSettings(0, saved));
  DisplaySettings loaded;
  LoadSettings(0, loaded);
  EXPECT_EQ(loaded.dateFormat, 2);
  EXPECT_EQ(loaded.dateDelimiter, 1);
  EXPECT_EQ(loaded.timePosition, 3);
  EXPECT_EQ(loaded.lastOpenFolder, saved.lastOpenFolder);
  EXPECT_EQ(loaded.lastSaveFolder, saved.lastSaveFolder);
  EXPECT_EQ(loaded.windowGeometry, saved.windowGeometry);
  EXPECT_EQ(loaded.verificationMarks, 1);
  EXPECT_EQ(loaded.caseFile, saved.caseFile);
}

TEST_F(AppSettingsTest, InvalidStoredValuesKeepTheField) {
  const QString path259(259, QChar('a'));
  const QString path260(260, QChar('a'));
  struct Case {
    const char* name;
    QVariant stored;
    int DisplaySettings::*intField;
    int expectedInt;
    std::string DisplaySettings::*textField;
    std::string expectedText;
  } cases[] = {
      {"DateFormat", 3, &DisplaySettings::dateFormat, 0, nullptr, ""},
      {"DateFormat", 2, &DisplaySettings::dateFormat, 2, nullptr, ""},
      {"DateFormat", "two", &DisplaySettings::dateFormat, 0, nullptr, ""},
      {"DateDelimiter", -1, &DisplaySettings::dateDelimiter, 0, nullptr, ""},
      {"DateDispPos", 3, &DisplaySettings::timePosition, 3, nullptr, ""},
      {"DateDispPos", 4, &DisplaySettings::timePosition, 0, nullptr, ""},
      {"DateDispPos", QString("4294967298"), &DisplaySettings::timePosition, 0, nullptr, ""},
      {"VerificationMarks", 2, &DisplaySettings::verificationMarks, 0, nullptr, ""},
      {"ForderDir", path260, nullptr, 0, &DisplaySettings::lastOpenFolder, ""},
      {"ForderDir", path259, nullptr, 0, &DisplaySettings::lastOpenFolder, path259.toStdString()},
      {"SaveForder", QString(260, QChar(u'日')), nullptr, 0, &DisplaySettings::lastSaveFolder, ""},
  };
  for (const Case& c : cases) {
    StoreOnly(0, c.name, c.stored);
    DisplaySettings loaded;
    LoadSettings(0, loaded);
    std::string what = std::string(c.name) + " = " + c.stored.toString().left(20).toStdString();
    if (c.intField) {
      EXPECT_EQ(loaded.*c.intField, c.expectedInt) << what;
    } else {
      EXPECT_EQ(loaded.*c.textField, c.expectedText) << what;
    }
  }
}

TEST_F(AppSettingsTest, FolderMissingFromTheStoreIsEmptied) {
  StoreOnly(0, "DateFormat", 1);
  DisplaySettings loaded;
  loaded.lastOpenFolder = "/stale";
  loaded.lastSaveFolder = "/stale";
  LoadSettings(0, loaded);
  EXPECT_EQ(loaded.lastOpenFolder, "");
  EXPECT_EQ(loaded.lastSaveFolder, "");
}

TEST_F(AppSettingsTest, KeyComesFromTheVariantInTheUiLanguage) {
  struct Case {
    int variant;
    UiLanguage language;
    const char* organization;
    const char* application;
  } cases[] = {
      {0, UiLanguage::English, "Telmar", "SelvoViewer2"},
      {1, UiLanguage::English, "Kivex", "Pendra Viewer"},
      {2, UiLanguage::English, "Brelt", "SelvoViewer2"},
      {0, UiLanguage::Japanese, "Telmar", "SelvoViewer2"},
      {1, UiLanguage::Japanese, "", "Pendra Viewer"},
      {2, UiLanguage::Japanese, "", "SelvoViewer2"},
  };
  for (const Case& c : cases) {
    SettingsKey key = SettingsKeyFor(c.variant, c.language);
    EXPECT_EQ(key.organization, c.organization) << c.variant;
    EXPECT_EQ(key.application, c.application) << c.variant;
  }
}

TEST_F(AppSettingsTest, EmptyCompanyPartStillPersistsUnderItsOwnKey) {
  SetUiLanguage(UiLanguage::Japanese);
  ASSERT_TRUE(SaveSettings(1, DisplaySettings{1, 2, 2, "/rec", "", ""}));
  EXPECT_TRUE(Exists("Pendra Viewer.conf"));
  EXPECT_FALSE(Exists("Unknown Organization"));

  DisplaySettings loaded;
  LoadSettings(1, loaded);
  EXPECT_EQ(loaded.dateFormat, 1);
  EXPECT_EQ(loaded.lastOpenFolder, "/rec");

  SetUiLanguage(UiLanguage::English);  // the company part is back: another key
  DisplaySettings english;
  LoadSettings(1, english);
  EXPECT_EQ(english.dateFormat, 0);
  EXPECT_EQ(english.lastOpenFolder, "");
}

// The list keeps the newest first, each recording once, at most eight, and
// reads back what it wrote; damaged entries in the store are passed over.
TEST_F(AppSettingsTest, RecentRecordingsKeepTheNewestEightOnce) {
  using Kind = RecentRecording::Kind;
  std::unique_ptr<QSettings> store = OpenSettingsStore(SettingsKeyFor(0));
  RecentRecordings recent(*store);
  for (int i = 1; i <= 10; ++i) recent.Add({Kind::Folder, "/rec/" + std::to_string(i)});
  recent.Add({Kind::Disc, "/rec/9"});    // a disc image is not the folder of that name
  recent.Add({Kind::Folder, "/rec/5"});  // listed again: moves to the top
  recent.Add({Kind::Folder, ""});
  const std::vector<RecentRecording> expected{{Kind::Folder, "/rec/5"}, {Kind::Disc, "/rec/9"},
                                              {Kind::Folder, "/rec/10"}, {Kind::Folder, "/rec/9"},
                                              {Kind::Folder, "/rec/8"},  {Kind::Folder, "/rec/7"},
                                              {Kind::Folder, "/rec/6"},  {Kind::Folder, "/rec/4"}};
  EXPECT_EQ(recent.Entries(), expected);
  EXPECT_EQ(RecentRecordings(*store).Entries(), expected);

  recent.Remove({Kind::Folder, "/rec/10"});
  EXPECT_EQ(RecentRecordings(*store).Entries().size(), 7u);
  store->setValue("RecentRecordings/1/Kind", "tape");
  store->setValue("RecentRecordings/2/Path", "");
  EXPECT_EQ(RecentRecordings(*store).Entries().size(), 5u);
}

// What the viewer kept in its own INI file moves beside the variant's
// settings once: every value, nothing the new store already holds replaced,
// and not again after the user changed it.
TEST_F(AppSettingsTest, OldProfileIsTakenOverOnceWithoutLosingAValue) {
  ASSERT_TRUE(SaveSettings(0, DisplaySettings{2, 1, 3, "/media/rec", "/home/u/out", ""}));
  {
    QSettings old(QSettings::IniFormat, QSettings::UserScope, "selvo-viewer", "selvo-viewer");
    old.setValue("Print Title/1", "Gate 2, night of 7 March");
    old.setValue("Print Title/2", QString::fromUtf8("正門"));
    old.setValue("Examine/SmoothScaling", true);
    old.setValue("Examine/LockCamerasToTime", true);
    old.setValue("Case/Path", "/cases/a.sqlite");
    old.setValue("Settings/DateFormat", 0);  // never over the variant's own
  }
  ASSERT_TRUE(Exists("selvo-viewer/selvo-viewer.ini"));
  std::unique_ptr<QSettings> profile = OpenViewerProfile(0);
  EXPECT_EQ(profile->fileName(), OpenSettingsStore(SettingsKeyFor(0))->fileName());
  EXPECT_EQ(profile->value("Print Title/1").toString(), "Gate 2, night of 7 March");
  EXPECT_EQ(profile->value("Print Title/2").toString(), QString::fromUtf8("正門"));
  EXPECT_TRUE(profile->value("Examine/SmoothScaling").toBool());
  EXPECT_TRUE(profile->value("Examine/LockCamerasToTime").toBool());
  EXPECT_EQ(profile->value("Case/Path").toString(), "/cases/a.sqlite");
  DisplaySettings loaded;
  LoadSettings(0, loaded);
  EXPECT_EQ(loaded.dateFormat, 2);
  EXPECT_EQ(loaded.lastSaveFolder, "/home/u/out");

  profile->setValue("Print Title/1", "changed since");
  profile->remove("Examine/SmoothScaling");
  profile->sync();
  profile.reset();
  profile = OpenViewerProfile(0);
  EXPECT_EQ(profile->value("Print Title/1").toString(), "changed since");
  EXPECT_FALSE(profile->contains("Examine/SmoothScaling"));
  EXPECT_TRUE(Exists("selvo-viewer/selvo-viewer.ini")) << "the old file is read, never removed";
}

}  // namespace
}  // namespace selvo
