#pragma once
// Timing and process helpers shared by the benchmark programs.
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
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

// Bytes the heap holds now, small blocks and mapped ones together.
inline std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Runs a program without a shell, so its start-up is all the baseline pays.
// quiet: its standard output goes to /dev/null.
inline bool RunProgram(std::vector<std::string> arguments, bool quiet = false) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A program run without a shell, its output discarded, with its wall time,
// processor time (user and system, every thread) and peak resident size
// from the kernel's account of the child.
struct ProcessRun {
  double seconds = 0;
  double cpuSeconds = 0;
  long peakKb = 0;
  bool ok = false;
};

inline double CpuSeconds(const struct rusage& usage) {
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// ok: the program exited with a status no higher than highestOkStatus.
inline ProcessRun RunMeasured(std::vector<std::string> arguments, int highestOkStatus = 0) {
  ProcessRun run;
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const bool spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!spawned) return run;
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakKb = usage.ru_maxrss;
  run.cpuSeconds = CpuSeconds(usage);
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) <= highestOkStatus;
  return run;
}

}  // namespace selvo::bench
