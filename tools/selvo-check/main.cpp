// selvo-check: verify that nothing in a recorder export was altered.
#include "tools/selvo-check/CheckCommand.h"

int main(int argc, char** argv) { return selvo::RunCheckCommand(argc, argv, nullptr); }
