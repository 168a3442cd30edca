#pragma once
// Work that must not hold up what the user waits to see runs once the
// widget has painted: from the event loop just after that paint, or after
// kPaintWaitLimit should no paint come (a window kept off the screen).
#include <chrono>
#include <functional>

class QWidget;

namespace selvo {

constexpr std::chrono::milliseconds kPaintWaitLimit{2000};

void RunAfterNextPaint(QWidget* widget, std::function<void()> work);

}  // namespace selvo
