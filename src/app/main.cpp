// Oculon: the door-intercom workstation program.
#include "app/ui/TaskbarStart.h"
#include "platform/FolderWorker.h"

int main(int argc, char** argv) {
    const int exitCode = oculon::app::runProgram(argc, argv);
    // A folder that has not answered yet may still finish what it holds.
    oculon::platform::FolderWorker::endProcess(exitCode);
    return exitCode;
}
