#pragma once
// Runs a piece of work in a child process and watches it from outside, so a
// case that hangs, loops or eats memory fails the test instead of stalling
// or killing the whole run.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>

namespace selvo::test {

struct BoundedOutcome {
  bool finished = false;  // ended by itself before the time limit
  bool passed = false;    // the work returned true
  long peakGrowthKb = 0;  // how far the child's peak resident size rose during the work
  double seconds = 0;

  bool Within(std::chrono::milliseconds limit, long memoryLimitKb) const {
    return finished && seconds * 1000 <= static_cast<double>(limit.count()) && peakGrowthKb <= memoryLimitKb;
  }
};

inline long PeakResidentKb() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return 0;
  char line[256];
  long kb = 0;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atol(line + 6);
  }
  std::fclose(status);
  return kb;
}

// The child reports through a pipe: the work's answer and its peak growth.
// A child still running after twice the limit (at least 2 s) is killed.
inline BoundedOutcome RunBounded(const std::function<bool()>& work, std::chrono::milliseconds limit) {
  BoundedOutcome outcome;
  int channel[2];
  if (::pipe(channel) != 0) return outcome;
  const auto started = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    const long before = PeakResidentKb();
    const long result[2] = {work() ? 1L : 0L, PeakResidentKb() - before};
    const ssize_t ignored = ::write(channel[1], result, sizeof result);
    (void)ignored;
    ::_exit(0);
  }
  ::close(channel[1]);
  const auto patience = std::max(limit * 2, std::chrono::milliseconds(2000));
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() - started > patience) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      ::close(channel[0]);
      return outcome;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  long result[2] = {0, 0};
  outcome.finished = ::read(channel[0], result, sizeof result) == sizeof result;
  ::close(channel[0]);
  outcome.passed = result[0] == 1;
  outcome.peakGrowthKb = result[1];
  return outcome;
}

}  // namespace selvo::test
