// The folders the program keeps its files in: found without the environment
// when it lacks HOME or the XDG variables, never shared with other accounts,
// and written atomically.
#include "platform/PrivateFiles.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/Registry.h"
#include "platform/Shell.h"
#include "support/ChildProcess.h"
#include "support/FileSizeLimit.h"
#include "support/LinkPlanter.h"

namespace oculon::platform {
namespace {

namespace fs = std::filesystem;
using testsupport::kNobody;
using testsupport::ScopedEnv;
using testsupport::TempDir;

mode_t modeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(UserFolders, WithoutHomeOrXdgVariablesTheUserDatabaseNamesTheHome) {
    const std::string home = ::getpwuid(::geteuid())->pw_dir;
    {
        ScopedEnv noHome("HOME", std::nullopt);
        ScopedEnv noConfig("XDG_CONFIG_HOME", "relative");  // not absolute: ignored
        ScopedEnv noTmp("TMPDIR", std::nullopt);
        EXPECT_EQ(FileRegistryStore::defaultPath(), (home == "/" ? "" : home) + "/.config/Korvat/Oculon.reg");
        EXPECT_EQ(userStartupFolder(), (home == "/" ? "" : home) + "/.config/autostart");
        EXPECT_EQ(privateTempFolder(), "/tmp/oculon-" + std::to_string(::geteuid()));
    }
    TempDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", "/x/cfg/");
    ScopedEnv tmp("TMPDIR", dir.path() + "//");
    EXPECT_EQ(FileRegistryStore::defaultPath(), "/x/cfg/Korvat/Oculon.reg");
    EXPECT_EQ(privateTempFolder(), dir.path() + "/oculon-" + std::to_string(::geteuid()));
}

TEST(UserFolders, PrivateFoldersAreMadeClosedAndThoseOfOthersRefused) {
    TempDir dir;
    const std::string nested = dir.path() + "/a/b/Korvat";
    EXPECT_EQ(makePrivateFolder(nested), "");
    EXPECT_EQ(modeOf(nested), 0700u);
    EXPECT_EQ(modeOf(dir.path() + "/a"), 0700u);

    // Ours but open to others: closed.
    ::chmod(nested.c_str(), 0777);
    EXPECT_EQ(makePrivateFolder(nested), "");
    EXPECT_EQ(modeOf(nested), 0700u);

    // A link may be turned elsewhere later; a file is no folder.
    fs::create_symlink(nested, dir.path() + "/link");
    EXPECT_NE(makePrivateFolder(dir.path() + "/link"), "");
    dir.write("file", "x");
    EXPECT_NE(makePrivateFolder(dir.path() + "/file"), "");
    EXPECT_NE(makePrivateFolder("relative/folder"), "");

    if (::geteuid() != 0) GTEST_SKIP() << "handing a folder to another user needs root";
    const std::string planted = dir.path() + "/oculon-0";
    ASSERT_EQ(::mkdir(planted.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(planted.c_str(), 0777), 0);
    ASSERT_EQ(::chown(planted.c_str(), kNobody, kNobody), 0);
    const std::string problem = makePrivateFolder(planted);
    EXPECT_NE(problem.find("belongs to another user"), std::string::npos) << problem;
    EXPECT_EQ(modeOf(planted), 0777u);  // left as it was
}

TEST(AtomicFiles, ReplaceWholeOrNotAtAllWithoutFollowingLinks) {
    TempDir dir;
    const std::string file = dir.path() + "/data";
    EXPECT_EQ(writeFileAtomically(file, "first", 0600), "");
    EXPECT_EQ(modeOf(file), 0600u);

    // A link planted under the temporary name is replaced, not written through.
    const std::string target = dir.write("target", "theirs");
    fs::create_symlink(target, temporaryFileFor(file));
    EXPECT_EQ(writeFileAtomically(file, "second", 0600), "");
    EXPECT_EQ(testsupport::readFile(file), "second");
    EXPECT_EQ(testsupport::readFile(target), "theirs");
    EXPECT_FALSE(fs::exists(fs::symlink_status(temporaryFileFor(file))));

    EXPECT_NE(writeFileAtomically(dir.path() + "/missing/data", "x", 0600), "");
}

TEST(FilesWrittenInPlace, NewOrOwnRegularFilesOnlyNeverThroughALink) {
    TempDir dir;
    const std::string file = dir.path() + "/snapshot.jpg";
    EXPECT_EQ(writeWholeFile(file, "longer first", 0640), "");
    EXPECT_EQ(modeOf(file), 0640u);
    EXPECT_EQ(writeWholeFile(file, "second", 0600), "");
    EXPECT_EQ(testsupport::readFile(file), "second");  // replaced whole, its mode kept
    EXPECT_EQ(modeOf(file), 0640u);

    const std::string victim = dir.write("victim", "theirs");
    const std::string link = dir.path() + "/planted.jpg";
    fs::create_symlink(victim, link);
    EXPECT_EQ(writeWholeFile(link, "ours", 0600), link + " is a symbolic link: files are not written through links");
    fs::create_symlink(dir.path() + "/nowhere", dir.path() + "/dangling.jpg");
    EXPECT_NE(writeWholeFile(dir.path() + "/dangling.jpg", "ours", 0600), "");
    EXPECT_FALSE(fs::exists(dir.path() + "/nowhere"));
    // A FIFO is refused without waiting for a reader.
    ASSERT_EQ(::mkfifo((dir.path() + "/fifo.jpg").c_str(), 0600), 0);
    EXPECT_EQ(writeWholeFile(dir.path() + "/fifo.jpg", "ours", 0600), dir.path() + "/fifo.jpg is no regular file");
    EXPECT_EQ(testsupport::readFile(victim), "theirs");

    // A disk that fills in the middle leaves no part that passes for the file.
    {
        testsupport::FileSizeLimit full(4);
        EXPECT_EQ(writeWholeFile(file, "more than four bytes", 0600), file + ": File too large");
    }
    EXPECT_FALSE(fs::exists(file));
}

TEST(FilesWrittenInPlace, ALinkPlantedWhileWeWriteIsNeverFollowed) {
    TempDir dir;
    const std::string victim = dir.write("victim", "theirs");
    const std::string name = dir.path() + "/snapshot.jpg";
    int written = 0, refused = 0;
    {
        testsupport::LinkPlanter planter(name, victim);
        for (int i = 0; i < 1000; ++i) {
            const std::string error = writeWholeFile(name, "ours", 0600);
            (error.empty() ? written : refused) += 1;
            EXPECT_TRUE(error.empty() || error.find("symbolic link") != std::string::npos) << error;
            ::unlink(name.c_str());
        }
    }
    EXPECT_EQ(testsupport::readFile(victim), "theirs");
    EXPECT_EQ(written + refused, 1000);
}

}  // namespace
}  // namespace oculon::platform
