#pragma once
// selvo-case's command line: which case file, which command, which format.

namespace selvo {

// Exit status, as selvo-check's: 0 all well, 1 a problem found (a broken
// log chain, a recording whose full identity differs), 2 usage error or
// an unreadable case file or folder.
enum CaseExit { kCaseOk = 0, kCaseProblem = 1, kCaseUsageOrUnreadable = 2 };

int RunCaseCommand(int argc, char** argv);

}  // namespace selvo
