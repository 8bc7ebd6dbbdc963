#include "support/HangingShare.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace oculon::testsupport {

namespace {

// True once `folder` is a mount point (another device than its parent).
bool mounted(const std::string& folder) {
    struct stat inside {
    }, above{};
    return ::stat(folder.c_str(), &inside) == 0 && ::stat((folder + "/..").c_str(), &above) == 0 &&
           inside.st_dev != above.st_dev;
}

}  // namespace

HangingShare::HangingShare() {
    const char* build = std::getenv("OCULON_BINARY_DIR");
    const std::string program = std::string(build ? build : ".") + "/tests/hangfs";
    if (::access(program.c_str(), X_OK) != 0) {
        why_ = program + " is not built (fuse3)";
        return;
    }
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        why_ = "no /dev/fuse";
        return;
    }
    std::filesystem::create_directories(folder_.path() + "/backing");
    std::filesystem::create_directories(path());
    fuse_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{program, folder_.path() + "/backing", folder_.path() + "/asleep", path(), "-f"},
        folder_.path() + "/hangfs.log");
    for (int i = 0; i < 100 && !mounted(path()); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!mounted(path())) why_ = "the share was not mounted: " + readFile(folder_.path() + "/hangfs.log");
}

HangingShare::~HangingShare() {
    wake();
    if (fuse_) fuse_->stop();
    ::umount2(path().c_str(), MNT_DETACH);
}

void HangingShare::sleep() { std::ofstream(folder_.path() + "/asleep").put('z'); }

void HangingShare::holdReads() { std::ofstream(folder_.path() + "/asleep-reads").put('z'); }

void HangingShare::wake() {
    ::unlink((folder_.path() + "/asleep").c_str());
    ::unlink((folder_.path() + "/asleep-reads").c_str());
}

}  // namespace oculon::testsupport
