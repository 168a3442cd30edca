#include <gtest/gtest.h>

#include <QSettings>
#include <QString>
#include <QVariant>

#include <filesystem>
#include <string>

#include "source/settings/AppSettings.h"
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

}  // namespace
}  // namespace selvo
