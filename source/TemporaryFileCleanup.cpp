#include "source/TemporaryFileCleanup.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace selvo {

namespace {

// A signal handler may not allocate or lock: the paths sit in fixed slots,
// each published by its flag once its bytes are in place.
constexpr int kSlots = 32;

struct Slot {
  std::atomic<bool> taken{false};
  std::atomic<bool> ready{false};
  char path[PATH_MAX];
};

Slot slots[kSlots];

constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RemoveWatched() {
  for (Slot& slot : slots) {
    if (slot.ready.load(std::memory_order_acquire)) ::unlink(slot.path);
  }
}

void OnEndingSignal(int signal) {
  const int saved = errno;
  RemoveWatched();
  // Ended by the same signal, as a shell and a parent expect to see it.
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  sigemptyset(&plain.sa_mask);
  ::sigaction(signal, &plain, nullptr);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, signal);
  ::sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  ::raise(signal);
  errno = saved;
}

void InstallOnce() {
  for (int signal : kCleanedSignals) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) != 0) continue;
    const bool plainHandler = (current.sa_flags & SA_SIGINFO) == 0;
    if (!plainHandler || current.sa_handler != SIG_DFL) continue;
    struct sigaction cleanup {};
    cleanup.sa_handler = OnEndingSignal;
    sigemptyset(&cleanup.sa_mask);
    for (int other : kCleanedSignals) sigaddset(&cleanup.sa_mask, other);
    cleanup.sa_flags = SA_RESTART;
    ::sigaction(signal, &cleanup, nullptr);
  }
  struct sigaction current {};
  if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
      current.sa_handler == SIG_DFL) {
    ::signal(SIGXFSZ, SIG_IGN);
  }
}

}  // namespace

bool TemporaryFileCleanup::Watch(const std::string& path) {
  if (path.empty() || path.size() >= PATH_MAX) return false;
  for (Slot& slot : slots) {
    bool expected = false;
    if (!slot.taken.compare_exchange_strong(expected, true)) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.ready.store(true, std::memory_order_release);
    return true;
  }
  return false;
}

void TemporaryFileCleanup::Forget(const std::string& path) {
  for (Slot& slot : slots) {
    if (!slot.ready.load(std::memory_order_acquire) || path != slot.path) continue;
    slot.ready.store(false, std::memory_order_release);
    slot.taken.store(false, std::memory_order_release);
    return;
  }
}

void TemporaryFileCleanup::InstallHandlers() {
  static std::once_flag installed;
  std::call_once(installed, InstallOnce);
}

}  // namespace selvo
