#pragma once
// Timing and process helpers shared by the benchmark programs.
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace selvo::bench {

inline double SecondsOf(const std::function<bool()>& work) {
  const auto start = std::chrono::steady_clock::now();
  if (!work()) std::fprintf(stderr, "a timed run failed\n");
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs a program without a shell, so its start-up is all the baseline pays.
inline bool RunProgram(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace selvo::bench
