// Every tool's command line, run as users run it: --option=value as well as
// --option value, "--" ending the options, --help and --version, and a usage
// error told in one line that names the tool's own --help.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/CommandRun.h"
#include "tests/TestFolder.h"

namespace selvo::test {
namespace {

namespace fs = std::filesystem;

const char* const kTools[] = {"selvo-check", "selvo-export", "selvo-motion", "selvo-case", "selvo-make-demo",
                              "selvo-check-report"};

// What a usage error writes to stderr, stdout left empty.
struct Told {
  int exitCode;
  std::string err;
  std::string out;
};

// Runs a tool once in folder, keeping stdout and stderr apart.
Told RunTool(const std::string& arguments, const std::string& tool, const TestFolder& folder) {
  const std::string errFile = folder / ".stderr";
  const CommandRun run =
      RunCommand("{ cd '" + folder.Path() + "' && " + Tool(tool.c_str()) + " " + arguments + " 2>.stderr; }");
  const std::vector<std::uint8_t> err = ReadFileBytes(errFile);
  fs::remove(errFile);
  return {run.exitCode, std::string(err.begin(), err.end()), run.out};
}

// selvo-check-report speaks as selvo-check: users only ever meet it as that.
std::string Voice(const std::string& tool) { return tool == "selvo-check-report" ? "selvo-check" : tool; }

TEST(ToolCommandLines, UsageErrorsAreOneLineAndPointToTheToolsHelp) {
  TestFolder scratch;
  for (const std::string tool : kTools) {
    const std::string voice = Voice(tool);
    const std::string tryHelp = "Try '" + voice + " --help' for more information.\n";
    const struct {
      std::string arguments;
      std::string firstLine;
    } cases[] = {
        {"--no-such-option", "unknown option --no-such-option"},
        {"--no-such-option=3 x", "unknown option --no-such-option=3"},
        {"-q", "unknown option -q"},
        {"--help=yes", "--help takes no value"},
        {"--version=2", "--version takes no value"},
    };
    for (const auto& c : cases) {
      const Told told = RunTool(c.arguments, tool, scratch);
      EXPECT_EQ(told.exitCode, 2) << tool << " " << c.arguments;
      EXPECT_EQ(told.err, voice + ": " + c.firstLine + "\n" + tryHelp) << tool << " " << c.arguments;
      EXPECT_EQ(told.out, "") << tool << " " << c.arguments;
    }
  }
}

TEST(ToolCommandLines, HelpAndVersionAnswerOnStandardOutput) {
  TestFolder scratch;
  for (const std::string tool : kTools) {
    const Told version = RunTool("--version", tool, scratch);
    EXPECT_EQ(version.exitCode, 0) << tool;
    EXPECT_TRUE(std::regex_match(version.out, std::regex(Voice(tool) + " [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << version.out;
    EXPECT_EQ(version.err, "") << tool;
    for (const char* help : {"--help", "-h"}) {
      const Told told = RunTool(help, tool, scratch);
      EXPECT_EQ(told.exitCode, 0) << tool;
      EXPECT_EQ(told.out.rfind("Usage: " + Voice(tool), 0), 0u) << tool << ": " << told.out;
      EXPECT_NE(told.out.find("--version"), std::string::npos) << tool;
    }
  }
}

// Each option that takes a value, spelled both ways, with a value that only
// a parsed option can be refused for: the refusal names the value. Nothing
// is written.
TEST(ToolCommandLines, EveryValueIsTakenWithOrWithoutAnEqualsSign) {
  const struct {
    const char* tool;
    std::string option;
    std::string told;
  } cases[] = {
      {"selvo-check", "--camera", "--camera needs a number from 1 to 16, not 0"},
      {"selvo-export", "--camera", "--camera needs a number from 1 to 16, not 0"},
      {"selvo-motion", "--camera", "--camera needs a number from 1 to 16, not 0"},
      {"selvo-motion", "--sensitivity", "--sensitivity needs a number from 1 to 10, not 0"},
      {"selvo-motion", "--area", "--area needs X,Y,W,H in pixels, W and H at least 1, not 0"},
      {"selvo-export", "--range", "bad --range: 0"},
      {"selvo-make-demo", "--cameras", "--cameras needs a number from 1 to 16"},
      {"selvo-make-demo", "--frames", "--frames needs a number from 1 to 10000000"},
  };
  TestFolder scratch;
  for (const auto& c : cases) {
    for (const std::string& spelled : {c.option + " 0", c.option + "=0"}) {
      const Told told = RunTool(spelled + " x", c.tool, scratch);
      EXPECT_EQ(told.exitCode, 2) << c.tool << " " << spelled;
      EXPECT_EQ(told.err.rfind(std::string(c.tool) + ": " + c.told + "\n", 0), 0u) << c.tool << " " << spelled
                                                                                   << ": " << told.err;
    }
    const Told missing = RunTool("x " + c.option, c.tool, scratch);
    EXPECT_EQ(missing.exitCode, 2) << c.tool;
    EXPECT_EQ(missing.err.rfind(std::string(c.tool) + ": missing value after " + c.option + "\n", 0), 0u)
        << missing.err;
  }
  EXPECT_TRUE(fs::is_empty(scratch.Path()));
}

class ToolCommandLinesOnADemo : public ::testing::Test {
 protected:
  void SetUp() override {
    const CommandRun made = RunCommand("cd '" + scratch_.Path() + "' && " + Tool("selvo-make-demo") +
                                       " --frames=12 --cameras=2 --no-sound demo");
    ASSERT_EQ(made.exitCode, 0) << made.out;
    demo_ = scratch_ / "demo";
    made_ = made.out;
  }

  CommandRun In(const std::string& command) const { return RunCommand("cd '" + scratch_.Path() + "' && " + command); }

  TestFolder scratch_;
  std::string demo_;
  std::string made_;
};

TEST_F(ToolCommandLinesOnADemo, ValuesGivenWithAnEqualsSignAreUsed) {
  EXPECT_NE(made_.find("wrote 12 JPEG images from 2 cameras"), std::string::npos) << made_;

  const CommandRun check = In(Tool("selvo-check") + " --csv --camera=2 --manifest=list.sha256 demo");
  EXPECT_EQ(check.exitCode, 1) << check.out;  // the demo's altered images
  EXPECT_EQ(std::count(check.out.begin(), check.out.end(), '\n'), 1 + 6) << check.out;
  EXPECT_EQ(check.out.find("IMG00000001.jpg"), std::string::npos) << "camera 1 listed: " << check.out;
  EXPECT_NE(check.out.find("IMG00000012.jpg"), std::string::npos) << check.out;
  EXPECT_TRUE(fs::exists(scratch_ / "list.sha256"));

  const CommandRun motion = In(Tool("selvo-motion") + " --camera=1 --area=0,0,64,64 --sensitivity=3 --range=1-4 --json demo");
  EXPECT_EQ(motion.exitCode, 0) << motion.out;
  EXPECT_NE(motion.out.find("\"range\": \"1-4\""), std::string::npos) << motion.out;

  const CommandRun exported = In(Tool("selvo-export") + " --camera=2 --range=1-3 demo out.mkv 2>&1");
  EXPECT_EQ(exported.exitCode, 0) << exported.out;
  EXPECT_TRUE(fs::exists(scratch_ / "out.mkv"));

  const CommandRun listed = In(Tool("selvo-case") + " --case=no-case.sqlite verify 2>&1");
  EXPECT_EQ(listed.exitCode, 2);
  EXPECT_NE(listed.out.find("no-case.sqlite"), std::string::npos) << listed.out;

  const CommandRun disc = In(Tool("selvo-make-demo") + " --disc=demo.disc --frames=8 --cameras=2");
  EXPECT_EQ(disc.exitCode, 0) << disc.out;
  EXPECT_NE(disc.out.find("wrote a disc image of 8 records"), std::string::npos) << disc.out;
  const CommandRun read = In(Tool("selvo-check") + " --quiet --disc=demo.disc");
  EXPECT_EQ(read.exitCode, 0) << read.out;
}

// After "--", a name that starts with a dash is a name: a folder called
// "--json" is checked, not taken for the option.
TEST_F(ToolCommandLinesOnADemo, DoubleDashEndsTheOptions) {
  const CommandRun made = In(Tool("selvo-make-demo") + " --frames 4 --cameras 1 --no-alter --no-sound -- --json");
  ASSERT_EQ(made.exitCode, 0) << made.out;
  ASSERT_TRUE(fs::is_directory(scratch_ / "--json"));
  const CommandRun check = In(Tool("selvo-check") + " --csv -- --json");
  EXPECT_EQ(check.exitCode, 0) << check.out;
  EXPECT_EQ(check.out.rfind("number,", 0), 0u) << check.out;
  const CommandRun motion = In(Tool("selvo-motion") + " --area 0,0,8,8 -- --json");
  EXPECT_EQ(motion.exitCode, 0) << motion.out;
  EXPECT_EQ(motion.out.find('{'), std::string::npos) << "took --json as the option: " << motion.out;
  const CommandRun exported = In(Tool("selvo-export") + " -- --json --out.mkv");
  EXPECT_EQ(exported.exitCode, 0) << exported.out;
  EXPECT_TRUE(fs::exists(scratch_ / "--out.mkv"));
  const CommandRun listed = In(Tool("selvo-case") + " --case=c.sqlite -- log --json 2>&1");
  EXPECT_EQ(listed.exitCode, 2) << listed.out;  // --json is the FOLDER of log, not the format
  EXPECT_EQ(listed.out.find("exclude"), std::string::npos) << listed.out;
}

TEST_F(ToolCommandLinesOnADemo, AlteredFramesAreListedInFileOrder) {
  const std::size_t heading = made_.find("altered frames (numbers from 1, in file order):");
  ASSERT_NE(heading, std::string::npos) << made_;
  std::vector<int> numbers;
  const std::regex frame("frame ([0-9]+):");
  for (auto it = std::sregex_iterator(made_.begin() + static_cast<long>(heading), made_.end(), frame);
       it != std::sregex_iterator(); ++it) {
    numbers.push_back(std::atoi((*it)[1].str().c_str()));
  }
  ASSERT_EQ(numbers.size(), 4u) << made_;
  EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end())) << made_;
}

TEST(ToolCommandLines, TheDemoToolKeepsItsTwoFormsApart) {
  TestFolder scratch;
  const struct {
    std::string arguments;
    std::string told;
  } cases[] = {
      {"--disc " + (scratch / "d") + " --jp2", "the disc form does not take --jp2"},
      {"--disc " + (scratch / "d") + " " + (scratch / "out"), "the disc form does not take OUT"},
      {"--disc " + (scratch / "d") + " --frames 51264", "--frames needs a number from 1 to 51263"},
      {"--damaged " + (scratch / "out"), "--damaged goes with --disc FILE"},
      {"--short-by=3 " + (scratch / "out"), "--short-by goes with --disc FILE"},
      {"", "no OUT folder given"},
  };
  for (const auto& c : cases) {
    const Told told = RunTool(c.arguments, "selvo-make-demo", scratch);
    EXPECT_EQ(told.exitCode, 2) << c.arguments;
    EXPECT_EQ(told.err.rfind("selvo-make-demo: " + c.told, 0), 0u) << c.arguments << ": " << told.err;
  }
  EXPECT_TRUE(fs::is_empty(scratch.Path()));
}

}  // namespace
}  // namespace selvo::test
