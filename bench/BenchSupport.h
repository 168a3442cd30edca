#pragma once
// Timing, process and clean-up helpers shared by the benchmark programs.
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

extern char** environ;

namespace selvo::bench {

// Every bench answers --help (or -h) with its usage and exits, so that none
// takes the word for a size, a path or a program to time.
inline void AnswerHelp(int argc, char** argv, const char* usage) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf("usage: %s\n", usage);
      std::exit(0);
    }
  }
}

namespace cleanup {

constexpr int kMostFolders = 8;
// rm's arguments, made when a folder is registered: a signal handler may
// not allocate.
inline char* rmArguments[kMostFolders + 4] = {const_cast<char*>("rm"), const_cast<char*>("-rf"),
                                              const_cast<char*>("--")};
inline int folders = 0;
inline pid_t owner = 0;

inline void RemoveNow() {
  if (getpid() != owner) return;  // a forked child leaves its parent's fixtures alone
  for (int i = 0; i < folders; ++i) {
    std::error_code ignored;
    std::filesystem::remove_all(rmArguments[3 + i], ignored);
  }
}

// Only async-signal-safe calls: rm in a child that shares our memory until
// it execs, then the signal's own end, so whoever started the bench sees it.
inline void RemoveOnSignal(int signal) {
  if (getpid() == owner && folders > 0) {
    const pid_t child = vfork();
    if (child == 0) {
      execv("/bin/rm", rmArguments);
      _exit(127);
    }
    while (child > 0 && waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  ::signal(signal, SIG_DFL);
  raise(signal);
}

}  // namespace cleanup

// Removes folder and everything below it when the bench ends: returning
// from main, exit(), or SIGINT, SIGTERM or SIGHUP. A bench's temporary
// fixtures never outlive an interrupted run.
inline void RemoveOnExit(const std::string& folder) {
  using namespace cleanup;
  if (folders == kMostFolders) {
    std::fprintf(stderr, "too many folders to clean up: %s is left\n", folder.c_str());
    return;
  }
  if (folders == 0) {
    owner = getpid();
    std::atexit(RemoveNow);
    struct sigaction action {};
    action.sa_handler = RemoveOnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  }
  rmArguments[3 + folders] = strdup(folder.c_str());
  ++folders;
}

// An empty folder of the bench's own under TMPDIR (or /tmp), named with
// the process id so that two runs never share one, and removed as above.
inline std::string ScratchFolder(const std::string& name) {
  const std::string folder =
      (std::filesystem::temp_directory_path() / ("selvo-" + name + "-" + std::to_string(getpid()))).string();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::filesystem::create_directories(folder, ignored);
  RemoveOnExit(folder);
  return folder;
}

inline double SecondsOf(const std::function<bool()>& work) {
  const auto start = std::chrono::steady_clock::now();
  if (!work()) std::fprintf(stderr, "a timed run failed\n");
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The middle value (of an even count, the mean of the two middle ones): a
// figure that neither a lucky round nor one slowed by other programs decides.
inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
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

namespace measure {

constexpr const char* kGoBetween = "--selvo-bench-go-between";

// The kernel counts into a process's peak resident size the peak of the
// process it was forked from, up to its exec: a program started straight
// from a bench that holds 40 MB reports at least 40 MB, whatever it used,
// and its memory per image comes out as nothing. So the program is started
// by a go-between: this bench executed afresh, small, which forks it, waits
// for it and tells on the pipe fd what the kernel says of it alone:
// "seconds cpu-seconds peak-kB exit-status". The go-between never reaches
// main.
inline int RunGoBetween(int fd, char** argv) {
  fcntl(fd, F_SETFD, FD_CLOEXEC);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 1);
    execvp(argv[0], argv);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return 1;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  char line[128];
  const int length = std::snprintf(line, sizeof line, "%.6f %.6f %ld %d\n", seconds, CpuSeconds(usage),
                                   usage.ru_maxrss, exitStatus);
  return write(fd, line, static_cast<std::size_t>(length)) == length ? 0 : 1;
}

inline std::vector<std::string> OwnArguments() {
  std::vector<std::string> arguments;
  std::FILE* file = std::fopen("/proc/self/cmdline", "rb");
  if (file == nullptr) return arguments;
  std::string argument;
  for (int c; (c = std::fgetc(file)) != EOF;) {
    if (c != 0) {
      argument += static_cast<char>(c);
    } else {
      arguments.push_back(argument);
      argument.clear();
    }
  }
  std::fclose(file);
  return arguments;
}

// Before main: a bench started as a go-between does that and exits.
inline const bool goBetweenDone = [] {
  std::vector<std::string> arguments = OwnArguments();
  if (arguments.size() < 4 || arguments[1] != kGoBetween) return false;
  std::vector<char*> argv;
  for (std::size_t i = 3; i < arguments.size(); ++i) argv.push_back(arguments[i].data());
  argv.push_back(nullptr);
  _exit(RunGoBetween(std::atoi(arguments[2].c_str()), argv.data()));
}();

}  // namespace measure

// ok: the program exited with a status no higher than highestOkStatus.
inline ProcessRun RunMeasured(std::vector<std::string> arguments, int highestOkStatus = 0) {
  ProcessRun run;
  int pipeEnds[2];
  // The writing end is the go-between's, across its exec.
  if (pipe(pipeEnds) != 0) return run;
  fcntl(pipeEnds[0], F_SETFD, FD_CLOEXEC);
  std::vector<std::string> goBetween = {"/proc/self/exe", measure::kGoBetween, std::to_string(pipeEnds[1])};
  goBetween.insert(goBetween.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : goBetween) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const bool spawned = posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
  close(pipeEnds[1]);
  std::string told;
  char buffer[128];
  for (ssize_t got; spawned && (got = read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
    if (got > 0) told.append(buffer, static_cast<std::size_t>(got));
    if (got < 0 && errno != EINTR) break;
  }
  close(pipeEnds[0]);
  if (!spawned) return run;
  waitpid(pid, nullptr, 0);
  int status = -1;
  if (std::sscanf(told.c_str(), "%lf %lf %ld %d", &run.seconds, &run.cpuSeconds, &run.peakKb, &status) != 4) return run;
  run.ok = status >= 0 && status <= highestOkStatus;
  return run;
}

}  // namespace selvo::bench
