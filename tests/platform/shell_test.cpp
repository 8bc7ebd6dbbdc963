// The desktop services: one instance per session, autostart entries, the
// folders the program derives from its environment.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Shell.h"
#include "support/ChildProcess.h"

namespace oculon::platform {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the scope of a test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string readFile(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    testsupport::TempDir dir;
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path());
    EXPECT_EQ(SingleInstance::lockPath("KorvatOculonMutex"), dir.path() + "/KorvatOculonMutex.lock");
    auto first = SingleInstance::acquire("KorvatOculonMutex");
    ASSERT_TRUE(first);
    EXPECT_FALSE(SingleInstance::acquire("KorvatOculonMutex"));
    EXPECT_TRUE(SingleInstance::acquire("SomethingElse"));

    // Another process sees the lock as well.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(SingleInstance::acquire("KorvatOculonMutex") ? 1 : 0);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    first.reset();
    EXPECT_TRUE(SingleInstance::acquire("KorvatOculonMutex"));
}

TEST(SingleInstance, WithoutARuntimeFolderTheLockIsPerUserInTheTempFolder) {
    testsupport::TempDir dir;
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path() + "/missing");
    ScopedEnv tmp("TMPDIR", dir.path() + "/");
    EXPECT_EQ(SingleInstance::lockPath("KorvatOculonMutex"),
              dir.path() + "/KorvatOculonMutex-" + std::to_string(::getuid()) + ".lock");
    // A link planted under the lock's name is not followed.
    fs::create_symlink(dir.path() + "/elsewhere", SingleInstance::lockPath("KorvatOculonMutex"));
    EXPECT_FALSE(SingleInstance::acquire("KorvatOculonMutex"));
    EXPECT_FALSE(fs::exists(dir.path() + "/elsewhere"));
}

TEST(StartupFolders, FollowTheXdgConfigHome) {
    ScopedEnv config("XDG_CONFIG_HOME", "/tmp/cfg");
    EXPECT_EQ(userStartupFolder(), "/tmp/cfg/autostart");
    ScopedEnv relative("XDG_CONFIG_HOME", "relative");
    ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(userStartupFolder(), "/home/u/.config/autostart");
    EXPECT_EQ(commonStartupFolder(), "/etc/xdg/autostart");
}

TEST(StartupFolders, EntryStartsTheProgramWithTheMarkerQuotedSafely) {
    EXPECT_EQ(startupEntryName("/opt/korvat/oculon"), "oculon.desktop");
    const std::string entry = startupEntry("/opt/my \"odd\" $dir\\100%/oculon");
    EXPECT_NE(entry.find("Exec=env OCULON_AUTOSTART=1 \"/opt/my \\\\\"odd\\\\\" \\\\$dir\\\\\\\\100%%/oculon\"\n"),
              std::string::npos)
        << entry;

    testsupport::TempDir dir;
    const std::string folder = dir.path() + "/autostart";
    ASSERT_TRUE(installStartupEntry(folder, "/opt/korvat/oculon"));
    ASSERT_TRUE(installStartupEntry(folder, "/opt/korvat/oculon"));  // replaces
    EXPECT_EQ(readFile(folder + "/oculon.desktop"), startupEntry("/opt/korvat/oculon"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    EXPECT_FALSE(installStartupEntry(folder, "/opt/two\nlines"));
    EXPECT_FALSE(installStartupEntry("/proc/no-such-folder", "/opt/korvat/oculon"));
}

TEST(StartupFolders, MarkerTellsAnAutostart) {
    ScopedEnv marker(kAutostartVariable, "1");
    EXPECT_TRUE(startedFromStartupFolder());
    ScopedEnv other(kAutostartVariable, "0");
    EXPECT_FALSE(startedFromStartupFolder());
}

TEST(ShellPaths, TempFolderAndOwnPath) {
    {
        ScopedEnv tmp("TMPDIR", "/no/such/folder");
        EXPECT_EQ(tempFolder(), "/tmp");
    }
    testsupport::TempDir dir;
    ScopedEnv tmp("TMPDIR", dir.path() + "//");
    EXPECT_EQ(tempFolder(), dir.path());
    EXPECT_EQ(fs::path(ownPath()).filename(), "platform_shell_test");
}

TEST(X11Services, DoNothingWithoutADisplay) {
    ScopedEnv display("DISPLAY", "");
    stopScreenSaver();
    beep();
    EXPECT_EQ(hideWindowsTitled("PhonerLite"), 0);
}

}  // namespace
}  // namespace oculon::platform
