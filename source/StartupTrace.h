#pragma once
// With SELVO_TRACE_STARTUP set in the environment, the viewer writes to
// standard error how long after its process started each step of its
// start-up was reached: where the time before the first picture goes,
// measured on the user's own machine, without a profiler.
namespace selvo {

// "selvo-viewer: start-up +123.4 ms step". Nothing without the variable.
void TraceStartup(const char* step);

// Traces step the first time it is called with it, as a view's first
// picture; later calls do nothing.
void TraceStartupOnce(const char* step);

}  // namespace selvo
