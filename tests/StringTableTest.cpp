#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "source/text/StringTable.h"
#include "source/text/UiLanguage.h"

namespace selvo {
namespace {

constexpr UiLanguage kEn = UiLanguage::English;
constexpr UiLanguage kJa = UiLanguage::Japanese;

TEST(LoadString, ReadsTheTableOfTheLanguage) {
  struct Case {
    int id;
    UiLanguage language;
    const char* expected;
  } cases[] = {
      {50005, kEn, "Not found setting file"},
      {50005, kJa, "設定ファイルがありません。"},
      {50000, kEn, "Arial"},
      {50001, kJa, "ＭＳ ゴシック"},
      {50003, kEn, "Error happened when reading the Tag Area !\nSome of the images cannot be displayed !"},
      {1066, kEn, "time of current image "},
      {64448, kJa, "%s はコピーできませんでした"},
      {64471, kEn, "Kivex"},
      {64471, kJa, ""},
      {64474, kJa, ""},
      {64473, kJa, "Pendra Viewer"},
      {12345, kEn, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LoadString(c.id, c.language), c.expected)
        << c.id << (c.language == kJa ? " Japanese" : " English");
  }
  EXPECT_FALSE(HasString(64471, kJa));
  EXPECT_TRUE(HasString(64470, kJa));
}

TEST(LoadString, FollowsTheCurrentUiLanguage) {
  SetUiLanguage(kJa);
  EXPECT_EQ(LoadString(64451), "名前をつけて保存");
  SetUiLanguage(kEn);
  EXPECT_EQ(LoadString(64451), "SAVE AS");
}

std::set<int> IdsInResource(const char* path) {
  QFile file(QString::fromLatin1(path));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
  std::set<int> ids;
  for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
    bool ok = false;
    int id = line.section('\t', 0, 0).toInt(&ok);
    if (ok && line.contains('\t')) ids.insert(id);
  }
  return ids;
}

TEST(LoadString, JapaneseTableTranslatesEveryRowButTheTwoCompanies) {
  LoadString(1, kEn);  // registers the resources
  std::set<int> english = IdsInResource(":/strings/strings_en.tsv");
  std::set<int> japanese = IdsInResource(":/strings/strings_ja.tsv");
  english.erase(64471);
  english.erase(64474);
  EXPECT_EQ(japanese, english);
}

// Sets the locale variables for one case and restores them afterwards.
class LocaleEnvironment {
 public:
  static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"};

  LocaleEnvironment() {
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
  }
  ~LocaleEnvironment() {
    for (std::size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i]) setenv(kNames[i], saved_[i]->c_str(), 1);
      else unsetenv(kNames[i]);
    }
  }
  void Set(const char* name, const char* value) {
    if (value) setenv(name, value, 1);
  }

 private:
  std::vector<std::optional<std::string>> saved_;
};

TEST(DetectUiLanguage, ReadsTheMessagesLocaleLikeTheCLibrary) {
  struct Case {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    const char* language;
    UiLanguage expected;
  } cases[] = {
      {nullptr, nullptr, "ja_JP.UTF-8", nullptr, kJa},
      {nullptr, nullptr, nullptr, nullptr, kEn},
      {"C", nullptr, "ja_JP.UTF-8", "ja", kEn},             // LANGUAGE never overrides C
      {nullptr, nullptr, "POSIX", "ja", kEn},
      {nullptr, nullptr, nullptr, "ja", kEn},               // nor an unset locale
      {nullptr, nullptr, "en_US.UTF-8", "ja", kJa},
      {nullptr, nullptr, "en_US.UTF-8", ":ja:en", kJa},     // empty list items are skipped
      {nullptr, nullptr, "ja_JP.UTF-8", "en_US:ja", kEn},
      {nullptr, "ja_JP.UTF-8", "en_US.UTF-8", nullptr, kJa},
      {"en_US.UTF-8", "ja_JP.UTF-8", nullptr, nullptr, kEn},
      {"", nullptr, "ja_JP.UTF-8", nullptr, kJa},           // empty counts as unset
  };
  for (const Case& c : cases) {
    LocaleEnvironment environment;
    environment.Set("LC_ALL", c.lcAll);
    environment.Set("LC_MESSAGES", c.lcMessages);
    environment.Set("LANG", c.lang);
    environment.Set("LANGUAGE", c.language);
    EXPECT_EQ(DetectUiLanguage(), c.expected)
        << "LC_ALL=" << (c.lcAll ? c.lcAll : "-") << " LC_MESSAGES=" << (c.lcMessages ? c.lcMessages : "-")
        << " LANG=" << (c.lang ? c.lang : "-") << " LANGUAGE=" << (c.language ? c.language : "-");
  }
}

}  // namespace
}  // namespace selvo
