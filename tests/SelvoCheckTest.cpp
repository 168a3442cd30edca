// selvo-check run as users run it, over recordings made by selvo-make-demo.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/TestFolder.h"

namespace selvo::test {
namespace {

struct CommandRun {
  int exitCode = -1;
  std::string out;
};

CommandRun RunCommand(const std::string& command) {
  CommandRun run;
  const bool keepsStderr = command.find("2>&1") != std::string::npos;
  std::FILE* pipe = popen((keepsStderr ? command : command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;  // a crash is never a verdict
  return run;
}

std::string Tool(const char* name) { return std::string(SELVO_BINARY_DIR) + "/" + name; }

// Status column of every CSV line that is not 0.
std::vector<std::string> NonZeroStatuses(const std::string& csv) {
  std::vector<std::string> statuses;
  std::istringstream lines(csv);
  std::string line;
  std::getline(lines, line);  // header
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string number, channel, status;
    std::getline(fields, number, ',');
    std::getline(fields, channel, ',');
    std::getline(fields, status, ',');
    if (status != "0") statuses.push_back(status);
  }
  return statuses;
}

TEST(SelvoCheck, ReportsTheDemosAlteredFramesAndNothingElse) {
  TestFolder scratch;
  const std::string demo = scratch / "demo";
  ASSERT_EQ(RunCommand(Tool("selvo-make-demo") + " " + demo + " --frames 40 --cameras 2").exitCode, 0);
  const CommandRun check = RunCommand(Tool("selvo-check") + " --csv --decode " + demo);
  EXPECT_EQ(check.exitCode, 1);
  EXPECT_EQ(check.out.rfind("number,channel,status,time,stamp,decoded,path\n", 0), 0u);
  EXPECT_EQ(NonZeroStatuses(check.out), (std::vector<std::string>{"1", "2", "7"}));
}

TEST(SelvoCheck, AnUntouchedDemoPasses) {
  TestFolder scratch;
  const std::string demo = scratch / "demo";
  ASSERT_EQ(RunCommand(Tool("selvo-make-demo") + " " + demo + " --frames 12 --no-alter").exitCode, 0);
  const CommandRun check = RunCommand(Tool("selvo-check") + " --quiet " + demo);
  EXPECT_EQ(check.exitCode, 0) << check.out;
  EXPECT_NE(check.out.find("12 images: 12 ok"), std::string::npos) << check.out;
}

TEST(SelvoCheck, DamagedInputGivesAVerdictNotACrash) {
  TestFolder scratch;
  scratch.Write("rec/empty.jpg", std::string());
  scratch.Write("rec/garbage.jpg", std::string("\xFF\xD8\xFF\xDB not really", 16));
  scratch.MakeDir("rec/x.jpg");
  const CommandRun check = RunCommand(Tool("selvo-check") + " --csv --decode " + (scratch / "rec"));
  EXPECT_EQ(check.exitCode, 1) << check.out;
  EXPECT_EQ(NonZeroStatuses(check.out), (std::vector<std::string>{"-1", "-1"}));
}

TEST(SelvoCheck, ExtractsADamagedDiscAndReportsTheRecordsItCouldNotRead) {
  TestFolder scratch;
  const std::string image = scratch / "disc.img";
  ASSERT_EQ(RunCommand(Tool("selvo-make-demo") + " --disc " + image + " --frames 20 --damaged").exitCode, 0);
  const CommandRun listing = RunCommand(Tool("selvo-check") + " --disc " + image + " --quiet");
  EXPECT_EQ(listing.exitCode, 1);
  EXPECT_NE(listing.out.find("20 images: 17 ok"), std::string::npos) << listing.out;

  const std::string out = scratch.MakeDir("out");
  const CommandRun extract =
      RunCommand(Tool("selvo-check") + " --disc " + image + " --extract " + out + " --range 5-7 --prefix cam 2>&1");
  EXPECT_EQ(extract.exitCode, 1);
  // Record 6 is damaged: its name is reported, its neighbours are copied.
  EXPECT_NE(extract.out.find("cam001.jpg were not copied"), std::string::npos) << extract.out;
  EXPECT_NE(extract.out.find("Disk read error occurred at number 6"), std::string::npos) << extract.out;
  EXPECT_FALSE(ReadFileBytes(out + "/cam000.jpg").empty());
  EXPECT_TRUE(ReadFileBytes(out + "/cam001.jpg").empty());
  EXPECT_FALSE(ReadFileBytes(out + "/cam002.jpg").empty());
}

TEST(SelvoCheck, UnreadablePathsAndUsageErrorsExitWithTwo) {
  TestFolder scratch;
  scratch.MakeDir("no-images");
  const struct {
    std::string args;
  } cases[] = {{scratch / "missing"}, {scratch / "no-images"}, {"--no-such-option " + scratch.Path()}, {""}};
  for (const auto& c : cases) {
    EXPECT_EQ(RunCommand(Tool("selvo-check") + " " + c.args).exitCode, 2) << c.args;
  }
}

}  // namespace
}  // namespace selvo::test
