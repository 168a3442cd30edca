#pragma once
// selvo-check's command line, shared by its two programs: selvo-check
// itself, on the core alone, and selvo-check-report, the same check with
// the renderer linked in to draw --report.
#include "tools/selvo-check/CheckRun.h"

namespace selvo {

// The program selvo-check hands a --report run to, found beside it.
constexpr char kReportProgram[] = "selvo-check-report";

// Parses the arguments and runs the check; returns the exit status. Without
// a drawer, a run that asks for --report is handed over to kReportProgram.
int RunCheckCommand(int argc, char** argv, ReportDrawer drawer);

}  // namespace selvo
