// The folders the program keeps its files in: found without the environment
// when it lacks HOME or the XDG variables, never shared with other accounts,
// and written atomically; files at names others can foresee made only new.
#include "platform/PrivateFiles.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/TemporaryFile.h"
#include "support/ChildProcess.h"

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

// A name taken gives a numbered one that keeps the extension and fits the
// folder, and past "(9)" one no one can foresee.
TEST(NewFilesAtFreeNames, NumberedNamesKeepTheExtensionThenNoOneCanForeseeThem) {
    TempDir dir;
    std::string umlauts;
    for (int i = 0; i < 125; ++i) umlauts += "\u00fc";
    for (int n = 2; n <= 8; ++n) dir.write("Door (" + std::to_string(n) + ").kvd", "taken");
    // Each name, taken, and the one given instead; "" for one no one can foresee.
    const std::pair<std::string, std::string> names[] = {
        {"Gate 1.5.kvd", "Gate 1.5 (2).kvd"},
        {".hidden", ".hidden (2)"},
        {"day.d/name", "day.d/name (2)"},
        {umlauts + ".kvd", umlauts.substr(0, 246) + " (2).kvd"},  // cut to fit 255 bytes, not inside a character
        {"Door (9).kvd", "Door (9) (2).kvd"},                     // leaves "Door" no numbered name
        {"Door.kvd", ""},
    };
    for (const auto& [asked, given] : names) {
        std::string path = dir.write(asked, "taken");
        FileFailure failure;
        EXPECT_TRUE(createFileAtFreeName(path, O_WRONLY, 0600, failure)) << failure.reason();
        if (given.empty()) EXPECT_TRUE(std::regex_match(path, std::regex(".*/Door \\([0-9a-z]{8}\\)\\.kvd"))) << path;
        else EXPECT_EQ(path, dir.path() + "/" + given);
    }
}

}  // namespace
}  // namespace oculon::platform
