// The benchmarks' shared start and end: --help is answered, never taken for
// input, and a bench's temporary folders go with it however it ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchSupport.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

namespace fs = std::filesystem;

// A bench's life in a child: a scratch folder under tmp with a file in it,
// its path told through a pipe, then ended by end (0: a return from main).
struct Child {
  pid_t pid = -1;
  std::string scratch;
};

Child StartBench(const std::string& tmp, int endingSignal) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipeEnds[0]);
    setenv("TMPDIR", tmp.c_str(), 1);
    const std::string scratch = bench::ScratchFolder("test-bench");
    std::ofstream(scratch + "/fixture.jpg") << "x";
    fs::create_directories(scratch + "/rec/IMG00001");
    const std::string told = scratch + "\n";
    if (write(pipeEnds[1], told.data(), told.size()) != static_cast<ssize_t>(told.size())) _exit(3);
    if (endingSignal == 0) std::exit(0);
    for (;;) pause();
  }
  close(pipeEnds[1]);
  Child child;
  child.pid = pid;
  char byte;
  while (read(pipeEnds[0], &byte, 1) == 1 && byte != '\n') child.scratch += byte;
  close(pipeEnds[0]);
  return child;
}

TEST(BenchSupport, ScratchFoldersGoWhenTheBenchEndsOrIsInterrupted) {
  for (const int ending : {0, SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(ending);
    const test::TestFolder tmp;
    const Child child = StartBench(tmp.Path(), ending);
    ASSERT_GT(child.pid, 0);
    ASSERT_EQ(child.scratch.rfind(tmp.Path() + "/selvo-test-bench-", 0), 0u) << child.scratch;
    if (ending != 0) {
      EXPECT_TRUE(fs::exists(child.scratch + "/fixture.jpg"));
      kill(child.pid, ending);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child.pid, &status, 0), child.pid);
    if (ending == 0) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    } else {
      // Whoever started the bench still learns that it was interrupted.
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == ending);
    }
    EXPECT_TRUE(fs::is_empty(tmp.Path())) << fs::begin(fs::directory_iterator(tmp.Path()))->path();
  }
}

TEST(BenchSupport, HelpIsAnsweredAndNeverTakenForInput) {
  const pid_t pid = fork();
  if (pid == 0) {
    freopen("/dev/null", "w", stdout);
    char name[] = "SomeBench";
    char size[] = "100";
    char help[] = "--help";
    char* argv[] = {name, size, help, nullptr};
    bench::AnswerHelp(3, argv, "SomeBench [IMAGES]");
    _exit(5);  // the bench would have gone on to take "--help" for input
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace selvo
