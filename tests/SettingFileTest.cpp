#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <vector>

#include "source/settings/SettingFile.h"
#include "tests/BoundedRun.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The three markers as the shipped setting files carry them.
const Bytes kMarker0 = {0x5E, 0x17, 0xC3, 0x2A, 0x91};
const Bytes kMarker1 = {0xB4, 0x09, 0x6D, 0xE2};
const Bytes kMarker2 = {0x3C, 0xA8, 0x51, 0x0F, 0x76};

Bytes Head(const Bytes& bytes, std::size_t count) { return Bytes(bytes.begin(), bytes.begin() + count); }
Bytes Plus(Bytes bytes, std::uint8_t extra) {
  bytes.push_back(extra);
  return bytes;
}

TEST(DetectVariant, ChoosesByFileMarkerAndLength) {
  const Bytes none;  // file absent
  struct Case {
    const char* what;
    Bytes viewer2;
    Bytes viewer;
    bool viewer2Present;
    bool viewerPresent;
    int expected;
  } cases[] = {
      {"variant 0 in Viewer2.ini", kMarker0, none, true, false, 0},
      {"variant 2 in Viewer2.ini", kMarker2, none, true, false, 2},
      {"variant 1 in Viewer.ini", none, kMarker1, false, true, 1},
      {"variant 2's first four bytes in Viewer.ini", none, Head(kMarker2, 4), false, true, 2},
      {"variant 0's marker belongs in Viewer2.ini only", none, Head(kMarker0, 4), false, true, kNoVariant},
      {"variant 1's marker belongs in Viewer.ini only", Plus(kMarker1, 0), none, true, false, kNoVariant},
      {"wrong Viewer2.ini hides a valid Viewer.ini", Plus(Head(kMarker0, 4), 0), kMarker1, true, true,
       kNoVariant},
      {"5-byte Viewer.ini, whatever it holds", none, kMarker2, false, true, kNoVariant},
      {"4-byte Viewer2.ini", Head(kMarker0, 4), none, true, false, kNoVariant},
      {"6-byte Viewer2.ini", Plus(kMarker0, 0), none, true, false, kNoVariant},
      {"empty Viewer2.ini", none, kMarker1, true, true, kNoVariant},
      {"no setting file", none, none, false, false, kNoVariant},
  };
  for (const Case& c : cases) {
    test::TestFolder folder;
    if (c.viewer2Present) folder.Write("Viewer2.ini", c.viewer2);
    if (c.viewerPresent) folder.Write("Viewer.ini", c.viewer);
    EXPECT_EQ(DetectVariant(folder.Path()), c.expected) << c.what;
  }
}

TEST(DetectVariant, UnreadableViewer2IniDoesNotFallBackToViewerIni) {
  test::TestFolder folder;
  folder.MakeDir("Viewer2.ini");
  folder.Write("Viewer.ini", kMarker1);
  EXPECT_EQ(DetectVariant(folder.Path()), kNoVariant);
}

TEST(DetectVariant, FifoViewer2IniIsUnreadableAndDoesNotBlockTheStart) {
  test::TestFolder folder;
  ASSERT_EQ(::mkfifo((folder / "Viewer2.ini").c_str(), 0600), 0);
  folder.Write("Viewer.ini", kMarker1);
  const test::BoundedOutcome outcome =
      test::RunBounded([&] { return DetectVariant(folder.Path()) == kNoVariant; }, std::chrono::seconds(1));
  EXPECT_TRUE(outcome.finished && outcome.passed);
}

TEST(DetectVariant, ShippedSettingFileSelectsVariant0) {
  std::filesystem::path res = std::filesystem::path(__FILE__).parent_path().parent_path() / "res";
  EXPECT_EQ(DetectVariant(res.string()), 0);
}

// An installed program started from a desktop entry or any other directory
// must find the setting file where it was installed.
TEST(FindVariant, InstalledProgramStartedFromElsewhereFindsItsSettingFile) {
  struct Case {
    const char* what;
    const char* settingFileAt;  // below the scratch folder; null: nowhere
    const Bytes* bytes;
    int expected;
  } cases[] = {
      {"in the current directory", "work/Viewer2.ini", &kMarker0, 0},
      {"beside the program", "prefix/bin/Viewer.ini", &kMarker1, 1},
      {"in the data folder beside the program", "prefix/share/selvo-viewer/Viewer2.ini", &kMarker2, 2},
      {"in a data folder of the system", "system/selvo-viewer/Viewer2.ini", &kMarker0, 0},
      {"nowhere", nullptr, nullptr, kNoVariant},
  };
  for (const Case& c : cases) {
    test::TestFolder folder;
    folder.MakeDir("work");
    folder.MakeDir("prefix/bin");
    folder.MakeDir("system/selvo-viewer");
    if (c.settingFileAt) folder.Write(c.settingFileAt, *c.bytes);
    const std::vector<std::string> directories =
        SettingFileDirectories(folder / "work", folder / "prefix/bin", {folder / "system/selvo-viewer"});
    EXPECT_EQ(FindVariant(directories), c.expected) << c.what;
  }
}

TEST(FindVariant, CurrentDirectoryChoosesBeforeTheInstalledFile) {
  test::TestFolder folder;
  folder.Write("work/Viewer.ini", kMarker1);
  folder.Write("prefix/share/selvo-viewer/Viewer2.ini", kMarker0);
  EXPECT_EQ(FindVariant(SettingFileDirectories(folder / "work", folder / "prefix/bin", {})), 1);

  // A damaged file where the user put it is reported, not silently replaced
  // by the installed variant.
  folder.Write("work/Viewer.ini", Plus(kMarker1, 0));
  EXPECT_EQ(FindVariant(SettingFileDirectories(folder / "work", folder / "prefix/bin", {})), kNoVariant);
}

TEST(SettingFileDirectories, OrderBesideFolderAndNoEmptyOrRepeatedEntries) {
  const std::vector<std::string> expected = {".", "/opt/sv/bin", "/opt/sv/share/selvo-viewer",
                                             "/usr/share/selvo-viewer"};
  EXPECT_EQ(SettingFileDirectories(".", "/opt/sv/bin", {"", "/usr/share/selvo-viewer", "."}), expected);
  EXPECT_EQ(SettingFileDirectories("", "", {}), std::vector<std::string>{});
}

}  // namespace
}  // namespace selvo
