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
#include <fstream>
#include <functional>
#include <regex>
#include <set>

#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/TemporaryFile.h"
#include "support/ChildProcess.h"
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

// A name others can foresee (a recording's): what they put there stays as
// it was, and the file is made at the next free name.
TEST(NewFilesAtFreeNames, WhatStandsAtTheNameStaysAsItWas) {
    TempDir dir;
    const std::string victim = dir.write("victim", "theirs");
    const auto plantFile = [](const std::string& content, bool theirs) {
        return [content, theirs](const std::string& at) {
            std::ofstream(at) << content;
            ::chmod(at.c_str(), 0666);
            // Not root: the file stays ours, which must stay as it was too.
            if (theirs) testsupport::handToNobody(at);
        };
    };
    const std::pair<std::string, std::function<void(const std::string&)>> planted[] = {
        {"another account's file", plantFile("theirs", true)},
        {"a file of ours", plantFile("ours before", false)},
        {"a link", [&](const std::string& at) { fs::create_symlink(victim, at); }},
        {"a dangling link", [&](const std::string& at) { fs::create_symlink(dir.path() + "/nowhere", at); }},
        {"a FIFO", [](const std::string& at) { ::mkfifo(at.c_str(), 0666); }},
        {"a folder", [](const std::string& at) { fs::create_directory(at); }},
    };
    for (const auto& [what, plant] : planted) {
        SCOPED_TRACE(what);
        const std::string asked = dir.path() + "/" + what + ".kvd";
        plant(asked);
        const std::string before = testsupport::entryAt(asked);
        std::string path = asked;
        FileFailure failure;
        const UniqueFd fd = createFileAtFreeName(path, O_RDWR, 0600, failure);
        ASSERT_TRUE(fd) << failure.reason();
        EXPECT_EQ(path, dir.path() + "/" + what + " (2).kvd");
        EXPECT_TRUE(writeAll(fd.get(), "new"));
        EXPECT_EQ(testsupport::entryAt(asked), before);
        EXPECT_EQ(testsupport::entryAt(path), "file of " + std::to_string(::geteuid()) + " mode 0600 \"new\"");
    }
    EXPECT_EQ(testsupport::readFile(victim), "theirs");
    EXPECT_FALSE(fs::exists(dir.path() + "/nowhere"));

    std::string missing = dir.path() + "/missing/a.kvd";
    FileFailure failure;
    EXPECT_FALSE(createFileAtFreeName(missing, O_RDWR, 0600, failure));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(failure.path, missing);
    EXPECT_EQ(failure.intruder, Intruder::none);
}

TEST(NewFilesAtFreeNames, NumberedNamesKeepTheExtensionAndFitTheFolder) {
    TempDir dir;
    fs::create_directory(dir.path() + "/day.d");
    std::string umlauts;
    for (int i = 0; i < 125; ++i) umlauts += "\u00fc";
    const std::pair<std::string, std::string> names[] = {
        {"2024-05-01_12-00-00_Door.kvd", "2024-05-01_12-00-00_Door (2).kvd"},
        {"Gate 1.5.kvd", "Gate 1.5 (2).kvd"},
        {"plain", "plain (2)"},
        {".hidden", ".hidden (2)"},
        {"day.d/name", "day.d/name (2)"},
        // 254 bytes: shortened to fit 255, not inside a character.
        {umlauts + ".kvd", umlauts.substr(0, 246) + " (2).kvd"},
    };
    for (const auto& [asked, second] : names) {
        dir.write(asked, "taken");
        std::string path = dir.path() + "/" + asked;
        FileFailure failure;
        EXPECT_TRUE(createFileAtFreeName(path, O_WRONLY, 0600, failure)) << failure.reason();
        EXPECT_EQ(path, dir.path() + "/" + second);
    }

    // Past "(9)": names no one can know before, each another.
    dir.write("Door.kvd", "taken");
    for (int n = 2; n <= 9; ++n) dir.write("Door (" + std::to_string(n) + ").kvd", "taken");
    std::set<std::string> made;
    for (int i = 0; i < 2; ++i) {
        std::string path = dir.path() + "/Door.kvd";
        FileFailure failure;
        EXPECT_TRUE(createFileAtFreeName(path, O_WRONLY, 0600, failure)) << failure.reason();
        const std::string name = path.substr(dir.path().size() + 1);
        EXPECT_TRUE(std::regex_match(name, std::regex(R"(Door \([0-9a-z]{8}\)\.kvd)"))) << name;
        made.insert(name);
    }
    EXPECT_EQ(made.size(), 2u);
}

TEST(NewFilesAtFreeNames, ALinkPlantedAtTheNameIsNeverFollowed) {
    TempDir dir;
    const std::string victim = dir.write("victim", "theirs");
    const std::string name = dir.path() + "/rec.kvd";
    {
        testsupport::LinkPlanter planter(name, victim);
        for (int i = 0; i < 1000; ++i) {
            std::string path = name;
            FileFailure failure;
            const UniqueFd fd = createFileAtFreeName(path, O_WRONLY, 0600, failure);
            EXPECT_TRUE(fd && writeAll(fd.get(), "ours")) << failure.reason();
            ::unlink(path.c_str());
            ::unlink(name.c_str());
        }
    }
    EXPECT_EQ(testsupport::readFile(victim), "theirs");
}

}  // namespace
}  // namespace oculon::platform
