#pragma once
// An X server for the benchmarks that measure the viewer under X: the one
// DISPLAY names, else an Xvfb of our own on a free display, stopped with
// us. Offscreen drawing hides what the X server costs (connecting, the
// window's first map, copying pictures to it); these runs show it.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace selvo::bench {

class XServer {
 public:
  XServer() = default;
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;
  ~XServer() { Stop(); }

  // Answers the display to use, or an empty string (with the reason in
  // Reason()) when no X server can be had.
  std::string Start() {
    if (const char* display = std::getenv("DISPLAY"); display != nullptr && *display != '\0') return display;
    int ready[2];
    if (pipe(ready) != 0) return Fail("no pipe for Xvfb");
    pid_ = fork();
    if (pid_ < 0) return Fail("fork failed");
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      close(ready[0]);
      const std::string fd = std::to_string(ready[1]);
      // Its chatter about missing fonts and keymaps is not ours to show.
      const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
      if (null >= 0) dup2(null, STDERR_FILENO);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ready[1]);
    // Xvfb writes its display number once it takes connections, and the
    // newline after it in a write of its own: the pipe stays open until
    // that too has come, or Xvfb dies of the broken pipe.
    std::string number;
    char byte = 0;
    while (number.size() < 16 && read(ready[0], &byte, 1) == 1 && byte != '\n') number += byte;
    close(ready[0]);
    if (number.empty() || byte != '\n') {
      Stop();
      return Fail("Xvfb could not be started (is it installed?)");
    }
    return ":" + std::to_string(std::atoi(number.c_str()));
  }

  const std::string& Reason() const { return reason_; }
  // Our own Xvfb's process, 0 when DISPLAY named the server.
  pid_t Pid() const { return pid_; }

 private:
  std::string Fail(const char* reason) {
    reason_ = reason;
    return std::string();
  }

  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

  pid_t pid_ = 0;
  std::string reason_;
};

}  // namespace selvo::bench
