// selvo-motion: find the moments something moved in an area of one camera's pictures.
#include "tools/selvo-motion/MotionCommand.h"

int main(int argc, char** argv) { return selvo::RunMotionCommand(argc, argv); }
