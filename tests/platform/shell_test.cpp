// The desktop services: one instance per settings file, autostart entries,
// the program's own path, and the socket a later start reaches the first by.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/Shell.h"
#include "support/ChildProcess.h"

namespace oculon::platform {
namespace {

namespace fs = std::filesystem;

using testsupport::readFile;

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    testsupport::TempDir dir;
    const std::string lock = dir.path() + "/KorvatOculonMutex.lock";
    std::string problem = "-";
    auto first = SingleInstance::acquire(lock, &problem);
    ASSERT_TRUE(first);
    EXPECT_FALSE(SingleInstance::acquire(lock, &problem));
    EXPECT_EQ(problem, "");  // merely held
    EXPECT_TRUE(SingleInstance::acquire(dir.path() + "/other.lock"));

    // Another process sees the lock as well.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(SingleInstance::acquire(lock) ? 1 : 0);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    first.reset();
    EXPECT_TRUE(SingleInstance::acquire(lock));
}

TEST(SingleInstance, PlantedLockFilesAreNotTaken) {
    testsupport::TempDir dir;
    // A link planted under the lock's name is not followed.
    const std::string link = dir.path() + "/link.lock";
    fs::create_symlink(dir.path() + "/elsewhere", link);
    std::string problem;
    EXPECT_FALSE(SingleInstance::acquire(link, &problem));
    EXPECT_NE(problem, "");
    EXPECT_FALSE(fs::exists(dir.path() + "/elsewhere"));
    EXPECT_FALSE(SingleInstance::acquire(dir.path() + "/missing/x.lock", &problem));
    EXPECT_NE(problem, "");

    if (::geteuid() != 0) GTEST_SKIP() << "handing a file to another user needs root";
    const std::string theirs = dir.write("theirs.lock", "");
    ASSERT_EQ(::chown(theirs.c_str(), testsupport::kNobody, testsupport::kNobody), 0);
    EXPECT_FALSE(SingleInstance::acquire(theirs, &problem));
    EXPECT_NE(problem.find("not a lock file of this user"), std::string::npos) << problem;
}

// The socket a later start finds the running one by: one a crash left is
// replaced and goes with its listener; a file planted at its name is kept.
TEST(SecondStarts, OnlyOurOwnLeftoverSocketIsReplaced) {
    testsupport::TempDir dir;
    const std::string socket = dir.path() + "/KorvatOculon.socket";
    std::string problem;
    if (::fork() == 0) ::_exit(SecondStarts::listen(socket, problem).release() ? 0 : 1);  // ends, socket left
    int status = 0;
    ASSERT_TRUE(::wait(&status) > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(tellRunningInstance(socket, std::chrono::milliseconds(300)));
    auto starts = SecondStarts::listen(socket, problem);
    EXPECT_TRUE(starts) << problem;
    starts.reset();
    EXPECT_FALSE(fs::exists(socket));
    const std::string planted = dir.write("planted.socket", "keep");
    EXPECT_FALSE(SecondStarts::listen(planted, problem));
    EXPECT_EQ(readFile(planted), "keep");
}

// A second start that cannot reach the running one says why: a file, a
// FIFO or another user's listener at the socket's name, a socket nobody
// listens at, none at all, a name too long for a socket, a listener that
// does not answer.
TEST(SecondStarts, AStartThatCannotReachTheRunningOneSaysWhy) {
    testsupport::TempDir dir;
    std::string problem;
    const std::string fifo = dir.path() + "/fifo.socket";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string left = dir.path() + "/left.socket";
    if (::fork() == 0) ::_exit(SecondStarts::listen(left, problem).release() ? 0 : 1);  // ends, socket left
    int status = 0;
    ASSERT_TRUE(::wait(&status) > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const auto silent = SecondStarts::listen(dir.path() + "/silent.socket", problem);
    ASSERT_TRUE(silent) << problem;
    const struct {
        std::string path;
        const char* why;
    } rows[] = {
        {dir.write("file.socket", "x"), "a file, not the program's socket, has its name"},
        {fifo, "a FIFO, not the program's socket, has its name"},
        {left, "nothing listens at the socket"},
        {dir.path() + "/missing.socket", "no socket: the running program could not make it"},
        {dir.path() + "/" + std::string(120, 'x'), "too long a name for a socket"},
        {dir.path() + "/silent.socket", "did not answer within 0.3 s"},
    };
    for (const auto& row : rows) {
        problem.clear();
        bool unanswered = true;
        EXPECT_FALSE(tellRunningInstance(row.path, std::chrono::milliseconds(300), &problem, &unanswered));
        EXPECT_TRUE(problem.starts_with(row.path + ": ")) << problem;
        EXPECT_NE(problem.find(row.why), std::string::npos) << problem;
        // Only that one is told in the user's words.
        EXPECT_EQ(unanswered, row.path == dir.path() + "/silent.socket") << problem;
    }
    EXPECT_EQ(readFile(dir.path() + "/file.socket"), "x");

    if (::geteuid() != 0) GTEST_SKIP() << "listening as another user needs root";
    const std::string theirs = dir.path() + "/theirs.socket";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    theirs.copy(address.sun_path, sizeof address.sun_path - 1);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t other = ::fork();
    if (other == 0) {
        // Bound in our folder, then listening as the other user: the peer a
        // start sees is who listens.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            ::setresuid(testsupport::kNobody, testsupport::kNobody, testsupport::kNobody) != 0 || ::listen(fd, 1) != 0)
            ::_exit(1);
        [[maybe_unused]] const auto told = ::write(ready[1], "l", 1);
        ::pause();
        ::_exit(0);
    }
    ASSERT_GT(other, 0);
    ::close(ready[1]);
    char listening = 0;
    EXPECT_EQ(::read(ready[0], &listening, 1), 1);
    ::close(ready[0]);
    EXPECT_FALSE(tellRunningInstance(theirs, std::chrono::milliseconds(300), &problem));
    EXPECT_NE(problem.find("the program of another user listens there"), std::string::npos) << problem;
    ::kill(other, SIGKILL);
    ::waitpid(other, &status, 0);
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

// After "Yes" the next start by hand finds the entry and asks no more; a
// copy the desktop changed (switched off) or a link is not taken for ours.
TEST(StartupFolders, AnInstalledEntryIsFoundInTheUserFolderOrElseTheCommonOne) {
    testsupport::TempDir dir;
    const std::string user = dir.path() + "/user", common = dir.path() + "/common", program = "/opt/korvat/oculon";
    EXPECT_FALSE(startupEntryInstalled(program, user, common));
    ASSERT_TRUE(installStartupEntry(common, program));
    EXPECT_TRUE(startupEntryInstalled(program, user, common));
    EXPECT_FALSE(startupEntryInstalled("/opt/other/oculon", user, common));
    ASSERT_TRUE(installStartupEntry(user, program));
    EXPECT_TRUE(startupEntryInstalled(program, user, ""));
    const std::string entry = dir.write("user/oculon.desktop", startupEntry(program) + "Hidden=true\n");
    EXPECT_FALSE(startupEntryInstalled(program, user, common));
    fs::remove(entry);
    fs::create_symlink(common + "/oculon.desktop", entry);
    EXPECT_FALSE(startupEntryInstalled(program, user, common));
}

TEST(ShellPaths, OwnPathAndTheAutostartMarker) {
    EXPECT_EQ(fs::path(ownPath()).filename(), "platform_shell_test");
    testsupport::ScopedEnv marker(kAutostartVariable, "1");
    EXPECT_TRUE(startedFromStartupFolder());
    testsupport::ScopedEnv other(kAutostartVariable, "0");
    EXPECT_FALSE(startedFromStartupFolder());
}

TEST(X11Services, DoNothingWithoutADisplay) {
    testsupport::ScopedEnv display("DISPLAY", "");
    stopScreenSaver();
    beep();
    EXPECT_EQ(hideWindowsTitled("PhonerLite"), 0);
}

}  // namespace
}  // namespace oculon::platform
