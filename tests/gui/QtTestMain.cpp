// The main of every Qt test: one application with the program's name, and
// the program's main loop driven by Qt's event loop. Each test
// process keeps its settings, and Qt's own (the file dialogs' history), in a
// folder of its own, so parallel tests never share them and the user's are
// never touched; a test may still point XDG_CONFIG_HOME elsewhere.

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <system_error>

#include "platform/ui/QtLoopBackend.h"

namespace {

class PrivateConfigFolder {
public:
    PrivateConfigFolder() {
        const char* tmp = std::getenv("TMPDIR");
        folder_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/oculon-qt-test-XXXXXX";
        if (!::mkdtemp(folder_.data())) {
            folder_.clear();
            return;
        }
        ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    }
    ~PrivateConfigFolder() {
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }
    PrivateConfigFolder(const PrivateConfigFolder&) = delete;
    PrivateConfigFolder& operator=(const PrivateConfigFolder&) = delete;

private:
    std::string folder_;
};

}  // namespace

int main(int argc, char** argv) {
    const PrivateConfigFolder config;
    QApplication application(argc, argv);
    QApplication::setApplicationName("Korvat Oculon");
    oculon::platform::QtLoopBackend loop;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
