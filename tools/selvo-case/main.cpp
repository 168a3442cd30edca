// selvo-case: read a case file's bookmarks and viewing log from the command line.
#include "tools/selvo-case/CaseCommand.h"

int main(int argc, char** argv) { return selvo::RunCaseCommand(argc, argv); }
