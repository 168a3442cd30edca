#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "source/settings/CommandLineSwitches.h"

namespace selvo {
namespace {

TEST(ViewerCommandLineInfo, SeparatesSwitchesFromPaths) {
  struct Case {
    std::vector<std::string> params;
    bool check;
    bool log;
    const char* openPath;
    const char* discPath;
  } cases[] = {
      {{"/check"}, true, false, "", ""},
      {{"-LOG"}, false, true, "", ""},
      {{"--log", "/Check"}, true, true, "", ""},
      {{"/home/x/rec"}, false, false, "/home/x/rec", ""},
      {{"/log/rec"}, false, false, "/log/rec", ""},
      {{"rec", "/other", "--check"}, true, false, "rec", ""},
      {{"-x", "/unknown", "--fast", "/y/z"}, false, false, "/unknown", ""},
      {{"--disc", "/dev/sr0", "/rec"}, false, false, "/rec", "/dev/sr0"},
      {{"--disc=/tmp/disc.img"}, false, false, "", "/tmp/disc.img"},
      {{"--disc"}, false, false, "", ""},
      {{"--", "-check", "--log"}, false, false, "-check", ""},
      {{"", "rec"}, false, false, "rec", ""},
  };
  for (const Case& c : cases) {
    ViewerCommandLineInfo info;
    info.Parse(c.params);
    std::string shown = testing::PrintToString(c.params);
    EXPECT_EQ(info.checkMode, c.check) << shown;
    EXPECT_EQ(info.logMode, c.log) << shown;
    EXPECT_EQ(info.openPath, c.openPath) << shown;
    EXPECT_EQ(info.discPath, c.discPath) << shown;
  }
}

// The case file's name is the switch's own: never taken for the folder.
TEST(ViewerCommandLineInfo, TakesTheCaseFileFromItsSwitch) {
  ViewerCommandLineInfo spaced;
  spaced.Parse({"--case", "/tmp/c.sqlite", "/rec"});
  EXPECT_EQ(spaced.casePath, "/tmp/c.sqlite");
  EXPECT_EQ(spaced.openPath, "/rec");
  ViewerCommandLineInfo joined;
  joined.Parse({"/rec", "--case=/tmp/Case.sqlite"});
  EXPECT_EQ(joined.casePath, "/tmp/Case.sqlite");
  ViewerCommandLineInfo bare;
  bare.Parse({"--case"});
  EXPECT_EQ(bare.casePath, "");
}

TEST(ViewerCommandLineInfo, RecognisesHelpAndVersion) {
  ViewerCommandLineInfo help;
  help.Parse({"--HELP"});
  EXPECT_TRUE(help.wantsHelp);
  EXPECT_FALSE(help.wantsVersion);
  ViewerCommandLineInfo version;
  version.Parse({"--version"});
  EXPECT_TRUE(version.wantsVersion);
  EXPECT_FALSE(version.wantsHelp);
}

TEST(ViewerCommandLineInfo, ProgramNameIsNotTheRecordingFolder) {
  const char* argv[] = {"/usr/bin/selvo-viewer", "/check"};
  ViewerCommandLineInfo info;
  info.Parse(2, argv);
  EXPECT_TRUE(info.checkMode);
  EXPECT_EQ(info.openPath, "");
}

}  // namespace
}  // namespace selvo
