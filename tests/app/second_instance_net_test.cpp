// The real program: a second start ends at once and leaves the first
// running, whatever its environment lacks, and the first takes it up; SIGTERM ends it cleanly, also
// while a window of its start waits, and the popup's position is kept on the
// desktop.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/SettingsClaim.h"
#include "platform/Shell.h"
#include "support/ChildProcess.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using oculon::testsupport::ScopedEnv;
using Clock = std::chrono::steady_clock;

std::string programPath() {
    const char* dir = std::getenv("OCULON_BINARY_DIR");
    return std::string(dir ? dir : ".") + "/src/oculon";
}

pid_t spawn(const std::string& program, const std::string& errors = {}) {
    pid_t pid = -1;
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (!errors.empty()) posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT, 0600);
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// The exit status, or nothing when the process still runs after `bound`.
std::optional<int> waitExit(pid_t pid, std::chrono::milliseconds bound) {
    const auto end = Clock::now() + bound;
    do {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(20ms);
    } while (Clock::now() < end);
    return std::nullopt;
}

// A settings folder of its own with a language chosen, and the program's
// environment pointing at it.
class RealProgram : public ::testing::Test {
protected:
    void prepare(const std::string& rootValues) {
        dir.write(
            "cfg/Korvat/Oculon.reg",
            "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon]\n\"language\"=dword:00000001\n" + rootValues);
    }
    // Waits until `program` holds the instance lock. It looks in the kernel's
    // table of locks rather than trying the lock: a try holds it for an
    // instant, and a program starting in that instant takes itself for a
    // second start and ends.
    bool running(pid_t program) const {
        const std::string lock = oculon::app::instanceLockFor(dir.path() + "/cfg/Korvat/Oculon.reg");
        const auto until = Clock::now() + 20s;
        while (!holdsLock(program, lock)) {
            if (Clock::now() >= until) return false;
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }
    // Whether /proc/locks lists an exclusive flock of `program` on `file`
    // ("1: FLOCK  ADVISORY  WRITE 2277 fd:01:1311806 0 EOF"), told by the
    // inode: the device a file system shows may not be the one it locks on.
    static bool holdsLock(pid_t program, const std::string& file) {
        struct stat info {};
        if (::stat(file.c_str(), &info) != 0) return false;
        const std::string inode = ":" + std::to_string(info.st_ino);
        std::ifstream locks("/proc/locks");
        for (std::string line; std::getline(locks, line);) {
            std::istringstream fields(line);
            std::string number, kind, mode, access, pid, where;
            fields >> number >> kind >> mode >> access >> pid >> where;
            if (kind == "FLOCK" && access == "WRITE" && pid == std::to_string(program) && where.size() > inode.size() &&
                where.compare(where.size() - inode.size(), inode.size(), inode) == 0)
                return true;
        }
        return false;
    }
    // SIGTERM, and the exit status within `bound`.
    static std::optional<int> terminate(pid_t pid, std::chrono::milliseconds bound) {
        ::kill(pid, SIGTERM);
        const auto status = waitExit(pid, bound);
        if (!status) {
            ::kill(pid, SIGKILL);
            waitExit(pid, 5s);
        }
        return status;
    }

    oculon::testsupport::TempDir dir;
    // The program's environment; the next test makes its folder in the temp
    // folder of the start.
    ScopedEnv configHome{"XDG_CONFIG_HOME", dir.path() + "/cfg"}, runtimeDir{"XDG_RUNTIME_DIR", dir.path()},
        tempDir{"TMPDIR", dir.path()}, qtPlatform{"QT_QPA_PLATFORM", "offscreen"},
        noAutostart{oculon::platform::kAutostartVariable, std::nullopt};
};

TEST_F(RealProgram, SecondStartEndsAtOnceWhileTheFirstRuns) {
    prepare(
        "\"autostart\"=dword:00000001\n"
        "\"windowTop\"=dword:00000064\n\"windowLeft\"=dword:ffffff9c\n"
        "\"windowHeight\"=dword:00000190\n\"windowWidth\"=dword:00000280\n");
    const pid_t first = spawn(programPath());
    ASSERT_GT(first, 0);
    ASSERT_TRUE(running(first));
    const std::string socket = oculon::app::instanceSocketFor(dir.path() + "/cfg/Korvat/Oculon.reg");
    ASSERT_TRUE(oculon::platform::tellRunningInstance(socket, 20s)) << "the first answers";

    // The same user's second start, once as the first and once without the
    // session's runtime folder, another temp folder and no HOME.
    for (const bool bare : {false, true}) {
        const auto unsetWhenBare = [bare](const char* name) -> std::optional<std::string> {
            const char* value = std::getenv(name);
            return bare || !value ? std::nullopt : std::optional<std::string>(value);
        };
        ScopedEnv runtime("XDG_RUNTIME_DIR", unsetWhenBare("XDG_RUNTIME_DIR"));
        ScopedEnv home("HOME", unsetWhenBare("HOME"));
        ScopedEnv tmp("TMPDIR", bare ? "/tmp" : dir.path());
        const auto started = Clock::now();
        const pid_t second = spawn(programPath());
        ASSERT_GT(second, 0);
        const auto status = waitExit(second, 10s);
        if (!status) terminate(second, 5s);
        EXPECT_EQ(status, 0) << bare;
        EXPECT_LT(Clock::now() - started, 5s) << bare;
        EXPECT_EQ(waitExit(first, 0ms), std::nullopt) << "the first instance ended";
    }
    // One that cannot reach it (a FIFO at its socket's name) says so, on
    // stderr and in a window that waits for the user, and ends with an error.
    std::filesystem::rename(socket, socket + ".aside");
    ASSERT_EQ(::mkfifo(socket.c_str(), 0600), 0);
    const std::string errors = dir.path() + "/second.err";
    const pid_t unreachable = spawn(programPath(), errors);
    ASSERT_GT(unreachable, 0);
    const auto said = [&] {
        return oculon::testsupport::readFile(errors).find(socket + ": a FIFO, not the program's socket") !=
               std::string::npos;
    };
    for (const auto until = Clock::now() + 20s; !said() && Clock::now() < until;) std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(said()) << oculon::testsupport::readFile(errors);
    EXPECT_EQ(waitExit(unreachable, 300ms), std::nullopt) << "no window waited";
    EXPECT_EQ(terminate(unreachable, 10s), 1);
    std::filesystem::remove(socket);
    std::filesystem::rename(socket + ".aside", socket);

    EXPECT_TRUE(oculon::platform::tellRunningInstance(socket, 10s));
    EXPECT_EQ(terminate(first, 20s), 0);
    // The popup stood left of the screen: it was moved to 0 and kept there.
    std::ifstream file(dir.path() + "/cfg/Korvat/Oculon.reg");
    std::string stored{std::istreambuf_iterator<char>(file), {}};
    for (char& c : stored) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(stored.find("\"windowleft\"=dword:00000000"), std::string::npos) << stored;
    EXPECT_NE(stored.find("\"windowtop\"=dword:00000064"), std::string::npos) << stored;
}

// At once after the instance lock is taken (the windows are still being
// made), once the offer is up, and while the first start asks for the
// language, which is then not stored; during a wrong line's notice, no copy.
TEST_F(RealProgram, SignalEndsItAlsoWhileAWindowOfTheStartWaits) {
    const std::string file = dir.path() + "/cfg/Korvat/Oculon.reg";
    enum Kind { languageStored, firstStart, wrongLine };
    for (const auto& [kind, delay] :
         {std::pair{languageStored, 0ms}, {languageStored, 500ms}, {firstStart, 500ms}, {wrongLine, 500ms}}) {
        if (kind == firstStart) dir.write("cfg/Korvat/Oculon.reg", "REGEDIT4\n");
        else prepare(kind == wrongLine ? "\"autostart\"=dword:1 yes\n" : "");
        const std::string written = oculon::testsupport::readFile(file);
        const pid_t program = spawn(programPath());
        ASSERT_GT(program, 0);
        ASSERT_TRUE(running(program));
        std::this_thread::sleep_for(delay);
        EXPECT_EQ(terminate(program, 20s), 0) << delay.count();
        EXPECT_TRUE(kind != firstStart || oculon::testsupport::readFile(file).find("language") == std::string::npos);
        EXPECT_TRUE(kind != wrongLine || oculon::testsupport::readFile(file) == written);
        for (const auto& entry : std::filesystem::directory_iterator(dir.path() + "/cfg/Korvat"))
            EXPECT_EQ(entry.path().filename().string().find(".broken-"), std::string::npos) << entry.path();
    }
}

}  // namespace
