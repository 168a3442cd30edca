#include "source/StartupTrace.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>

namespace selvo {

namespace {

bool Enabled() {
  static const bool enabled = std::getenv("SELVO_TRACE_STARTUP") != nullptr;
  return enabled;
}

// The process's start in seconds since boot (field 22 of /proc/self/stat, in
// clock ticks): the libraries loaded before main count too.
double ProcessStartSeconds() {
  std::ifstream stat("/proc/self/stat");
  std::string line;
  std::getline(stat, line);
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(line.substr(close + 2));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
    if (i == 22) return std::strtod(field.c_str(), nullptr) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }
  return 0;
}

double SecondsSinceBoot() {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

}  // namespace

void TraceStartup(const char* step) {
  if (!Enabled()) return;
  static const double start = ProcessStartSeconds();
  std::fprintf(stderr, "selvo-viewer: start-up +%.1f ms %s\n", (SecondsSinceBoot() - start) * 1e3, step);
}

void TraceStartupOnce(const char* step) {
  if (!Enabled()) return;
  static std::mutex mutex;
  static std::set<std::string> traced;
  const std::lock_guard<std::mutex> lock(mutex);
  if (traced.insert(step).second) TraceStartup(step);
}

}  // namespace selvo
