#include "doc/EventLoopClock.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <chrono>
#include <limits>

namespace selvo {

EventLoopClock::EventLoopClock() {
  wakeUp_.setSingleShot(true);
  // A coarse timer may fire up to 5 % late, which would slow every step.
  wakeUp_.setTimerType(Qt::PreciseTimer);
}

std::int64_t EventLoopClock::NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void EventLoopClock::HandlePendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void EventLoopClock::WaitForEventsUntil(std::int64_t dueMs) {
  const std::int64_t remaining = dueMs - NowMs();
  if (remaining <= 0) return;
  // The timer only has to wake the dispatcher; its timeout does nothing.
  wakeUp_.start(static_cast<int>(std::min<std::int64_t>(remaining, std::numeric_limits<int>::max())));
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  wakeUp_.stop();
}

}  // namespace selvo
