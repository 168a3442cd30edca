// What the tools leave behind when the disk fills, a signal arrives or an
// output is badly placed, run as users run them: an earlier good manifest or
// report survives, no temporary is left, the cause is named, the exit
// status is 2, and the evidence is never touched.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "tests/CommandRun.h"
#include "tests/TestFolder.h"
#include "tools/recwriter/RecordingWriter.h"

namespace selvo::test {
namespace {

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string Text(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> Temporaries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.rfind(".selvo-", 0) == 0) names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

// Enough images that the JSON listing outgrows a pipe's buffer, so a run
// whose reader stops stays alive until a signal ends it.
std::string MakeRecording(const TestFolder& folder, std::uint32_t frames) {
  RecordingOptions options;
  options.frames = frames;
  options.cameras = 2;
  options.sound = false;
  options.alter = false;
  options.fast = true;
  options.width = 64;
  options.height = 48;
  const std::string path = folder / "ev";
  RecordingWriter writer(options);
  EXPECT_TRUE(writer.Write(path)) << writer.ErrorText();
  return path;
}

std::string Check(const std::string& arguments) { return Tool("selvo-check") + " " + arguments; }

// Our own writers, used for the fixtures, ignore SIGXFSZ; the tools must
// not inherit that from the test.
void RestoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_DFL); }

TEST(ToolOutputs, StandardOutputThatCannotTakeTheListingFailsTheRunWithItsCause) {
  const TestFolder folder;
  const std::string ev = MakeRecording(folder, 40);
  RestoreFileSizeSignal();
  struct Case {
    const char* name;
    std::string command;
    const char* cause;
  };
  const std::vector<Case> cases = {
      {"full device", Check(Quoted(ev)) + " >/dev/full", "No space left on device"},
      {"closed", Check(Quoted(ev)) + " >&-", "standard output is closed"},
      {"file-size limit", "ulimit -f 8; " + Check("--json --hash " + Quoted(ev)) + " >" + Quoted(folder / "x.jsonl"),
       "File too large"},
      {"demo to a full device", Tool("selvo-make-demo") + " " + Quoted(folder / "demo") + " --frames 4 >/dev/full",
       "No space left on device"},
      {"export version", Tool("selvo-export") + " --version >/dev/full", "No space left on device"},
  };
  for (const Case& c : cases) {
    const CommandRun told = RunCommand("(" + c.command + ") 2>&1 >/dev/null");
    const CommandRun status = RunCommand("(" + c.command + ") >/dev/null 2>&1; echo $?");
    EXPECT_NE(told.out.find(c.cause), std::string::npos) << c.name << ": " << told.out;
    EXPECT_EQ(status.out, c.name == std::string("demo to a full device") ? "1\n" : "2\n") << c.name;
  }
}

TEST(ToolOutputs, AManifestOrReportCutByAFullDiskNeverReplacesTheEarlierOne) {
  const TestFolder folder;
  const std::string ev = MakeRecording(folder, 40);
  RestoreFileSizeSignal();
  for (const char* option : {"--manifest", "--report"}) {
    const std::string out = folder.Write("out", std::string("earlier good file\n"));
    const std::string command = "ulimit -f 1; " + Check(std::string(option) + " " + Quoted(out) + " " + Quoted(ev));
    const CommandRun run = RunCommand("(" + command + ") >/dev/null 2>&1; echo $?");
    const CommandRun told = RunCommand("(" + command + ") 2>&1 >/dev/null");
    EXPECT_EQ(run.out, "2\n") << option;
    EXPECT_NE(told.out.find("File too large"), std::string::npos) << option << ": " << told.out;
    EXPECT_EQ(Text(out), "earlier good file\n") << option;
    EXPECT_TRUE(Temporaries(folder.Path()).empty()) << option;
  }
}

// The run's listing goes into a pipe nobody reads, so it is still running
// (blocked) when the signal comes.
TEST(ToolOutputs, ASignalLeavesTheEarlierManifestAndNoTemporary) {
  const TestFolder folder;
  const std::string ev = MakeRecording(folder, 800);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGKILL}) {
    const std::string manifest = folder.Write("manifest.txt", std::string("earlier good manifest\n"));
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const std::string program = Tool("selvo-check");
    const pid_t child = ::fork();
    if (child == 0) {
      ::dup2(pipeEnds[1], STDOUT_FILENO);
      const int quiet = ::open("/dev/null", O_WRONLY);
      ::dup2(quiet, STDERR_FILENO);
      ::close(pipeEnds[0]);
      ::execl(program.c_str(), program.c_str(), "--json", "--hash", "--manifest", manifest.c_str(), ev.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(pipeEnds[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Temporaries(folder.Path()).empty() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(Temporaries(folder.Path()).empty()) << strsignal(signal);
    ::kill(child, signal);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(pipeEnds[0]);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << strsignal(signal);
    EXPECT_EQ(Text(manifest), "earlier good manifest\n") << strsignal(signal);
    // SIGKILL cannot be caught: its temporary stays, beside the intact manifest.
    if (signal != SIGKILL) {
      EXPECT_TRUE(Temporaries(folder.Path()).empty()) << strsignal(signal);
    }
    for (const std::string& name : Temporaries(folder.Path())) ::unlink((folder / name).c_str());
  }
}

TEST(ToolOutputs, MisplacedOutputsAreRefusedBeforeAnythingIsReadOrWritten) {
  const TestFolder folder;
  const std::string ev = MakeRecording(folder, 8);
  const std::string image = ev + "/IMG00001/IMG00000001.jpg";
  const std::string imageBytes = Text(image);
  const std::string target = folder / "target.txt";
  ASSERT_EQ(::symlink(target.c_str(), (folder / "link.txt").c_str()), 0);
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0644), 0);
  struct Case {
    std::string arguments;
    const char* why;
  };
  const std::vector<Case> cases = {
      {"--manifest " + Quoted(image) + " " + Quoted(ev), "lies inside"},
      {"--report " + Quoted(ev + "/IMG00001/IMG00000002.jpg") + " " + Quoted(ev), "lies inside"},
      {"--manifest " + Quoted(ev + "/list.txt") + " " + Quoted(ev), "lies inside"},
      {"--manifest " + Quoted(folder / "link.txt") + " " + Quoted(ev), "is a symbolic link"},
      {"--report " + Quoted(folder / "link.txt") + " " + Quoted(ev), "is a symbolic link"},
      {"--manifest " + Quoted(folder / "fifo") + " " + Quoted(ev), "is a FIFO"},
      {"--manifest /dev/null " + Quoted(ev), "is a device"},
      {"--report " + Quoted(folder.Path()) + " " + Quoted(ev), "is a folder"},
      {"--report " + Quoted(folder / "same.out") + " --manifest " + Quoted(folder / "same.out") + " " + Quoted(ev),
       "is also given as"},
  };
  for (const Case& c : cases) {
    const CommandRun run = RunCommand("timeout 20 " + Check(c.arguments) + " 2>&1; echo \"exit $?\"");
    EXPECT_NE(run.out.find(c.why), std::string::npos) << c.arguments << ": " << run.out;
    EXPECT_NE(run.out.find("exit 2"), std::string::npos) << c.arguments << ": " << run.out;
    EXPECT_EQ(run.out.find("images:"), std::string::npos) << c.arguments << ": the check ran";
  }
  EXPECT_EQ(Text(image), imageBytes);
  EXPECT_NE(Text(ev + "/IMG00001/IMG00000002.jpg").rfind("%PDF", 0), 0u);
  EXPECT_NE(::access(target.c_str(), F_OK), 0);
  EXPECT_NE(::access((folder / "same.out").c_str(), F_OK), 0);

  const CommandRun exported =
      RunCommand(Tool("selvo-export") + " " + Quoted(ev) + " " + Quoted(ev + "/copy.mkv") + " 2>&1; echo \"exit $?\"");
  EXPECT_NE(exported.out.find("lies inside"), std::string::npos) << exported.out;
  EXPECT_NE(exported.out.find("exit 2"), std::string::npos) << exported.out;
}

// The temporary's name must fit where the final name fits.
TEST(ToolOutputs, AManifestAndReportNamed250BytesAreWritten) {
  const TestFolder folder;
  const std::string ev = MakeRecording(folder, 8);
  const std::string manifest = folder / (std::string(241, 'm') + ".sha256sum");
  const std::string report = folder / (std::string(246, 'r') + ".pdf");
  const CommandRun run =
      RunCommand(Check("--manifest " + Quoted(manifest) + " --report " + Quoted(report) + " " + Quoted(ev)) + " 2>&1");
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_NE(Text(manifest).find("IMG00001/IMG00000001.jpg"), std::string::npos);
  EXPECT_EQ(Text(report).rfind("%PDF", 0), 0u);
}

}  // namespace
}  // namespace selvo::test
