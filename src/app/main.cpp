// Oculon: the door-intercom workstation program.
#include "app/ui/TaskbarStart.h"

int main(int argc, char** argv) { return oculon::app::runProgram(argc, argv); }
